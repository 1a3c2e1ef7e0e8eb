// SPDX-License-Identifier: Apache-2.0
#include "ui/control_widgets.h"

#include <QAbstractItemView>
#include <QApplication>
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
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#ifdef Q_OS_WIN
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
#endif

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

QString LocaleListSeparator() {
#ifdef Q_OS_WIN
  char separator[10] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, separator, sizeof separator) > 0) {
    return QString::fromLocal8Bit(separator);
  }
  return {};
#else
  return QStringLiteral(";");
#endif
}

QString JoinCheckedTexts(const QStringList& checked, const QString& separator) {
  QString joint = separator.isEmpty() ? QStringLiteral(";") : separator;
  while (joint.endsWith(QLatin1Char(' '))) joint.chop(1);
  joint += QLatin1Char(' ');
  return checked.join(joint);
}

CheckListCombo::CheckListCombo(QWidget* parent)
    : DropDownCombo(parent),
      items_(new QStandardItemModel(this)),
      separator_(LocaleListSeparator()) {
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
  return JoinCheckedTexts(checked, separator_);
}

void CheckListCombo::SetListSeparator(const QString& separator) {
  separator_ = separator;
  update();
}

void CheckListCombo::Toggle(int index) {
  if (index < 0 || index >= items_->rowCount()) return;
  SetChecked(index, !IsChecked(index));
  emit checkToggled(index);
}

void CheckListCombo::paintEvent(QPaintEvent* /*event*/) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText = DisplayText();
  option.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void CheckListCombo::showPopup() {
  pressedRow_ = -1;
  DropDownCombo::showPopup();
}

bool CheckListCombo::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view()->viewport()) {
    const auto rowAt = [this](QEvent* mouseEvent) {
      const auto* mouse = static_cast<QMouseEvent*>(mouseEvent);
      const QModelIndex index = view()->indexAt(mouse->position().toPoint());
      return index.isValid() ? index.row() : -1;
    };
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
      pressedRow_ = rowAt(event);
      return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
      // The press that opened the list happened on the box; its release over the list,
      // under the pointer, is no click on an item.
      const int row = rowAt(event);
      if (row >= 0 && row == pressedRow_) Toggle(row);
      pressedRow_ = -1;
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

// ---------------------------------------------------------------------------------------
// Colour controls

QPalette::ColorRole SystemColorRole(int index) {
  switch (index) {
    case 5:  // COLOR_WINDOW
      return QPalette::Base;
    case 7:   // COLOR_MENUTEXT
    case 19:  // COLOR_INACTIVECAPTIONTEXT
      return QPalette::WindowText;
    case 8:  // COLOR_WINDOWTEXT
      return QPalette::Text;
    case 2:   // COLOR_ACTIVECAPTION
    case 13:  // COLOR_HIGHLIGHT
    case 27:  // COLOR_GRADIENTACTIVECAPTION
    case 29:  // COLOR_MENUHILIGHT
      return QPalette::Highlight;
    case 9:   // COLOR_CAPTIONTEXT
    case 14:  // COLOR_HIGHLIGHTTEXT
      return QPalette::HighlightedText;
    case 15:  // COLOR_3DFACE
      return QPalette::Button;
    case 18:  // COLOR_BTNTEXT
      return QPalette::ButtonText;
    case 0:   // COLOR_SCROLLBAR
    case 3:   // COLOR_INACTIVECAPTION
    case 12:  // COLOR_APPWORKSPACE
    case 28:  // COLOR_GRADIENTINACTIVECAPTION
      return QPalette::Mid;
    case 16:  // COLOR_3DSHADOW
      return QPalette::Dark;
    case 6:   // COLOR_WINDOWFRAME
    case 21:  // COLOR_3DDKSHADOW
      return QPalette::Shadow;
    case 20:  // COLOR_3DHILIGHT
      return QPalette::Light;
    case 22:  // COLOR_3DLIGHT
      return QPalette::Midlight;
    case 17:  // COLOR_GRAYTEXT
      return QPalette::PlaceholderText;
    case 23:  // COLOR_INFOTEXT
      return QPalette::ToolTipText;
    case 24:  // COLOR_INFOBK
      return QPalette::ToolTipBase;
    case 26:  // COLOR_HOTLIGHT
      return QPalette::Link;
    default:  // desktop, menu, borders, menu bar
      return QPalette::Window;
  }
}

std::optional<QColor> ResolveControlColor(std::uint32_t value, const QPalette& palette) {
  switch (value >> 24) {
    case 0xFF:
      return std::nullopt;
    case 0x80:
      return palette.color(SystemColorRole(static_cast<int>(value & 0xFFFFFFu)));
    default:
      return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                    static_cast<int>((value >> 16) & 0xFF));
  }
}

void ApplyControlColors(QWidget* widget, std::uint32_t text, std::uint32_t background,
                        const QPixmap& pattern, bool opaque, bool autoFill) {
  // System colours are the platform's colours for this kind of widget.
  const QPalette system = QApplication::palette(widget);
  QPalette palette;
  const std::optional<QColor> back = ResolveControlColor(background, system);
  const bool ownBackground = back.has_value() || !pattern.isNull();
  if (ownBackground) {
    const QBrush brush = pattern.isNull() ? QBrush(*back) : QBrush(pattern);
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
      palette.setBrush(role, brush);
    }
  }
  if (const std::optional<QColor> fore = ResolveControlColor(text, system)) {
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
      palette.setColor(role, *fore);
    }
  }
  widget->setPalette(palette);
  // Labels paint no background of their own unless told to.
  widget->setAutoFillBackground(ownBackground || opaque || autoFill);
}

ColorControl::ColorControl(QWidget* widget)
    : QObject(widget), widget_(widget), defaultAutoFill_(widget->autoFillBackground()) {
  connect(&timer_, &QTimer::timeout, this, &ColorControl::Tick);
}

ColorControl::~ColorControl() {
  timer_.stop();
  phase_ = 0;
}

void ColorControl::SetTextColor(std::uint32_t color) {
  text_ = color;
  Apply();
}

void ColorControl::SetBackground(std::uint32_t color) {
  background_ = color;
  Apply();
}

void ColorControl::SetBackgroundPattern(const QPixmap& pattern) {
  pattern_ = pattern;
  Apply();
}

void ColorControl::SetOpaque(bool opaque) {
  opaque_ = opaque;
  Apply();
}

void ColorControl::SetBlinkTextColors(std::uint32_t phase0, std::uint32_t phase1) {
  blinkTextColors_ = {phase0, phase1};
  Apply();
}

void ColorControl::SetBlinkBackgrounds(std::uint32_t phase0, std::uint32_t phase1) {
  blinkBackgrounds_ = {phase0, phase1};
  Apply();
}

void ColorControl::SetBlinkPatterns(const QPixmap& phase0, const QPixmap& phase1) {
  blinkPatterns_ = {phase0, phase1};
  Apply();
}

void ColorControl::SetBlinkPeriod(int ms) {
  periodMs_ = std::max(ms, 1);
  if (timer_.isActive()) timer_.start(periodMs_);
}

void ColorControl::SetBlink(bool text, bool background) {
  blinkText_ = text;
  blinkBackground_ = background;
  UpdateTimer();
  Apply();
}

std::uint32_t ColorControl::CurrentTextColor() const {
  return blinkText_ ? blinkTextColors_[static_cast<std::size_t>(phase_)] : text_;
}

std::uint32_t ColorControl::CurrentBackground() const {
  return blinkBackground_ ? blinkBackgrounds_[static_cast<std::size_t>(phase_)] : background_;
}

QPixmap ColorControl::CurrentPattern() const {
  return blinkBackground_ ? blinkPatterns_[static_cast<std::size_t>(phase_)] : pattern_;
}

void ColorControl::Tick() {
  if (!blinkText_ && !blinkBackground_) return;
  phase_ ^= 1;
  Apply();
}

void ColorControl::UpdateTimer() {
  if (blinkText_ || blinkBackground_) {
    if (!timer_.isActive()) timer_.start(periodMs_);
  } else {
    // Switched off: back to the steady colours.
    timer_.stop();
    phase_ = 0;
  }
}

void ColorControl::Apply() {
  if (!widget_) return;
  ApplyControlColors(widget_, CurrentTextColor(), CurrentBackground(), CurrentPattern(), opaque_,
                     defaultAutoFill_);
  widget_->update();
}

// ---------------------------------------------------------------------------------------

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

namespace {

// How many characters of `before` the pane dropped at its start (whole lines, a few at
// most) so that `after` continues it; -1 when `after` is not such a continuation.
qsizetype DroppedLines(const QString& before, const QString& after) {
  constexpr int kMaxDroppedLines = 8;
  // The document keeps a lone CR in a form of its own; such text is simply set anew.
  if (before.isEmpty() || before.contains(QLatin1Char('\r'))) return -1;
  qsizetype dropped = 0;
  for (int line = 0; line <= kMaxDroppedLines; ++line) {
    if (after.startsWith(QStringView(before).mid(dropped))) return dropped;
    const qsizetype end = before.indexOf(QLatin1Char('\n'), dropped);
    if (end < 0) return -1;
    dropped = end + 1;
  }
  return -1;
}

}  // namespace

void PaneEdit::SetPaneText(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (shown == shown_) return;
  const bool atEnd = AtEnd();
  const int position = verticalScrollBar()->value();
  if (const qsizetype dropped = DroppedLines(shown_, shown); dropped >= 0) {
    QTextCursor cursor(document());
    if (dropped > 0) {
      cursor.setPosition(static_cast<int>(dropped), QTextCursor::KeepAnchor);
      cursor.removeSelectedText();
    }
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(shown.mid(shown_.size() - dropped));
  } else {
    setPlainText(shown);
  }
  shown_ = shown;
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
