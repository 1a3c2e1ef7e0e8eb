// SPDX-License-Identifier: Apache-2.0
#include "ui/settings_window.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStringDecoder>
#include <QVBoxLayout>
#include <algorithm>

#include "app/host.h"
#include "app/settings_dialog.h"
#include "ui/translation.h"
#include "ui/win1252.h"

namespace tagline::ui {

namespace {

using app::ControlKind;

constexpr int kClicked = 0;  // BN_CLICKED

// The port list gives the devices' own strings in UTF-8; anything else is shown byte for byte.
QString PortText(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  return utf8.hasError() ? FromWin1252(bytes) : text;
}

}  // namespace

std::string PortToolTip(const std::vector<platform::PortInfo>& ports, const std::string& name) {
  const auto it = std::find_if(ports.begin(), ports.end(), [&name](const platform::PortInfo& p) {
    return p.name == name || p.devicePath == name;
  });
  if (it == ports.end()) return {};
  std::string text = platform::FormatPortInfo({*it});
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

SettingsWindow::SettingsWindow(app::SettingsDialog& dialog, QWidget* parent)
    : QDialog(parent), dialog_(dialog), model_(dialog.controls()) {
  setWindowTitle(Shown("Settings"));
  ports_ = platform::ListPortInfo();
  Build();
  for (const int id : model_.ids()) Refresh(id);
  model_.SetObserver([this](int id) { Refresh(id); });
  setSizeGripEnabled(false);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

SettingsWindow::~SettingsWindow() {
  model_.SetObserver(nullptr);
}

QWidget* SettingsWindow::ControlWidget(int id) const {
  const auto it = widgets_.find(id);
  return it == widgets_.end() ? nullptr : it->second;
}

void SettingsWindow::Build() {
  // Sections in the order of their frames; each control belongs to the frame before it.
  std::vector<Section> sections;
  for (const int id : model_.ids()) {
    const app::ControlState& state = model_.at(id);
    if (state.kind == ControlKind::Frame) {
      Section section;
      section.frameId = id;
      if (state.text.empty()) {
        section.box = new QWidget(this);
      } else {
        section.box = new QGroupBox(Shown(state.text), this);
      }
      sections.push_back(section);
      continue;
    }
    if (sections.empty() || state.kind == ControlKind::Marker) continue;
    QWidget* widget = CreateWidget(state, sections.back().box);
    if (widget == nullptr) continue;
    widget->setObjectName(QStringLiteral("control%1").arg(id));
    widgets_[id] = widget;
    ConnectInput(id, widget);
    sections.back().members.push_back(id);
  }

  // The groups scroll where the screen is too small for them (a large scale factor); the
  // OK and Cancel row stays below them, always in view.
  auto* column = new QVBoxLayout(this);
  scroll_ = new QScrollArea(this);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidgetResizable(true);
  content_ = new QWidget(scroll_);
  auto* outer = new QGridLayout(content_);
  outer->setContentsMargins(0, 0, 0, 0);
  scroll_->setWidget(content_);
  column->addWidget(scroll_, 1);
  std::vector<int> frameIds;
  for (Section& section : sections) {
    if (qobject_cast<QGroupBox*>(section.box) != nullptr) {
      LayOutGrid(new QGridLayout(section.box), section.members);
    } else {
      // The button row: the buttons at the right, in column order.
      auto* row = new QHBoxLayout(section.box);
      row->setContentsMargins(0, 0, 0, 0);
      row->addStretch(1);
      std::vector<int> members = section.members;
      std::stable_sort(members.begin(), members.end(),
                       [this](int a, int b) { return model_.at(a).column < model_.at(b).column; });
      for (const int id : members) row->addWidget(widgets_.at(id));
    }
    frameIds.push_back(section.frameId);
  }
  // The sections on the outer grid, by the rows and columns of their frames.
  std::map<int, QWidget*> boxes;
  for (const Section& section : sections) boxes[section.frameId] = section.box;
  int lastColumn = 0;
  for (const int id : frameIds) lastColumn = std::max(lastColumn, model_.at(id).column);
  for (std::size_t i = 0; i < frameIds.size(); ++i) {
    const app::ControlState& frame = model_.at(frameIds[i]);
    int span = lastColumn - frame.column + 1;
    for (const int other : frameIds) {
      const app::ControlState& o = model_.at(other);
      if (o.row == frame.row && o.column > frame.column) {
        span = std::min(span, o.column - frame.column);
      }
    }
    QWidget* box = boxes.at(frameIds[i]);
    if (qobject_cast<QGroupBox*>(box) != nullptr) {
      outer->addWidget(box, frame.row, frame.column, 1, span);
    } else {
      column->addWidget(box, 0);
    }
  }
}

void SettingsWindow::showEvent(QShowEvent* event) {
  // The groups whole where the screen has room for them, else as much as it has.
  QSize wanted = content_->sizeHint();
  if (const QScreen* where = screen()) {
    const QSize room = where->availableGeometry().size() - (sizeHint() - scroll_->sizeHint()) -
                       QSize(32, 64);  // the window's frame and title
    wanted = wanted.boundedTo(room);
  }
  scroll_->setMinimumSize(wanted);
  adjustSize();
  QDialog::showEvent(event);
}

void SettingsWindow::LayOutGrid(QGridLayout* grid, const std::vector<int>& ids) {
  if (ids.empty()) return;
  std::map<int, std::map<int, int>> cells;  // row -> column -> id
  int lastColumn = 0;
  for (const int id : ids) {
    const app::ControlState& state = model_.at(id);
    cells[state.row][state.column] = id;
    lastColumn = std::max(lastColumn, state.column);
  }
  for (const auto& [row, columns] : cells) {
    // A row of captions only heads the columns below it.
    const bool captions =
        columns.size() > 1 && std::all_of(columns.begin(), columns.end(), [this](const auto& cell) {
          return model_.at(cell.second).kind == ControlKind::Label;
        });
    for (auto it = columns.begin(); it != columns.end(); ++it) {
      const auto [column, id] = *it;
      const ControlKind kind = model_.at(id).kind;
      // A control reaches over the empty columns up to the next one of its row; the last one
      // to the grid's end, unless it is a caption over its own column.
      const auto next = std::next(it);
      int span = next != columns.end() ? next->first - column : lastColumn - column + 1;
      if (next == columns.end() && columns.size() > 1 && kind == ControlKind::Label) span = 1;
      const Qt::Alignment align = captions ? Qt::AlignHCenter | Qt::AlignBottom : Qt::Alignment();
      grid->addWidget(widgets_.at(id), row, column, 1, std::max(span, 1), align);
    }
  }
  for (int column = 1; column <= lastColumn; ++column) grid->setColumnStretch(column, 1);
}

QWidget* SettingsWindow::CreateWidget(const app::ControlState& state, QWidget* parent) {
  switch (state.kind) {
    case ControlKind::Label:
    case ControlKind::Result:
    case ControlKind::GroupTitle: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      return label;
    }
    case ControlKind::Button:
    case ControlKind::PushCheck: {
      auto* button = new QPushButton(parent);
      button->setCheckable(state.kind == ControlKind::PushCheck);
      // OK is the default button: Enter in a field without Enter handling of its own.
      button->setDefault(state.id == app::settings_ctl::kOk);
      button->setAutoDefault(true);
      return button;
    }
    case ControlKind::CheckBox: {
      if (app::SettingsDialog::IsProtocolButton(state.id)) {
        auto* radio = new QRadioButton(parent);
        if (protocol_ == nullptr) protocol_ = new QButtonGroup(this);
        protocol_->addButton(radio);
        return radio;
      }
      return new QCheckBox(parent);
    }
    case ControlKind::Edit: {
      auto* edit = new QLineEdit(parent);
      edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 12);
      return edit;
    }
    case ControlKind::Combo:
    case ControlKind::EditCombo: {
      auto* combo = new QComboBox(parent);
      if (state.kind == ControlKind::EditCombo) {
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        // A typed text stays as typed: no completion from the list.
        combo->setCompleter(nullptr);
      }
      combo->setMinimumContentsLength(10);
      combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
      return combo;
    }
    default:
      return nullptr;
  }
}

void SettingsWindow::ConnectInput(int id, QWidget* widget) {
  if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    connect(combo, &QComboBox::activated, this,
            [this, id](int index) { model_.UserSetSelection(id, index); });
    if (QLineEdit* edit = combo->lineEdit()) {
      connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
        model_.UserSetSelection(id, -1);
        model_.UserSetText(id, ToWin1252(text));
      });
    }
    if (id == app::settings_ctl::kPort) {
      connect(combo, &QComboBox::currentTextChanged, this,
              [this, combo] { ShowPortToolTips(combo); });
    }
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    connect(edit, &QLineEdit::textEdited, this, [this, id, edit](const QString& text) {
      const std::string bytes = ToWin1252(text);
      model_.UserSetText(id, bytes);
      // What the program cannot keep shows at once as it is kept ('?').
      const QString kept = FromWin1252(bytes);
      if (kept != text) {
        const int cursor = edit->cursorPosition();
        edit->setText(kept);
        edit->setCursorPosition(std::min<int>(cursor, static_cast<int>(kept.size())));
      }
    });
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    connect(button, &QAbstractButton::clicked, this, [this, id] {
      // A radio click unchecks its neighbours too: take the whole group's state.
      for (const auto& [otherId, other] : widgets_) {
        if (auto* b = qobject_cast<QAbstractButton*>(other); b != nullptr && b->isCheckable()) {
          model_.UserSetChecked(otherId, b->isChecked());
        }
      }
      Command(id);
    });
  }
}

void SettingsWindow::PullTexts() {
  for (const auto& [id, widget] : widgets_) {
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      // An entry shown translated ("Keine") goes back as the entry it stands for ("None").
      const QString text = combo->currentText();
      int index = combo->currentIndex();
      if (index < 0 || combo->itemText(index) != text) index = combo->findText(text);
      const auto& items = model_.at(id).items;
      const bool listed = index >= 0 && static_cast<std::size_t>(index) < items.size();
      model_.UserSetSelection(id, listed ? index : -1);
      model_.UserSetText(id, listed ? items[static_cast<std::size_t>(index)] : ToWin1252(text));
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      model_.UserSetText(id, ToWin1252(edit->text()));
    }
  }
}

void SettingsWindow::Command(int id) {
  // The controller reads what the fields hold now, as a dialog reads its controls.
  PullTexts();
  dialog_.OnCommand(id, kClicked);
  if (dialog_.ended()) {
    QDialog::done(dialog_.result() == app::id::kOk ? QDialog::Accepted : QDialog::Rejected);
  }
}

void SettingsWindow::reject() {
  if (dialog_.ended()) {
    QDialog::reject();
    return;
  }
  Command(app::settings_ctl::kCancel);
}

void SettingsWindow::Refresh(int id) {
  QWidget* widget = ControlWidget(id);
  if (widget == nullptr) return;
  const app::ControlState& state = model_.at(id);
  widget->setEnabled(state.enabled);
  if (widget->isHidden() == state.visible) widget->setVisible(state.visible);
  const QString text = FromWin1252(state.text);
  if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    RefreshCombo(combo, state);
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    if (edit->text() != text) edit->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(Shown(state.text));
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    const QString caption = Shown(state.text);
    if (button->text() != caption) button->setText(caption);
    if (button->isCheckable() && button->isChecked() != state.checked) {
      const QSignalBlocker blocker(button);
      if (state.checked || protocol_ == nullptr || protocol_->buttons().indexOf(button) < 0) {
        button->setChecked(state.checked);
      } else {
        // An exclusive group does not let its checked button go by itself.
        protocol_->setExclusive(false);
        button->setChecked(false);
        protocol_->setExclusive(true);
      }
    }
  }
}

void SettingsWindow::RefreshCombo(QComboBox* combo, const app::ControlState& state) {
  const QSignalBlocker blocker(combo);
  QStringList items;
  for (const std::string& item : state.items) items << Shown(item);
  bool itemsChanged = combo->count() != items.size();
  for (int i = 0; !itemsChanged && i < combo->count(); ++i) {
    itemsChanged = combo->itemText(i) != items[i];
  }
  if (itemsChanged) {
    combo->clear();
    combo->addItems(items);
  }
  if (combo->currentIndex() != state.selection) combo->setCurrentIndex(state.selection);
  const QString text = Shown(state.text);
  if (combo->isEditable() && combo->currentText() != text) combo->setEditText(text);
  if (state.id == app::settings_ctl::kPort) ShowPortToolTips(combo);
}

void SettingsWindow::ShowPortToolTips(QComboBox* combo) {
  // A technician tells the adapters apart by what the system knows of them.
  for (int i = 0; i < combo->count(); ++i) {
    const std::string tip = PortToolTip(ports_, ToWin1252(combo->itemText(i)));
    combo->setItemData(i, tip.empty() ? QVariant() : QVariant(PortText(tip)), Qt::ToolTipRole);
  }
  const std::string current = PortToolTip(ports_, ToWin1252(combo->currentText()));
  combo->setToolTip(PortText(current));
}

}  // namespace tagline::ui
