// SPDX-License-Identifier: Apache-2.0
// Showing the model's state in the widgets. Each property is set only when it differs
// from what is shown, so that a refresh never disturbs the user's cursor or selection.
#include <QAbstractButton>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalBlocker>

#include "app/control_ids.h"
#include "ui/control_widgets.h"
#include "ui/main_window.h"
#include "ui/translation.h"
#include "ui/win1252.h"

namespace tagline::ui {

namespace {

using app::ControlKind;

QStringList ToStringList(const std::vector<std::string>& items) {
  QStringList list;
  for (const std::string& item : items) list << FromWin1252(item);
  return list;
}

}  // namespace

void MainWindow::Refresh(int id, bool force) {
  const auto it = placed_.find(id);
  if (it == placed_.end()) return;
  Placed& placed = it->second;
  const app::ControlState& state = model_.at(id);
  QWidget* widget = placed.widget;
  bool changed = force;

  if (state.kind == ControlKind::Frame) {
    // The container shows while its controls do; the frame control only draws the border.
    if (auto* frame = qobject_cast<QFrame*>(widget)) {
      frame->setFrameStyle(state.visible ? QFrame::StyledPanel | QFrame::Raised : QFrame::NoFrame);
    }
    changed = changed || placed.state.visible != state.visible;
  } else {
    if (force || placed.state.visible != state.visible) {
      widget->setVisible(state.visible);
      changed = true;
    }
    if (force || placed.state.enabled != state.enabled) {
      widget->setEnabled(state.enabled);
      changed = true;
    }
  }
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    if (button->isCheckable() && button->isChecked() != state.checked) {
      button->setChecked(state.checked);
      changed = true;
    }
    if (force || placed.state.image != state.image) {
      button->setIcon(ButtonImage(state.image));
      changed = true;
    }
  }
  if (auto* bar = qobject_cast<QProgressBar*>(widget)) {
    if (bar->minimum() != state.rangeMin || bar->maximum() != state.rangeMax) {
      bar->setRange(state.rangeMin, state.rangeMax);
      changed = true;
    }
    if (bar->value() != state.position) {
      bar->setValue(state.position);
      changed = true;
    }
  }
  changed = ApplyItems(placed, state, force) || changed;
  changed = ApplyText(placed, state, force) || changed;
  if (force || placed.state.textColor != state.textColor ||
      placed.state.background != state.background) {
    ApplyColors(placed, state);
    changed = true;
  }

  const bool visibilityChanged = placed.state.visible != state.visible;
  placed.state = state;
  if (visibilityChanged && !force) UpdateAreaVisibility();

  // A notification that changed nothing shown is the controller moving the focus here.
  if (!force && model_.focus() == id && (appliedFocus_ != id || !changed)) {
    appliedFocus_ = id;
    widget->setFocus(Qt::OtherFocusReason);
  }
}

bool MainWindow::ApplyItems(Placed& placed, const app::ControlState& state, bool force) {
  auto* combo = qobject_cast<QComboBox*>(placed.widget);
  if (combo == nullptr) return false;
  const QSignalBlocker blocker(combo);
  bool changed = false;
  if (auto* checkList = qobject_cast<CheckListCombo*>(combo)) {
    // Checks the user set live in the widget until the controller sets the items again.
    if (force || placed.state.items != state.items || placed.state.itemChecks != state.itemChecks) {
      checkList->SetItems(ToStringList(state.items), state.itemChecks);
      changed = true;
    }
    return changed;
  }
  if (force || placed.state.items != state.items) {
    combo->clear();
    combo->addItems(ToStringList(state.items));
    changed = true;
  }
  if (combo->currentIndex() != state.selection) {
    combo->setCurrentIndex(state.selection);
    changed = true;
  }
  return changed;
}

bool MainWindow::ApplyText(const Placed& placed, const app::ControlState& state, bool force) {
  QWidget* widget = placed.widget;
  if (!force && placed.state.text == state.text) return false;
  // Captions and results in the user's language; what the user or the reader wrote as it is.
  const QString text = FromWin1252(state.text);
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    // A result field shows the reader's answer or a path as it came; only the Test field
    // answers in the program's words ("occupied").
    const bool programWords =
        state.kind != ControlKind::Result || state.id == app::ctl::kTestResult;
    label->setText(programWords ? Shown(state.text) : text);
    // Fields that cut long texts show them whole on hover.
    if (state.kind == ControlKind::Result) label->setToolTip(label->text());
  } else if (auto* pane = qobject_cast<PaneEdit*>(widget)) {
    pane->SetPaneText(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    if (edit->text() != text) edit->setText(text);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    // A drop-down list's text follows its selection; a check list's its checks.
    if (state.kind != ControlKind::EditCombo) return false;
    const QSignalBlocker blocker(combo);
    if (combo->currentText() != text) combo->setEditText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    // A row's button shows the command it sent; a long one (the clock's "r" and twelve
    // digits) is shortened so the button column keeps its width, and shown whole on hover.
    // A caption ("Schreiben") is never cut.
    constexpr qsizetype kButtonCharacters = 6;
    const QString caption = Shown(state.text);
    const bool cut = caption == text && text.size() > kButtonCharacters;
    button->setText(cut ? text.left(kButtonCharacters - 1) + QChar(0x2026) : caption);
    button->setToolTip(cut ? text : QString());
  } else {
    return false;
  }
  return true;
}

void MainWindow::ApplyColors(Placed& placed, const app::ControlState& state) {
  // System colours, "default" and plain RGB values as the colour controls read them.
  ApplyControlColors(placed.widget, state.textColor, state.background, {}, false,
                     placed.defaultAutoFill);
}

}  // namespace tagline::ui
