// SPDX-License-Identifier: Apache-2.0
// The main window on Qt, bound generically to the controller's control model: one widget
// per control, placed by area, row and column, refreshed when the model reports a change;
// user input goes back to the model and the controller's message map.
#pragma once

#include <QMainWindow>
#include <map>

#include "app/control_model.h"

class QAction;
class QFrame;
class QGridLayout;

namespace tagline::app {
class MainDialog;
}

namespace tagline::ui {

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(app::MainDialog& dialog, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The widget that shows a control; nullptr for controls without one (layout markers).
  QWidget* ControlWidget(int id) const;
  // The menu entry of a command identifier, nullptr if the menu has none.
  QAction* MenuAction(int commandId) const;

  // View services of the host.
  void ScrollToEnd(int id);
  void SelectAllText(int id);
  // Sets the height to what the shown areas need (the width stays).
  void FitToContents();
  // The caption, in English; it is shown in the user's language.
  void SetTitle(std::string title);
  // Shows every caption, menu and name again in the language now installed.
  void Retranslate();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct Placed {
    app::ControlState state;  // as last shown (or last set by the user)
    QWidget* widget = nullptr;
    bool defaultAutoFill = false;
  };

  // main_window.cpp
  void BuildMenus();
  void BuildControls();
  QWidget* CreateWidget(const app::ControlState& state);
  void ConnectInput(int id, QWidget* widget);
  void OnUserText(int id, QWidget* widget, const QString& text);

  // main_window_layout.cpp
  void LayOut();
  void LayOutTerminal(const std::vector<int>& ids);
  void LayOutGroup(QGridLayout* grid, const std::vector<int>& ids);
  void UpdateAreaVisibility();
  void ScheduleFit();

  // main_window_refresh.cpp
  void Refresh(int id, bool force = false);
  // accessible_names.cpp: every control named for screen readers, after its row's label.
  void UpdateAccessibleNames();
  bool ApplyText(const Placed& placed, const app::ControlState& state, bool force);
  bool ApplyItems(Placed& placed, const app::ControlState& state, bool force);
  static void ApplyColors(Placed& placed, const app::ControlState& state);

  app::MainDialog& dialog_;
  app::ControlModel& model_;
  std::map<int, Placed> placed_;
  std::map<int, QAction*> actions_;
  std::vector<std::pair<QAction*, const char*>> menuTexts_;  // menus and entries, English
  std::string title_ = "Tagline Console";
  QFrame* terminal_ = nullptr;  // the terminal area
  QWidget* content_ = nullptr;  // both areas, inside the scroll area
  // The width the window opens with where the screen has room.
  static constexpr int kNaturalWidth = 900;
  // A window manager's title bar and borders, as far as they are not known yet.
  static constexpr int kFrameAllowance = 40;
  QFrame* lower_ = nullptr;  // the one place of the three groups
  std::map<app::ControlArea, QWidget*> groups_;
  int appliedFocus_ = 0;
  bool fitPending_ = false;
};

}  // namespace tagline::ui
