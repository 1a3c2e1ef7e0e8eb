// SPDX-License-Identifier: Apache-2.0
// The names screen readers give the window's controls: a row's controls are named after
// its label ("Numeric Parameter: value"), a control without a row label after what it
// shows, or after its part of the window.
#include <QAbstractButton>

#include "app/control_ids.h"
#include "ui/main_window.h"
#include "ui/translation.h"

namespace tagline::ui {

namespace {

namespace ctl = app::ctl;
using app::ControlKind;

// Controls whose row has no label of its own.
QString FixedName(int id) {
  switch (id) {
    case ctl::kReceived:
      return Shown("Received");
    case ctl::kSent:
      return Shown("Sent");
    case ctl::kToSend:
      return Shown("To Send");
    case ctl::kProgress:
      return Shown("Progress");
    case ctl::kClockDirection:
      return Shown("Date / Time: read or write");
    case ctl::kLogging:
      return Shown("ONLINE protocol file: on or off");
    case ctl::kLogFile:
      return Shown("ONLINE protocol file: choose");
    default:
      return {};
  }
}

QString PartName(const app::ControlState& state, const QString& text) {
  switch (state.kind) {
    case ControlKind::Result:
      return Shown("result");
    case ControlKind::Button:
    case ControlKind::PushCheck:
      return text == QStringLiteral("...") || text.isEmpty() ? Shown("run") : text;
    case ControlKind::Edit:
    case ControlKind::EditCombo:
    case ControlKind::Combo:
    case ControlKind::CheckListCombo:
    case ControlKind::Spin:
      return Shown(state.column == 1 ? "name" : "value");
    default:
      return {};
  }
}

}  // namespace

void MainWindow::UpdateAccessibleNames() {
  for (const int id : model_.ids()) {
    const auto it = placed_.find(id);
    if (it == placed_.end() || it->second.widget == nullptr) continue;
    const app::ControlState& state = model_.at(id);
    if (state.kind == ControlKind::Frame || state.kind == ControlKind::Marker) continue;
    QString name = FixedName(id);
    const QString text = Shown(state.text).trimmed();
    if (name.isEmpty() &&
        (state.kind == ControlKind::Label || state.kind == ControlKind::GroupTitle)) {
      name = text;
    }
    if (name.isEmpty()) {
      QString row;
      for (const int other : model_.ids()) {
        const app::ControlState& label = model_.at(other);
        if (label.area == state.area && label.row == state.row && label.column == 0 &&
            label.kind == ControlKind::Label) {
          row = Shown(label.text).trimmed();
        }
      }
      const QString part = PartName(state, text);
      name = row.isEmpty() ? part : part.isEmpty() ? row : row + QStringLiteral(": ") + part;
    }
    if (name.isEmpty()) name = text;
    QWidget* widget = it->second.widget;
    if (widget->accessibleName() != name) widget->setAccessibleName(name);
  }
}

}  // namespace tagline::ui
