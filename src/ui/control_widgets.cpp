#include "ui/control_widgets.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

namespace tagline::ui {

namespace {

constexpr int kPaneLines = 16;
constexpr int kLoggingOffImage = 144;
constexpr int kLoggingOnImage = 145;

}  // namespace

void EnterLineEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    emit enterPressed();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void DropDownCombo::showPopup() {
  emit aboutToDropDown();
  QComboBox::showPopup();
}

void DropDownCombo::focusInEvent(QFocusEvent* event) {
  QComboBox::focusInEvent(event);
  if (event->reason() != Qt::PopupFocusReason) emit focusGained();
}

void DropDownCombo::focusOutEvent(QFocusEvent* event) {
  QComboBox::focusOutEvent(event);
  // Opening the own list takes the focus only for a moment.
  if (event->reason() != Qt::PopupFocusReason) emit focusLost();
}

CheckListCombo::CheckListCombo(QWidget* parent)
    : DropDownCombo(parent), items_(new QStandardItemModel(this)) {
  setModel(items_);
  // The styled delegate draws the check boxes of the items.
  setItemDelegate(new QStyledItemDelegate(this));
  view()->viewport()->installEventFilter(this);
  view()->installEventFilter(this);
  setCurrentIndex(-1);
  // Choosing an item by keyboard must not make it the selection.
  connect(this, &QComboBox::activated, this, [this] { setCurrentIndex(-1); });
}

void CheckListCombo::SetItems(const QStringList& texts, const std::vector<bool>& checks) {
  items_->clear();
  for (qsizetype i = 0; i < texts.size(); ++i) {
    auto* item = new QStandardItem(texts[i]);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    const auto index = static_cast<std::size_t>(i);
    const bool checked = index < checks.size() && checks[index];
    item->setData(checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    items_->appendRow(item);
  }
  setCurrentIndex(-1);
  update();
}

bool CheckListCombo::IsChecked(int index) const {
  const QStandardItem* item = items_->item(index);
  return item != nullptr && item->data(Qt::CheckStateRole).toInt() != Qt::Unchecked;
}

void CheckListCombo::SetChecked(int index, bool checked) {
  QStandardItem* item = items_->item(index);
  if (item == nullptr) return;
  item->setData(checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
  update();
}

QString CheckListCombo::DisplayText() const {
  QStringList checked;
  for (int i = 0; i < items_->rowCount(); ++i) {
    if (IsChecked(i)) checked << items_->item(i)->text();
  }
  return checked.join(QStringLiteral("; "));
}

void CheckListCombo::Toggle(int index) {
  if (index < 0 || index >= items_->rowCount()) return;
  SetChecked(index, !IsChecked(index));
  emit checkToggled(index);
}

void CheckListCombo::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText = DisplayText();
  option.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

bool CheckListCombo::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view()->viewport()) {
    if (event->type() == QEvent::MouseButtonRelease) {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const QModelIndex index = view()->indexAt(mouse->position().toPoint());
      if (index.isValid()) Toggle(index.row());
      return true;  // the list stays open while items are toggled
    }
  } else if (watched == view() && event->type() == QEvent::KeyPress) {
    if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
      Toggle(view()->currentIndex().row());
      return true;
    }
  }
  return DropDownCombo::eventFilter(watched, event);
}

SpinArrows::SpinArrows(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (const Qt::ArrowType arrow : {Qt::UpArrow, Qt::DownArrow}) {
    auto* button = new QToolButton(this);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFixedSize(18, 12);
    button->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(button);
    const int delta = arrow == Qt::UpArrow ? 1 : -1;
    connect(button, &QToolButton::clicked, this, [this, delta] { emit stepped(delta); });
  }
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

PaneEdit::PaneEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize PaneEdit::sizeHint() const {
  const int frame = 2 * frameWidth();
  const int lines = fontMetrics().lineSpacing() * kPaneLines;
  return {fontMetrics().horizontalAdvance(QLatin1Char('0')) * 40 + frame,
          lines + frame + static_cast<int>(2 * document()->documentMargin())};
}

bool PaneEdit::AtEnd() const {
  const QScrollBar* bar = verticalScrollBar();
  return bar->value() >= bar->maximum();
}

void PaneEdit::SetPaneText(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (shown == toPlainText()) return;
  const bool atEnd = AtEnd();
  const int position = verticalScrollBar()->value();
  setPlainText(shown);
  if (atEnd) {
    ScrollToEnd();
  } else {
    verticalScrollBar()->setValue(position);
  }
}

void PaneEdit::ScrollToEnd() {
  moveCursor(QTextCursor::End);
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

QIcon ButtonImage(int image) {
  if (image != kLoggingOffImage && image != kLoggingOnImage) return {};
  QPixmap pixmap(20, 20);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  // A sheet of paper with written lines: the log file.
  p.setPen(QPen(QColor(60, 60, 60), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(3.5, 1.5, 12, 16));
  p.setPen(QPen(QColor(90, 90, 160), 1));
  for (int y = 5; y <= 14; y += 3) p.drawLine(QPointF(6, y + 0.5), QPointF(13, y + 0.5));
  if (image == kLoggingOffImage) {
    p.setPen(QPen(QColor(200, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2, 18), QPointF(18, 2));
  } else {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 160, 60));
    p.drawEllipse(QPointF(15, 15), 4, 4);
  }
  return QIcon(pixmap);
}

}  // namespace tagline::ui
