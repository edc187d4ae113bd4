// The FLTK view against the form's controls, in process on a virtual display: where each
// control's widget stands, that the widgets follow the controls after handlers and message
// processing, that texts arrive converted from code page 1250, and that every text fits the
// room its control gives it, measured with the toolkit's own text extent.

#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Text_Display.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
// Fl_Text_Display.H brings in Xlib, whose None and Bool macros break GoogleTest's names.
#undef None
#undef Bool
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"
#include "platform/codepage.h"
#include "tests/gui/text_fit.h"
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

  // The widget of `control` as a `W`; when there is none, that is one more misfit.
  template <class W>
  W* WidgetOf(const ui::TControl& control, std::vector<std::string>& misfits) {
    W* widget = WidgetOf<W>(control);
    if (widget == nullptr) misfits.push_back(control.Name + ": no widget");
    return widget;
  }

  // Every text of both windows that does not fit its control, measured in its widget's font
  // with FLTK's own text extent: label and button captions, check-list items and the lines
  // of the memos that cannot scroll. A label that sizes itself must stay inside its page and
  // clear of the controls beside it. Each misfit is named with its control and sizes.
  std::vector<std::string> Misfits() {
    Fl::flush();  // the widgets lay out their texts when drawn
    std::vector<std::string> found;
    auto report = [&found](const std::string& name, const std::string& text, int need, int room) {
      found.push_back(name + " \"" + text + "\": needs " + std::to_string(need) + ", has " +
                      std::to_string(room));
    };
    auto buttonFits = [&report](const std::string& name, const ui::fltk::GlyphButton& button) {
      const int room = button.w() - Fl::box_dw(button.box());
      if (button.ContentWidth() > room) report(name, button.Caption(), button.ContentWidth(), room);
    };
    const std::vector<ui::TControl*> controls = form_->Controls();
    for (ui::TControl* control : controls) {
      if (control == &form_->Memo6) continue;  // the hidden message table
      switch (control->Kind) {
        case ui::ControlKind::kLabel: {
          auto* label = WidgetOf<ui::fltk::LabelWidget>(*control, found);
          if (label == nullptr) break;
          fl_font(label->Font().face, label->Font().size);
          int width = 0, height = 0;
          fl_measure(label->Text().c_str(), width, height, 0);
          if (width > label->w()) report(control->Name, label->Text(), width, label->w());
          if (height > label->h()) report(control->Name, label->Text(), height, label->h());
          // A label that sizes itself stays inside its page and clear of its neighbours.
          if (control->Page < 0 || control->Width != 0) break;
          const int right = form_->pages.Left + form_->pages.Width;
          if (label->x() + label->w() > right) {
            report(control->Name, label->Text(), label->x() + label->w(), right);
          }
          for (ui::TControl* other : controls) {
            if (other == control || other->Page != control->Page || !other->Visible ||
                other->Kind == ui::ControlKind::kBevel || other->Width == 0) {
              continue;
            }
            const int otherHeight = other->Height > 0 ? other->Height : 21;
            const bool rows =
                control->Top < other->Top + otherHeight && other->Top < control->Top + label->h();
            const int end = control->Left + label->w();
            if (rows && control->Left < other->Left + other->Width && other->Left < end) {
              report(control->Name + " over " + other->Name, label->Text(), end, other->Left);
            }
          }
          break;
        }
        case ui::ControlKind::kButton: {
          auto* button = WidgetOf<ui::fltk::GlyphButton>(*control, found);
          if (button != nullptr) buttonFits(control->Name, *button);
          break;
        }
        case ui::ControlKind::kCheckListBox: {
          auto* list = WidgetOf<ui::fltk::CheckList>(*control, found);
          if (list == nullptr) break;
          fl_font(FL_HELVETICA, ui::fltk::kControlTextSize);
          for (const std::string& item : list->Items()) {
            const int width = static_cast<int>(fl_width(item.c_str()));
            if (width > list->TextWidth()) report(control->Name, item, width, list->TextWidth());
          }
          const int rows = static_cast<int>(list->Items().size()) * list->kRowHeight;
          const int room = list->h() - Fl::box_dh(list->box());
          if (rows > room) report(control->Name, "rows", rows, room);
          break;
        }
        case ui::ControlKind::kMemo: {
          if (static_cast<const ui::TMemo&>(*control).ScrollBars) break;  // scrolls both ways
          auto* memo = WidgetOf<Fl_Text_Display>(*control, found);
          if (memo == nullptr) break;
          // The text area inside the frame and Fl_Text_Display's margins (3 at the sides, 1
          // above and below).
          const int width = memo->w() - Fl::box_dw(memo->box()) - 2 * 3;
          const int height = memo->h() - Fl::box_dh(memo->box()) - 2 * 1;
          fl_font(memo->textfont(), memo->textsize());
          std::unique_ptr<char, decltype(&std::free)> text(memo->buffer()->text(), &std::free);
          std::string all(text.get());
          int lines = 0;
          for (std::size_t at = 0; at <= all.size(); ++lines) {
            const std::size_t end = std::min(all.find('\n', at), all.size());
            std::string line = all.substr(at, end - at);
            while (!line.empty() && line.back() == ' ') line.pop_back();  // wraps unseen
            const int need = static_cast<int>(fl_width(line.c_str()));
            if (need > width) report(control->Name, line, need, width);
            at = end + 1;
          }
          if (lines * fl_height() > height) {
            report(control->Name, std::to_string(lines) + " lines", lines * fl_height(), height);
          }
          break;
        }
        default:
          break;
      }
    }
    // The picker: its path label within the window, its buttons' captions.
    Fl_Window* picker = ui_.PickerWindow();
    if (picker == nullptr) {
      found.push_back("no picker window");
      return found;
    }
    for (int i = 0; i < picker->children(); ++i) {
      if (auto* label = dynamic_cast<ui::fltk::LabelWidget*>(picker->child(i))) {
        if (label->x() + label->w() > picker->w()) {
          report("picker Label1", label->Text(), label->x() + label->w(), picker->w());
        }
      } else if (auto* button = dynamic_cast<ui::fltk::GlyphButton*>(picker->child(i))) {
        buttonFits("picker button", *button);
      }
    }
    return found;
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

// Every text on every page, as built in and as the install run and the picker change them.
TEST_F(ViewTest, EveryTextFitsItsControl) {
  ExpectEveryTextFits(*form_, *picker_, [this] { return Misfits(); });
}

// A label whose text gets shorter leaves nothing of the longer text on screen.
TEST_F(ViewTest, AShorterLabelTextLeavesNoPixelsOfTheLongerOne) {
  form_->pages.SetActivePageIndex(setup::kProgressPage);
  auto* label = WidgetOf<ui::fltk::LabelWidget>(form_->Label8);
  ASSERT_NE(label, nullptr);
  // The built-in caption, then a shorter one (as the run's end puts there).
  form_->Label8.Caption = plat::Utf8ToCp1250("Probíhá instalace programu");
  ui_.ProcessMessages();
  Fl::flush();
  const int longRight = label->x() + label->w();
  form_->Label8.Caption = "Hotovo";
  ui_.ProcessMessages();
  Fl::flush();
  const int left = label->x() + label->w() + 2, top = label->y(), width = longRight - left;
  ASSERT_GT(width, 20);
  window_->make_current();
  std::unique_ptr<uchar[]> pixels(fl_read_image(nullptr, left, top, width, label->h()));
  ASSERT_NE(pixels, nullptr);
  uchar r = 0, g = 0, b = 0;
  Fl::get_color(FL_BACKGROUND_COLOR, r, g, b);
  int other = 0;
  for (int i = 0; i < width * label->h(); ++i) {
    if (pixels[3 * i] != r || pixels[3 * i + 1] != g || pixels[3 * i + 2] != b) ++other;
  }
  EXPECT_EQ(other, 0) << "pixels of the old text right of the new one";
}

// The picker's first selection, its label and what OK returns are one folder: the start
// folder as far as it exists, or the first drive's root when its drive is not offered.
TEST_F(ViewTest, PickerShowsWhatOkReturns) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {form_->SourceFolder, form_->SourceFolder},
      {"C:\\Gone\\Deeper", "C:\\"},
      {"Q:\\Setup", "C:\\"},  // a drive the tree does not offer (a CD-ROM)
  };
  std::vector<std::unique_ptr<ui::TForm2>> pickers;  // each one new to the view
  for (const auto& [start, shown] : cases) {
    ui::TForm2& picker = *pickers.emplace_back(std::make_unique<ui::TForm2>(start));
    picker.Result = ui::ModalResult::kOK;  // pressed as soon as it is shown
    EXPECT_EQ(ui_.ShowPicker(picker), ui::ModalResult::kOK) << start;
    EXPECT_EQ(picker.dirtree.Directory, shown) << start;
    EXPECT_EQ(picker.Label1.Caption, shown) << start;
    Fl_Window* window = ui_.PickerWindow();
    ASSERT_NE(window, nullptr);
    std::string label;
    for (int i = 0; i < window->children(); ++i) {
      if (auto* widget = dynamic_cast<ui::fltk::LabelWidget*>(window->child(i))) {
        label = widget->Text();
      }
    }
    EXPECT_EQ(label, plat::Cp1250ToUtf8(shown)) << start;
  }
}

// The placement keys hold the window's own rectangle; X keeps no minimised or maximised
// positions.
TEST_F(ViewTest, PlacementIsSavedAsTheWindowHasIt) {
  form_->Close();
  std::ifstream ini(gRoot / "payload" / "setup.ini", std::ios::binary);
  std::map<std::string, std::string> keys;
  for (std::string line; std::getline(ini, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) keys.emplace(line.substr(0, equals), line.substr(equals + 1));
  }
  ini.close();
  fs::remove(gRoot / "payload" / "setup.ini");
  EXPECT_EQ(keys["Flags"], "0");
  EXPECT_EQ(keys["ShowCmd"], "3");
  EXPECT_EQ(keys["MinMaxPos"], "-1,-1,-1,-1");
  EXPECT_EQ(keys["NormPos"], "0,0," + std::to_string(window_->decorated_w()) + "," +
                                 std::to_string(window_->decorated_h()));
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
