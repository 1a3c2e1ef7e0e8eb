// SPDX-License-Identifier: Apache-2.0
#include "ui/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "ui/control_widgets.h"
#include "ui/translation.h"
#include "ui/win1252.h"

namespace tagline::ui {

namespace {

using app::ControlKind;
namespace ctl = app::ctl;
namespace menu = app::menu;
namespace notify = app::notify;

struct MenuEntry {
  const char* text;  // "&" before the mnemonic
  int command;
  bool checkable = false;  // a switch that shows whether it is on
  // The same keys on every desktop (a platform theme may name none for Quit).
  QKeySequence shortcut = {};
};

struct MenuDefinition {
  const char* title;
  std::vector<MenuEntry> entries;
};

const std::vector<MenuDefinition>& Menus() {
  static const std::vector<MenuDefinition> menus = {
      {"&File", {{"&Quit", menu::kQuit, false, QKeySequence(Qt::CTRL | Qt::Key_Q)}}},
      {"&Edit", {{"&Clear", menu::kEditClear}}},
      {"&Settings",
       {{"&Port", menu::kPort},
        {"&Device Manager", menu::kDeviceManager},
        {"D&B", menu::kDb},
        {"&Config", menu::kConfig},
        {"&Online", menu::kOnline}}},
      {"&Reader",
       {{"&Save reader configuration...", menu::kSaveConfiguration},
        {"&Apply reader configuration...", menu::kApplyConfiguration}}},
      {"&View",
       {{"Record &Trace", menu::kRecordTrace, true},
        {"Received in &Hex", menu::kHexView, true},
        {"Times &before Lines", menu::kPaneTimestamps, true}}},
      {"&?", {{"&Info", menu::kInfo, false, QKeySequence(Qt::Key_F1)}}},
  };
  return menus;
}

// The fields that report Enter to the window, with the message each one sends.
const char* EnterMessage(int id) {
  if (id == ctl::kToSend) return app::kEditCompleteMessage;
  if (id == ctl::kKeyboardField) return app::kEdit2CompleteMessage;
  return nullptr;
}

QLabel* NewLabel(ControlKind kind, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  if (kind == ControlKind::Result) {
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  } else if (kind == ControlKind::GroupTitle) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
  }
  return label;
}

}  // namespace

MainWindow::MainWindow(app::MainDialog& dialog, QWidget* parent)
    : QMainWindow(parent), dialog_(dialog), model_(dialog.controls()) {
  setWindowTitle(Shown(title_));
  BuildMenus();
  BuildControls();
  LayOut();
  for (const int id : model_.ids()) Refresh(id, true);
  UpdateAreaVisibility();
  UpdateAccessibleNames();
  model_.SetObserver([this](int id) {
    const auto shown = placed_.find(id);
    const std::string before = shown != placed_.end() ? shown->second.state.text : std::string();
    Refresh(id);
    // A row label whose text changes renames its row.
    const app::ControlState& state = model_.at(id);
    if (state.kind == app::ControlKind::Label && state.column == 0 && state.text != before) {
      UpdateAccessibleNames();
    }
  });
  FitToContents();
}

MainWindow::~MainWindow() {
  model_.SetObserver(nullptr);
}

QWidget* MainWindow::ControlWidget(int id) const {
  const auto it = placed_.find(id);
  return it == placed_.end() ? nullptr : it->second.widget;
}

QAction* MainWindow::MenuAction(int commandId) const {
  const auto it = actions_.find(commandId);
  return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::BuildMenus() {
  for (const MenuDefinition& definition : Menus()) {
    QMenu* menu = menuBar()->addMenu(Shown(definition.title));
    menuTexts_.emplace_back(menu->menuAction(), definition.title);
    for (const MenuEntry& entry : definition.entries) {
      QAction* action = menu->addAction(Shown(entry.text));
      menuTexts_.emplace_back(action, entry.text);
      action->setCheckable(entry.checkable);
      if (!entry.shortcut.isEmpty()) action->setShortcut(entry.shortcut);
      const int command = entry.command;
      connect(action, &QAction::triggered, this, [this, command, action] {
        dialog_.OnCommand(command);
        // A recording asks for its file first, and may not start.
        if (command == menu::kRecordTrace) action->setChecked(dialog_.recordingTrace());
      });
      actions_[command] = action;
    }
  }
  // F10 opens the menu bar, as it does in the desktops' own programs.
  auto* menuKey = new QAction(this);
  menuKey->setShortcut(Qt::Key_F10);
  connect(menuKey, &QAction::triggered, this, [this] {
    if (!menuBar()->actions().isEmpty()) menuBar()->setActiveAction(menuBar()->actions().front());
  });
  addAction(menuKey);
}

void MainWindow::SetTitle(std::string title) {
  title_ = std::move(title);
  setWindowTitle(Shown(title_));
}

void MainWindow::Retranslate() {
  setWindowTitle(Shown(title_));
  for (const auto& [action, text] : menuTexts_) action->setText(Shown(text));
  for (const int id : model_.ids()) Refresh(id, true);
  UpdateAreaVisibility();
  UpdateAccessibleNames();
  ScheduleFit();
}

void MainWindow::BuildControls() {
  terminal_ = new QFrame(this);
  lower_ = new QFrame(this);
  for (const int id : model_.ids()) {
    const app::ControlState& state = model_.at(id);
    QWidget* widget = nullptr;
    if (state.kind == ControlKind::Frame) {
      // An area's frame is the container of that area.
      widget = state.area == app::ControlArea::Terminal ? terminal_ : lower_;
    } else if (state.kind != ControlKind::Marker) {
      widget = CreateWidget(state);
      widget->setObjectName(QStringLiteral("control%1").arg(id));
      ConnectInput(id, widget);
    }
    if (widget == nullptr) continue;
    Placed& placed = placed_[id];
    placed.widget = widget;
    placed.defaultAutoFill = widget->autoFillBackground();
  }
}

QWidget* MainWindow::CreateWidget(const app::ControlState& state) {
  switch (state.kind) {
    case ControlKind::Label:
    case ControlKind::Result:
    case ControlKind::GroupTitle:
      return NewLabel(state.kind, this);
    case ControlKind::Button: {
      auto* button = new QPushButton(this);
      // As in a dialog, Enter on a focused button presses it.
      button->setAutoDefault(true);
      return button;
    }
    case ControlKind::PushCheck: {
      auto* button = new QPushButton(this);
      button->setCheckable(true);
      return button;
    }
    case ControlKind::CheckBox:
      return new QCheckBox(this);
    case ControlKind::Edit:
      if (EnterMessage(state.id) != nullptr) return new EnterLineEdit(this);
      return new QLineEdit(this);
    case ControlKind::Pane:
      return new PaneEdit(this);
    case ControlKind::Combo:
      return new DropDownCombo(this);
    case ControlKind::EditCombo: {
      auto* combo = new DropDownCombo(this);
      combo->setEditable(true);
      combo->setInsertPolicy(QComboBox::NoInsert);
      return combo;
    }
    case ControlKind::CheckListCombo:
      return new CheckListCombo(this);
    case ControlKind::Spin:
      return new SpinArrows(this);
    case ControlKind::Progress: {
      auto* bar = new QProgressBar(this);
      bar->setTextVisible(false);
      return bar;
    }
    case ControlKind::Frame:
    case ControlKind::Marker:
      break;
  }
  return nullptr;
}

void MainWindow::ConnectInput(int id, QWidget* widget) {
  if (auto* edit = qobject_cast<EnterLineEdit*>(widget)) {
    connect(edit, &EnterLineEdit::enterPressed, this,
            [this, id] { dialog_.OnRegisteredMessage(EnterMessage(id), id); });
  }
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    connect(edit, &QLineEdit::textEdited, this, [this, id, edit](const QString& text) {
      OnUserText(id, edit, text);
      dialog_.OnCommand(id, notify::kEditChange);
    });
  } else if (auto* checkList = qobject_cast<CheckListCombo*>(widget)) {
    // The window text of a check-list combo is its display text.
    connect(checkList, &CheckListCombo::checkToggled, this, [this, id, checkList](int index) {
      model_.UserSetItemCheck(id, index, checkList->IsChecked(index));
      const std::string text = ToWin1252(checkList->DisplayText());
      model_.UserSetText(id, text);
      placed_[id].state.text = text;
      dialog_.OnCommand(id, notify::kSelChange);
    });
  } else if (auto* combo = qobject_cast<DropDownCombo*>(widget)) {
    connect(combo, &QComboBox::activated, this, [this, id](int index) {
      model_.UserSetSelection(id, index);
      placed_[id].state.selection = model_.at(id).selection;
      placed_[id].state.text = model_.at(id).text;
      dialog_.OnCommand(id, notify::kSelChange);
    });
    if (QLineEdit* edit = combo->lineEdit()) {
      connect(edit, &QLineEdit::textEdited, this,
              [this, id, edit](const QString& text) { OnUserText(id, edit, text); });
    }
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    const bool checkable = button->isCheckable();
    connect(button, &QAbstractButton::clicked, this, [this, id, checkable](bool checked) {
      if (checkable) {
        model_.UserSetChecked(id, checked);
        placed_[id].state.checked = checked;
      }
      dialog_.OnCommand(id);
    });
  } else if (auto* spin = qobject_cast<SpinArrows*>(widget)) {
    // The up arrow of an up-down control reports a negative delta.
    connect(spin, &SpinArrows::stepped, this,
            [this, id](int step) { dialog_.OnDeltaPos(id, -step); });
  }
  if (auto* combo = qobject_cast<DropDownCombo*>(widget)) {
    connect(combo, &DropDownCombo::aboutToDropDown, this,
            [this, id] { dialog_.OnCommand(id, notify::kDropDown); });
    connect(combo, &DropDownCombo::focusGained, this,
            [this, id] { dialog_.OnCommand(id, notify::kSetFocus); });
    connect(combo, &DropDownCombo::focusLost, this,
            [this, id] { dialog_.OnCommand(id, notify::kKillFocus); });
  }
}

void MainWindow::OnUserText(int id, QWidget* widget, const QString& text) {
  const std::string bytes = ToWin1252(text);
  model_.UserSetText(id, bytes);
  placed_[id].state.text = bytes;
  // Show at once what the program keeps: characters outside Windows-1252 become '?'.
  const QString kept = FromWin1252(bytes);
  auto* edit = qobject_cast<QLineEdit*>(widget);
  if (edit != nullptr && kept != text) {
    const int cursor = edit->cursorPosition();
    edit->setText(kept);
    edit->setCursorPosition(std::min<int>(cursor, static_cast<int>(kept.size())));
  }
}

void MainWindow::ScrollToEnd(int id) {
  if (auto* pane = qobject_cast<PaneEdit*>(ControlWidget(id))) pane->ScrollToEnd();
}

void MainWindow::SelectAllText(int id) {
  QWidget* widget = ControlWidget(id);
  if (auto* combo = qobject_cast<QComboBox*>(widget)) widget = combo->lineEdit();
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
  if (auto* pane = qobject_cast<PaneEdit*>(widget)) pane->selectAll();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  // Keys no control took: Enter and Esc end the program like the hidden OK and Cancel
  // buttons of a dialog.
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      dialog_.OnCommand(ctl::kOk);
      return;
    case Qt::Key_Escape:
      event->accept();
      dialog_.OnCommand(ctl::kCancel);
      return;
    default:
      QMainWindow::keyPressEvent(event);
  }
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Once framed, the window is fitted again with the frame it really has.
  QTimer::singleShot(200, this, &MainWindow::FitToContents);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!dialog_.ended()) dialog_.OnClose();
  // Auxiliary windows go with the main window.
  for (QWidget* child : findChildren<QWidget*>()) {
    if (child->isWindow() && child->isVisible()) child->close();
  }
  event->accept();
}

}  // namespace tagline::ui
