// The main window TForm1 on screen: the gradient background, the title, the page control
// with every control of every page, kept in step with the form's controls by Sync().
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"

class Fl_Double_Window;
class Fl_Group;
class Fl_Text_Buffer;
class Fl_Widget;

namespace ui::fltk {

class MainWindow;

class MainView {
 public:
  explicit MainView(setup::TForm1& form);
  ~MainView();
  MainView(const MainView&) = delete;
  MainView& operator=(const MainView&) = delete;

  // The first show: the form's FormShow (text overrides, maximised state), then the window
  // on screen, sized as the form says, and its resize handling.
  void Show();
  void Hide();
  // Brings every widget in line with its control and the page control with `pages`.
  void Sync();
  // The window's outer size changed (or is known for the first time).
  void Resized();
  // The window's placement: X keeps no minimised or maximised positions, and the window is
  // never resized by a maximise of the window manager (it is made as large as the screen),
  // so its normal rectangle is the one it has, frame included.
  WindowPlacementInfo Placement() const;

 private:
  struct Binding {
    TControl* control;
    Fl_Widget* widget;
    std::function<void()> update;
  };

  void Build();
  Fl_Group* ParentOf(const TControl& control);
  // A widget for `control` in its page (or the window), kept in step by its binding's update.
  void Bind(TControl& control);
  // The widget of each kind of control at (x, y) of the window, in the current group.
  Binding Bind(TLabel& label, int x, int y);
  Binding Bind(TMemo& memo, int x, int y);
  Binding Bind(TBitBtn& button, int x, int y);
  Binding Bind(TBevel& bevel, int x, int y);
  Binding Bind(TImage& image, int x, int y);
  Binding Bind(TComboBox& combo, int x, int y);
  Binding Bind(TCheckListBox& list, int x, int y);
  Binding Bind(TListBox& list, int x, int y);
  Binding Bind(TProgressBar& bar, int x, int y);
  Binding Bind(TDirTree& tree, int x, int y);
  void AfterUserAction();

  setup::TForm1& form_;
  std::vector<std::unique_ptr<Fl_Text_Buffer>> buffers_;
  std::unique_ptr<MainWindow> window_;
  Fl_Group* pages_ = nullptr;
  std::vector<Fl_Group*> pageGroups_;
  std::vector<Binding> bindings_;
  int shownPage_ = -1;
  bool shown_ = false;
};

}  // namespace ui::fltk
