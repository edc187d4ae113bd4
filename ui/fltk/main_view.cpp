#include "ui/fltk/main_view.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>
#include <FL/Fl_Text_Editor.H>
#include <FL/fl_draw.H>

#include <cmath>
#include <optional>

#include "ui/fltk/glyphs.h"
#include "ui/fltk/text.h"
#include "ui/fltk/widgets.h"

namespace ui::fltk {

namespace {

constexpr int kComboHeight = 21;
const Fl_Color kGrayText = fl_rgb_color(109, 109, 109);

Fl_Color ColorOf(TColor color) { return fl_rgb_color(color.r, color.g, color.b); }

FontSpec FontOf(const TFont& font) {
  FontSpec chosen;
  chosen.face = font.Bold ? FL_HELVETICA_BOLD : FL_HELVETICA;
  if (font.Height > 0) {
    chosen.size = font.Height;
  } else {
    // MS Sans Serif draws as wide as Liberation Sans one pixel in eleven smaller.
    const double pixels = font.Size * 96.0 / 72.0;
    chosen.size = static_cast<int>(
        std::lround(font.Name == "MS Sans Serif" ? pixels * kControlTextSize / 11.0 : pixels));
  }
  chosen.color = ColorOf(font.Color);
  return chosen;
}

std::string Joined(const TStrings& lines) {
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) {
    if (i > 0) text += '\n';
    text += U(lines[i]);
  }
  return text;
}

// A list item's text shown as it is: FLTK would read "&" and "@" as marks.
std::string Literal(const std::string& utf8) {
  std::string shown;
  for (char c : utf8) {
    if (c == '&' || c == '@') shown += c;
    shown += c;
  }
  return shown;
}

// An update that shows `caption` through `show` whenever it differs from what was shown.
template <class Show>
std::function<void()> CaptionUpdate(const std::string& caption, Show show) {
  auto shown = std::make_shared<std::optional<std::string>>();
  return [&caption, shown, show] {
    if (*shown == caption) return;
    *shown = caption;
    show(U(caption));
  };
}

// A multi-line text box. A disabled one shows its text greyed and takes no input or focus,
// but its scroll bar, which shows only when the text is longer than the box, still scrolls
// it: a text that does not fit can be read in full. An editable one accepts edits that
// nothing reads back.
class MemoWidget : public Fl_Text_Editor {
 public:
  MemoWidget(int x, int y, int w, int h, Fl_Text_Buffer* buffer) : Fl_Text_Editor(x, y, w, h) {
    Fl_Text_Display::buffer(buffer);
  }
  bool interactive = true;
  bool readOnly = false;
  int handle(int event) override {
    if (!interactive) return ScrollOnly(event);
    if (readOnly && (event == FL_KEYBOARD || event == FL_PASTE)) {
      return Fl_Text_Display::handle(event);
    }
    return Fl_Text_Editor::handle(event);
  }

 private:
  int ScrollOnly(int event) {
    if (!mVScrollBar->visible()) return 0;
    switch (event) {
      case FL_MOUSEWHEEL:
        return Fl::event_dy() != 0 ? mVScrollBar->handle(event) : 0;
      case FL_PUSH:
        scrolling_ = Fl::event_inside(mVScrollBar) != 0;
        return scrolling_ ? mVScrollBar->handle(event) : 0;
      case FL_DRAG:
        return scrolling_ ? mVScrollBar->handle(event) : 0;
      case FL_RELEASE: {
        const int used = scrolling_ ? mVScrollBar->handle(event) : 0;
        scrolling_ = false;
        return used;
      }
      default:
        return 0;
    }
  }
  bool scrolling_ = false;
};

}  // namespace

class MainWindow : public Fl_Double_Window {
 public:
  MainWindow(setup::TForm1& form, MainView& view)
      : Fl_Double_Window(form.Left, form.Top, std::max(form.Width, 1), std::max(form.Height, 1)),
        form_(form),
        view_(view) {}

  // The background bands of the form, then the controls over them.
  void draw() override {
    if ((damage() & ~FL_DAMAGE_CHILD) != 0) {
      for (const setup::PaintBand& band : form_.FormPaint(w(), h())) {
        fl_color(ColorOf(band.color));
        fl_rectf(band.rect.left, band.rect.top, band.rect.right - band.rect.left,
                 band.rect.bottom - band.rect.top);
      }
      draw_children();
    } else {
      for (int i = 0; i < children(); ++i) update_child(*child(i));
    }
  }

  void resize(int x, int y, int w, int h) override {
    const bool sized = w != this->w() || h != this->h();
    Fl_Double_Window::resize(x, y, w, h);
    if (sized && shown()) view_.Resized();
  }

  int handle(int event) override {
    if (event == FL_HIDE && !form_.Closed()) form_.ProgramMinimized = true;
    if (event == FL_SHOW) form_.ProgramMinimized = false;
    return Fl_Double_Window::handle(event);
  }

 private:
  setup::TForm1& form_;
  MainView& view_;
};

MainView::MainView(setup::TForm1& form) : form_(form) { Build(); }

MainView::~MainView() = default;

void MainView::Build() {
  window_ = std::make_unique<MainWindow>(form_, *this);
  window_->copy_label(U(form_.Caption).c_str());
  window_->xclass("VorlexSetup");
  window_->resizable(nullptr);
  // The window has no close box: a close request from the window manager or Escape is
  // ignored; the wizard's buttons end the program.
  window_->callback([](Fl_Widget*, void*) {});
  window_->user_data(this);

  const TPageControl& pages = form_.pages;
  pages_ = new Fl_Group(pages.Left, pages.Top, pages.Width, pages.Height);
  pages_->box(FL_UP_BOX);
  for (int i = 0; i < pages.PageCount(); ++i) {
    auto* page = new Fl_Group(pages.Left, pages.Top, pages.Width, pages.Height);
    page->box(FL_NO_BOX);
    page->end();
    page->hide();
    pageGroups_.push_back(page);
  }
  pages_->end();
  pages_->resizable(nullptr);
  window_->end();
  Fl_Group::current(nullptr);

  for (TControl* control : form_.Controls()) Bind(*control);
  Fl_Group::current(nullptr);
  Sync();
}

Fl_Group* MainView::ParentOf(const TControl& control) {
  if (control.Page < 0 || control.Page >= static_cast<int>(pageGroups_.size())) {
    return window_.get();
  }
  return pageGroups_[static_cast<std::size_t>(control.Page)];
}

void MainView::AfterUserAction() {
  if (window_) Sync();
}

void MainView::Bind(TControl& control) {
  Fl_Group* parent = ParentOf(control);
  const int x = (parent == window_.get() ? 0 : parent->x()) + control.Left;
  const int y = (parent == window_.get() ? 0 : parent->y()) + control.Top;
  parent->begin();
  Binding binding = VisitControl(control, [&](auto& typed) { return Bind(typed, x, y); });
  parent->end();
  if (binding.widget != nullptr) bindings_.push_back(std::move(binding));
}

MainView::Binding MainView::Bind(TBevel& bevel, int x, int y) {
  return {&bevel, new Fl_Box(FL_THIN_DOWN_FRAME, x, y, bevel.Width, bevel.Height, nullptr), {}};
}

MainView::Binding MainView::Bind(TImage& image, int x, int y) {
  return {&image, new PictureBox(x, y, image.Width, image.Height, image.Picture), {}};
}

// The main window holds no directory tree.
MainView::Binding MainView::Bind(TDirTree& tree, int, int) { return {&tree, nullptr, {}}; }

MainView::Binding MainView::Bind(TLabel& label, int x, int y) {
  auto* widget = new LabelWidget(x, y, label.Width, label.Height, FontOf(label.Font),
                                 label.Transparent, label.Alignment == TAlignment::kCenter);
  return {&label, widget, CaptionUpdate(label.Caption, [widget](const std::string& text) {
            widget->SetText(text);
          })};
}

MainView::Binding MainView::Bind(TMemo& memo, int x, int y) {
  Fl_Text_Buffer* buffer = buffers_.emplace_back(std::make_unique<Fl_Text_Buffer>()).get();
  auto* widget = new MemoWidget(x, y, memo.Width, memo.Height, buffer);
  widget->box(FL_DOWN_BOX);
  widget->color(FL_WHITE);
  const FontSpec font = FontOf(form_.Font);
  widget->textfont(font.face);
  widget->textsize(font.size);
  widget->cursor_style(Fl_Text_Display::SIMPLE_CURSOR);
  // The explanatory texts wrap at the box's edge; the vertical scroll bar shows only when
  // the lines are more than the box holds.
  if (!memo.ScrollBars) widget->wrap_mode(Fl_Text_Display::WRAP_AT_BOUNDS, 0);
  struct Shown {
    std::optional<std::vector<std::string>> lines;
    bool enabled = true;
    bool readOnly = false;
  };
  auto shown = std::make_shared<Shown>();
  return {&memo, widget, [widget, buffer, shown, &memo] {
            if (shown->lines == memo.Lines.Lines() && shown->enabled == memo.Enabled &&
                shown->readOnly == memo.ReadOnly) {
              return;
            }
            widget->interactive = memo.Enabled;
            widget->readOnly = memo.ReadOnly;
            widget->visible_focus(memo.Enabled ? 1 : 0);
            widget->textcolor(memo.Enabled ? FL_BLACK : kGrayText);
            if (!memo.Enabled || memo.ReadOnly) widget->hide_cursor();
            if (shown->lines != memo.Lines.Lines()) buffer->text(Joined(memo.Lines).c_str());
            shown->lines = memo.Lines.Lines();
            shown->enabled = memo.Enabled;
            shown->readOnly = memo.ReadOnly;
            widget->redraw();
          }};
}

MainView::Binding MainView::Bind(TBitBtn& button, int x, int y) {
  auto* widget = new GlyphButton(x, y, button.Width, button.Height, button.Glyph);
  widget->callback(
      [](Fl_Widget* w, void* data) {
        auto* view = static_cast<MainView*>(w->window()->user_data());
        view->form_.Click(*static_cast<TBitBtn*>(data));
        view->AfterUserAction();
      },
      &button);
  return {&button, widget, CaptionUpdate(button.Caption, [widget](const std::string& text) {
            widget->SetCaption(text);
          })};
}

MainView::Binding MainView::Bind(TComboBox& combo, int x, int y) {
  auto* widget = new Fl_Choice(x, y, combo.Width, kComboHeight);
  widget->textfont(FL_HELVETICA);
  widget->textsize(kControlTextSize);
  widget->down_box(FL_FLAT_BOX);
  widget->when(FL_WHEN_RELEASE_ALWAYS);
  widget->callback([](Fl_Widget* w, void*) {
    auto* view = static_cast<MainView*>(w->window()->user_data());
    view->form_.ChooseDirectory(static_cast<Fl_Choice*>(w)->value());
    view->AfterUserAction();
  });
  struct Menu {
    std::vector<std::string> labels;
    std::vector<Fl_Menu_Item> items;
    std::vector<std::string> source;
  };
  auto menu = std::make_shared<Menu>();
  return {&combo, widget, [widget, menu, &combo] {
            if (combo.Items.Lines() != menu->source) {
              menu->source = combo.Items.Lines();
              menu->labels.clear();
              for (const std::string& item : menu->source) menu->labels.push_back(Literal(U(item)));
              menu->items.assign(menu->labels.size() + 1, Fl_Menu_Item{});
              for (std::size_t i = 0; i < menu->labels.size(); ++i) {
                menu->items[i].text = menu->labels[i].c_str();
                menu->items[i].labelfont_ = FL_HELVETICA;
                menu->items[i].labelsize_ = kControlTextSize;
              }
              widget->menu(menu->items.data());
              widget->redraw();
            }
            if (widget->value() != combo.ItemIndex) {
              widget->value(combo.ItemIndex);
              widget->redraw();
            }
          }};
}

MainView::Binding MainView::Bind(TCheckListBox& list, int x, int y) {
  auto* widget = new CheckList(x, y, list.Width, list.Height);
  widget->checked = [&list](int index) { return list.Checked(index); };
  widget->onToggle = [this](int index) {
    form_.ToggleIcon(index);
    AfterUserAction();
  };
  widget->onClick = [this] {
    form_.ProgIconClick();
    AfterUserAction();
  };
  struct Shown {
    std::optional<std::vector<std::string>> items;
    std::vector<bool> checks;
  };
  auto shown = std::make_shared<Shown>();
  return {&list, widget, [widget, shown, &list] {
            std::vector<bool> checks;
            for (int i = 0; i < list.Items.Count(); ++i) checks.push_back(list.Checked(i));
            if (shown->items == list.Items.Lines() && shown->checks == checks) return;
            if (shown->items != list.Items.Lines()) {
              std::vector<std::string> items;
              for (const std::string& item : list.Items.Lines()) items.push_back(U(item));
              widget->SetItems(items);
              shown->items = list.Items.Lines();
            }
            shown->checks = std::move(checks);
            widget->redraw();
          }};
}

MainView::Binding MainView::Bind(TListBox& list, int x, int y) {
  auto* widget = new Fl_Hold_Browser(x, y, list.Width, list.Height);
  // Lines are shown as written: the format character is set to 0xFF, a byte that valid
  // UTF-8 never holds. (A zero would make FLTK's width measure step past each line's end.)
  widget->format_char(static_cast<char>(0xFF));
  widget->textfont(FL_HELVETICA);
  widget->textsize(kControlTextSize);
  widget->color(FL_WHITE);
  auto applied = std::make_shared<std::vector<std::string>>();
  return {&list, widget, [widget, applied, &list] {
            const std::vector<std::string>& lines = list.Items.Lines();
            if (lines == *applied) return;
            const bool grows = lines.size() > applied->size() &&
                               std::equal(applied->begin(), applied->end(), lines.begin());
            if (!grows) {
              widget->clear();
              applied->clear();
            }
            for (std::size_t i = applied->size(); i < lines.size(); ++i)
              widget->add(U(lines[i]).c_str());
            *applied = lines;
          }};
}

MainView::Binding MainView::Bind(TProgressBar& bar, int x, int y) {
  auto* widget = new Fl_Progress(x, y, bar.Width, bar.Height);
  widget->minimum(static_cast<float>(TProgressBar::Min));
  widget->maximum(static_cast<float>(TProgressBar::Max));
  widget->box(FL_DOWN_BOX);
  widget->color(FL_WHITE);
  widget->selection_color(fl_rgb_color(0, 120, 215));
  widget->labelsize(kControlTextSize);
  widget->labelcolor(FL_BLACK);
  return {&bar, widget, [widget, &bar] {
            if (static_cast<int>(widget->value()) != bar.Position() || widget->label() == nullptr) {
              widget->value(static_cast<float>(bar.Position()));
              widget->copy_label(bar.Text().c_str());
            }
          }};
}

void MainView::Sync() {
  const TPageControl& pages = form_.pages;
  if (pages_->x() != pages.Left || pages_->y() != pages.Top) {
    pages_->position(pages.Left, pages.Top);
    window_->redraw();
  }
  if (shownPage_ != pages.ActivePageIndex()) {
    for (std::size_t i = 0; i < pageGroups_.size(); ++i) {
      static_cast<int>(i) == pages.ActivePageIndex() ? pageGroups_[i]->show()
                                                     : pageGroups_[i]->hide();
    }
    shownPage_ = pages.ActivePageIndex();
    pages_->redraw();
  }
  for (Binding& binding : bindings_) {
    const TControl& control = *binding.control;
    if (control.Visible && !binding.widget->visible()) {
      binding.widget->show();
    } else if (!control.Visible && binding.widget->visible()) {
      binding.widget->hide();
      if (binding.widget->parent() != nullptr) binding.widget->parent()->redraw();
    }
    if (control.Kind != ControlKind::kMemo) {
      if (control.Enabled && !binding.widget->active()) binding.widget->activate();
      if (!control.Enabled && binding.widget->active()) binding.widget->deactivate();
    }
    if (binding.update) binding.update();
  }
}

void MainView::Show() {
  form_.FormShow();
  Sync();
  window_->show();
  shown_ = true;
  Resized();
  if (form_.MinimizeAfterShow) {
    form_.MinimizeAfterShow = false;
    window_->iconize();
  }
  Fl::flush();
}

void MainView::Hide() {
  if (window_) window_->hide();
  Fl::flush();
}

WindowPlacementInfo MainView::Placement() const {
  WindowPlacementInfo placement;
  placement.showCmd = form_.WindowState == TWindowState::kMaximized ? 3 : 1;
  placement.left = window_->x();
  placement.top = window_->y();
  placement.right = window_->x() + window_->decorated_w();
  placement.bottom = window_->y() + window_->decorated_h();
  return placement;
}

void MainView::Resized() {
  if (!shown_) return;
  form_.Left = window_->x();
  form_.Top = window_->y();
  form_.Width = window_->decorated_w();
  form_.Height = window_->decorated_h();
  form_.FormResize();
  Sync();
  window_->redraw();
}

}  // namespace ui::fltk
