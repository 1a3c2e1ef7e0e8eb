// SPDX-License-Identifier: Apache-2.0
// Placement of the controls: the terminal area on top, row by row, and below it one place
// where the three control groups lie on top of each other, each a grid of rows and columns.
#include <QAbstractButton>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "ui/control_widgets.h"
#include "ui/main_window.h"

namespace tagline::ui {

namespace {

using app::ControlArea;
using app::ControlKind;

constexpr int kGroupTitleGap = 4;
constexpr int kResultMinimumWidth = 120;
constexpr int kButtonMinimumWidth = 64;

bool IsButton(ControlKind kind) {
  return kind == ControlKind::Button || kind == ControlKind::PushCheck ||
         kind == ControlKind::CheckBox || kind == ControlKind::Spin;
}

// Kinds that take the width they are given.
bool Stretches(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit:
    case ControlKind::Pane:
    case ControlKind::Result:
    case ControlKind::Combo:
    case ControlKind::EditCombo:
    case ControlKind::CheckListCombo:
    case ControlKind::Progress:
      return true;
    default:
      return false;
  }
}

bool IsLabel(ControlKind kind) {
  return kind == ControlKind::Label || kind == ControlKind::GroupTitle;
}

}  // namespace

void MainWindow::LayOut() {
  std::map<ControlArea, std::vector<int>> byArea;
  for (const int id : model_.ids()) {
    const app::ControlState& state = model_.at(id);
    if (state.kind != ControlKind::Frame && state.kind != ControlKind::Marker) {
      byArea[state.area].push_back(id);
    }
  }

  // On a screen too small for the window (a large scale factor), its contents scroll.
  auto* scroll = new QScrollArea(this);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  content_ = new QWidget(scroll);
  auto* column = new QVBoxLayout(content_);
  column->addWidget(terminal_, 1);
  column->addWidget(lower_, 0);
  scroll->setWidget(content_);
  setCentralWidget(scroll);

  LayOutTerminal(byArea[ControlArea::Terminal]);

  auto* stack = new QVBoxLayout(lower_);
  for (const ControlArea area : {ControlArea::Db, ControlArea::Config, ControlArea::Online}) {
    auto* group = new QWidget(lower_);
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);
    LayOutGroup(grid, byArea[area]);
    stack->addWidget(group);
    groups_[area] = group;
  }
}

void MainWindow::LayOutTerminal(const std::vector<int>& ids) {
  std::map<int, std::vector<int>> rows;
  for (const int id : ids) rows[model_.at(id).row].push_back(id);

  auto* area = new QVBoxLayout(terminal_);
  for (auto& [row, members] : rows) {
    std::stable_sort(members.begin(), members.end(),
                     [this](int a, int b) { return model_.at(a).column < model_.at(b).column; });
    // A row of labels lines up with the row of panes below it: equal shares each.
    const bool allLabels = std::all_of(members.begin(), members.end(),
                                       [this](int id) { return IsLabel(model_.at(id).kind); });
    bool hasPane = false;
    auto* line = new QHBoxLayout;
    for (const int id : members) {
      const ControlKind kind = model_.at(id).kind;
      hasPane = hasPane || kind == ControlKind::Pane;
      line->addWidget(placed_.at(id).widget, (Stretches(kind) || allLabels) ? 1 : 0);
    }
    area->addLayout(line, hasPane ? 1 : 0);
  }
}

void MainWindow::LayOutGroup(QGridLayout* grid, const std::vector<int>& ids) {
  // Cells by row and column; a cell may hold several controls (a field and its arrows).
  std::map<int, std::map<int, std::vector<int>>> cells;
  int lastColumn = 0;
  for (const int id : ids) {
    const app::ControlState& state = model_.at(id);
    cells[state.row][state.column].push_back(id);
    lastColumn = std::max(lastColumn, state.column);
  }

  // A column that also holds fields keeps its buttons at their natural size.
  std::set<int> fieldColumns;
  for (const auto& [row, columns] : cells) {
    for (const auto& [col, members] : columns) {
      for (const int id : members) {
        if (Stretches(model_.at(id).kind)) fieldColumns.insert(col);
      }
    }
  }
  for (const int col : fieldColumns) grid->setColumnStretch(col, 1);

  int lastRow = 0;
  for (const auto& [row, columns] : cells) {
    lastRow = std::max(lastRow, row);
    for (auto it = columns.begin(); it != columns.end(); ++it) {
      const int col = it->first;
      const std::vector<int>& members = it->second;
      const auto next = std::next(it);
      const bool buttonsOnly = std::all_of(members.begin(), members.end(),
                                           [this](int id) { return IsButton(model_.at(id).kind); });
      // A control reaches over the empty columns up to the next one of its row; the last
      // one to the grid's end unless it is a button.
      int span =
          next != columns.end() ? next->first - col : (buttonsOnly ? 1 : lastColumn - col + 1);
      span = std::max(span, 1);

      const bool keepButtonSize = fieldColumns.contains(col) || span > 1;
      QBoxLayout* box = members.size() > 1 ? new QHBoxLayout : nullptr;
      for (const int id : members) {
        QWidget* widget = placed_.at(id).widget;
        const ControlKind kind = model_.at(id).kind;
        if (IsButton(kind)) {
          if (kind != ControlKind::Spin) widget->setMinimumWidth(kButtonMinimumWidth);
        } else if (kind == ControlKind::Result) {
          widget->setMinimumWidth(kResultMinimumWidth);
          widget->setSizePolicy(QSizePolicy::Ignored, widget->sizePolicy().verticalPolicy());
        } else if (IsLabel(kind) && span > 1) {
          // A long caption over several columns shows what fits; it does not widen them.
          widget->setSizePolicy(QSizePolicy::Ignored, widget->sizePolicy().verticalPolicy());
        }
        const Qt::Alignment align =
            IsButton(kind) && keepButtonSize ? Qt::AlignLeft | Qt::AlignVCenter : Qt::Alignment();
        if (box != nullptr) {
          box->addWidget(widget, Stretches(kind) ? 1 : 0, align);
        } else {
          grid->addWidget(widget, row, col, 1, span, align);
        }
      }
      if (box != nullptr) {
        box->setSpacing(2);
        grid->addLayout(box, row, col, 1, span);
      }
    }
    if (row == 0) grid->setRowMinimumHeight(0, grid->rowMinimumHeight(0) + kGroupTitleGap);
  }
  // Extra height goes below the last row.
  grid->setRowStretch(lastRow + 1, 1);
}

void MainWindow::UpdateAreaVisibility() {
  // An area shows while any of its controls does; its frame control only draws the border.
  const auto anyShown = [this](ControlArea area) {
    return std::any_of(placed_.begin(), placed_.end(), [area](const auto& entry) {
      const Placed& p = entry.second;
      return p.state.area == area && p.state.kind != ControlKind::Frame && p.state.visible;
    });
  };
  bool changed = false;
  const auto show = [&changed](QWidget* widget, bool visible) {
    if (widget->isHidden() == visible) {
      widget->setVisible(visible);
      changed = true;
    }
  };
  bool anyGroup = false;
  for (const auto& [area, group] : groups_) {
    const bool shown = anyShown(area);
    show(group, shown);
    anyGroup = anyGroup || shown;
  }
  show(lower_, anyGroup);
  show(terminal_, anyShown(ControlArea::Terminal));
  if (changed) ScheduleFit();
}

void MainWindow::ScheduleFit() {
  if (fitPending_) return;
  fitPending_ = true;
  QTimer::singleShot(0, this, [this] {
    fitPending_ = false;
    FitToContents();
  });
}

void MainWindow::FitToContents() {
  if (isMaximized() || isFullScreen()) return;
  if (QLayout* own = layout()) own->activate();
  if (QLayout* inner = content_->layout()) inner->activate();
  // The contents' own height, not the scroll area's: it shows them whole where they fit.
  int height = content_->sizeHint().height() + menuBar()->sizeHint().height();
  int wide = std::max(width(), kNaturalWidth);
  if (const QScreen* where = screen()) {
    // Before the window manager has framed the window its frame is not known: room is
    // left for a usual one.
    const bool framed = frameGeometry() != geometry();
    const int frame = framed ? frameGeometry().height() - geometry().height() : kFrameAllowance;
    const int side = framed ? frameGeometry().width() - geometry().width() : kFrameAllowance / 4;
    height = std::min(height, where->availableGeometry().height() - frame);
    wide = std::min(wide, where->availableGeometry().width() - side);
  }
  resize(wide, height);
}

}  // namespace tagline::ui
