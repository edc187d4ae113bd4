// The FLTK view against the form's controls, in process on a virtual display: where each
// control's widget stands, that the widgets follow the controls after handlers and message
// processing, and that texts arrive converted from code page 1250.

#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Text_Display.H>
#include <FL/Fl_Window.H>
// Fl_Text_Display.H brings in Xlib, whose None and Bool macros break GoogleTest's names.
#undef None
#undef Bool
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"
#include "platform/codepage.h"
#include "ui/fltk/fltk_ui.h"
#include "ui/fltk/widgets.h"
#include "ui/form2.h"

namespace {

namespace fs = std::filesystem;

// One simulated machine and payload folder for the whole program: the view is built once per
// test on the display that main() opened.
fs::path gRoot;

struct Found {
  Fl_Widget* widget = nullptr;
  int x = 0, y = 0;
};

// Every widget below `group`, depth first.
void Collect(Fl_Group* group, std::vector<Fl_Widget*>& out) {
  for (int i = 0; i < group->children(); ++i) {
    Fl_Widget* child = group->child(i);
    out.push_back(child);
    if (Fl_Group* inner = child->as_group()) Collect(inner, out);
  }
}

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = std::make_unique<setup::TForm1>(ui_);
    ASSERT_EQ(form_->FormCreate(), setup::StartOutcome::kRun);
    picker_ = std::make_unique<ui::TForm2>(form_->SourceFolder);
    form_->Form2 = picker_.get();
    ui_.Open(*form_, *picker_);
    Fl::check();
    window_ = Fl::first_window();
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    ui_.Shut();
    form_->Form2 = nullptr;
    form_.reset();
  }

  std::vector<Fl_Widget*> Widgets() {
    std::vector<Fl_Widget*> all;
    Collect(window_, all);
    return all;
  }

  // The widget of `control`: the one standing at its place, of its size when it has one.
  template <class W = Fl_Widget>
  W* WidgetOf(const ui::TControl& control) {
    const bool onPage = control.Page >= 0;
    const int x = (onPage ? form_->pages.Left : 0) + control.Left;
    const int y = (onPage ? form_->pages.Top : 0) + control.Top;
    for (Fl_Widget* widget : Widgets()) {
      if (widget->as_group() != nullptr && dynamic_cast<Fl_Window*>(widget) == nullptr &&
          dynamic_cast<Fl_Text_Display*>(widget) == nullptr &&
          dynamic_cast<Fl_Browser*>(widget) == nullptr) {
        continue;
      }
      if (widget->x() != x || widget->y() != y) continue;
      if (control.Width > 0 && widget->w() != control.Width) continue;
      if (control.Height > 0 && widget->h() != control.Height) continue;
      if (W* typed = dynamic_cast<W*>(widget)) return typed;
    }
    return nullptr;
  }

  Fl_Group* PagesGroup() {
    for (Fl_Widget* widget : Widgets()) {
      if (widget->parent() == window_ && widget->w() == 462 && widget->h() == 254) {
        return widget->as_group();
      }
    }
    return nullptr;
  }

  ui::fltk::FltkUi ui_;
  std::unique_ptr<setup::TForm1> form_;
  std::unique_ptr<ui::TForm2> picker_;
  Fl_Window* window_ = nullptr;
};

TEST_F(ViewTest, WindowFillsTheScreenAndCentresThePages) {
  const ui::ScreenSize screen = ui_.VirtualScreen();
  EXPECT_EQ(window_->x(), 0);
  EXPECT_EQ(window_->y(), 0);
  EXPECT_EQ(window_->w(), screen.width);
  EXPECT_EQ(window_->h(), screen.height);
  EXPECT_EQ(std::string(window_->label()), "Vorlex Plug-In Setup");
  Fl_Group* pages = PagesGroup();
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(pages->x(), (screen.width - 462) / 2);
  EXPECT_EQ(pages->y(), (screen.height - 254) / 2);
  EXPECT_EQ(form_->pages.Left, pages->x());
  EXPECT_EQ(form_->pages.Top, pages->y());
}

TEST_F(ViewTest, EveryControlHasAWidgetAtItsPlace) {
  for (ui::TControl* control : form_->Controls()) {
    if (control->Kind == ui::ControlKind::kComboBox) {
      // The drop-down list has its own height.
      auto* choice = WidgetOf<Fl_Choice>(*control);
      EXPECT_NE(choice, nullptr) << control->Name;
      if (choice != nullptr) {
        EXPECT_EQ(choice->w(), control->Width);
      }
      continue;
    }
    if (control == &form_->Memo6) continue;  // page 3 holds the hidden message table
    EXPECT_NE(WidgetOf(*control), nullptr) << control->Name;
  }
}

TEST_F(ViewTest, OnlyTheCurrentPageIsShown) {
  ASSERT_EQ(form_->pages.ActivePageIndex(), setup::kPortal);
  EXPECT_TRUE(WidgetOf(form_->Memo2)->visible_r());
  EXPECT_FALSE(WidgetOf(form_->Memo3)->visible_r());
  form_->Click(form_->BitBtn5);
  ui_.ProcessMessages();
  EXPECT_FALSE(WidgetOf(form_->Memo2)->visible_r());
  EXPECT_TRUE(WidgetOf(form_->Memo3)->visible_r());
  EXPECT_TRUE(WidgetOf<Fl_Choice>(form_->Directory)->visible_r());
}

TEST_F(ViewTest, TextsArriveAsUtf8AndFollowTheirControls) {
  auto* label = WidgetOf<ui::fltk::LabelWidget>(form_->Label1);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Text(), "Umístění programu");
  form_->Label1.Caption = plat::Utf8ToCp1250("Cílová složka");
  ui_.ProcessMessages();
  EXPECT_EQ(label->Text(), "Cílová složka");

  auto* title = WidgetOf<ui::fltk::LabelWidget>(form_->Label7);
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->Text(), "Vorlex  v2.12");
}

TEST_F(ViewTest, ProgressBarsShowTheirPositionWithPercent) {
  auto* bar = WidgetOf<Fl_Progress>(form_->ALProgressBar2);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(std::string(bar->label()), "0%");
  form_->ALProgressBar2.SetPosition(40);
  ui_.ProcessMessages();
  EXPECT_EQ(bar->value(), 40.0f);
  EXPECT_EQ(std::string(bar->label()), "40%");
  form_->ALProgressBar2.SetPosition(140);  // outside the range: kept at 40
  ui_.ProcessMessages();
  EXPECT_EQ(std::string(bar->label()), "40%");
}

TEST_F(ViewTest, LogListFollowsAppendsAndClears) {
  auto* list = WidgetOf<Fl_Browser>(form_->LB1);
  ASSERT_NE(list, nullptr);
  form_->LB1.Items.Add("Create dir:");
  form_->LB1.Items.Add("@b - not a format");
  ui_.ProcessMessages();
  ASSERT_EQ(list->size(), 2);
  EXPECT_EQ(std::string(list->text(2)), "@b - not a format");
  form_->LB1.Items.Clear();
  form_->LB1.Items.Add(plat::Utf8ToCp1250("Zápis"));
  ui_.ProcessMessages();
  ASSERT_EQ(list->size(), 1);
  EXPECT_EQ(std::string(list->text(1)), "Zápis");
}

TEST_F(ViewTest, DirectoryListShowsItemsLiterallyAndTheSelection) {
  auto* choice = WidgetOf<Fl_Choice>(form_->Directory);
  ASSERT_NE(choice, nullptr);
  ASSERT_EQ(choice->size(), 5);  // four entries and the end mark
  EXPECT_EQ(choice->value(), 0);
  EXPECT_EQ(std::string(choice->menu()[1].label()), "C:\\Vorlex");
  EXPECT_EQ(std::string(choice->menu()[3].label()), ".......");
  form_->Directory.Items.Put(3, "D:\\R&D\\Vorlex");
  form_->Directory.Select(3);
  ui_.ProcessMessages();
  EXPECT_EQ(choice->value(), 3);
  EXPECT_EQ(std::string(choice->menu()[3].label()), "D:\\R&&D\\Vorlex");
}

TEST_F(ViewTest, DisabledMemosTakeNoFocusAndShowTheirLines) {
  auto* memo = WidgetOf<Fl_Text_Display>(form_->Memo2);
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->visible_focus(), 0);
  std::unique_ptr<char, decltype(&std::free)> text(memo->buffer()->text(), &std::free);
  const std::string shown(text.get());
  EXPECT_EQ(shown.substr(0, shown.find('\n')), "Vítejte v instalačním průvodci programu Vorlex.");
  EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 11);  // 12 lines
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::string why;
  if (!ui::fltk::OpenDisplay(why)) {
    std::fprintf(stderr, "view_test: %s\n", why.c_str());
    return 1;
  }
  gRoot = fs::temp_directory_path() / ("setup-view-test-" + std::to_string(getpid()));
  fs::remove_all(gRoot);
  fs::create_directories(gRoot / "payload");
  std::ofstream(gRoot / "payload" / "vx01.zip").put('\0');
  setenv("SETUP_PREFIX", (gRoot / "prefix").c_str(), 1);
  fs::current_path(gRoot / "payload");
  const int result = RUN_ALL_TESTS();
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(gRoot);
  return result;
}
