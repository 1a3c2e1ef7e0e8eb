// SPDX-License-Identifier: Apache-2.0
// The main window's controls that the standard widgets do not cover: edit fields that
// report Enter, combo boxes that report drop-down and focus, the check-list combo of the
// tag-type row, the up/down arrows of a numeric field and the terminal panes.
#pragma once

#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/control_model.h"

class QStandardItemModel;

namespace tagline::ui {

// Takes Enter for itself and reports it, so that it never reaches the window's default
// (program-ending) Enter handling.
class EnterLineEdit : public QLineEdit {
  Q_OBJECT
 public:
  using QLineEdit::QLineEdit;
 signals:
  void enterPressed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// Reports the opening of its list (before it shows, so the list can still be filled) and
// the gain and loss of the keyboard focus.
class DropDownCombo : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  void showPopup() override;
 signals:
  void aboutToDropDown();
  void focusGained();
  void focusLost();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

// The user's list separator. Windows has one per locale; glibc locales have none, so off
// Windows it is ";": unambiguous whether the locale writes decimals with "." or with ",",
// and what Windows itself uses for the locales with a decimal comma.
QString LocaleListSeparator();

// The display text of a check list: the checked texts joined by the separator with its
// trailing blanks removed and one blank added ("Trovan; HDX"); an empty separator is ";".
QString JoinCheckedTexts(const QStringList& checked, const QString& separator);

// A drop-down list whose items carry check marks. A click (press and release on the same
// item) or the space bar toggles an item and keeps the list open; the release of the click
// that opened the list toggles nothing. No item ever becomes the selection. The closed box
// shows the checked items joined by the locale's list separator.
class CheckListCombo : public DropDownCombo {
  Q_OBJECT
 public:
  explicit CheckListCombo(QWidget* parent = nullptr);

  void SetItems(const QStringList& texts, const std::vector<bool>& checks);
  bool IsChecked(int index) const;
  void SetChecked(int index, bool checked);
  QString DisplayText() const;
  // Replaces the locale's separator (another locale's convention).
  void SetListSeparator(const QString& separator);
  void showPopup() override;
 signals:
  void checkToggled(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Toggle(int index);

  QStandardItemModel* items_;
  QString separator_;
  int pressedRow_ = -1;  // the item a press in the open list went to
};

// Colour values of the coloured controls: top byte 0x80 a system colour whose index (the
// Win32 COLOR_ numbers) is in the low 24 bits, 0xFF the platform's default, anything else
// 0x00BBGGRR.
inline constexpr std::uint32_t kSystemColorFlag = 0x80000000u;
inline constexpr std::uint32_t SystemColor(int index) {
  return kSystemColorFlag | (static_cast<std::uint32_t>(index) & 0xFFFFFFu);
}

// The palette role that stands for a Win32 system colour index (COLOR_WINDOW and so on).
QPalette::ColorRole SystemColorRole(int index);
// The colour a value stands for in `palette`; nullopt for "default".
std::optional<QColor> ResolveControlColor(std::uint32_t value, const QPalette& palette);

// Colours a control: only the roles of colours that are not "default" override the style,
// so a control with both colours "default" and no pattern paints exactly like a standard
// one. A pattern fills the background instead of its colour. `autoFill` is whether the
// widget fills its background when it has no colours of its own.
void ApplyControlColors(QWidget* widget, std::uint32_t text, std::uint32_t background,
                        const QPixmap& pattern = {}, bool opaque = false, bool autoFill = false);

// The colour state of one coloured static, combo box or edit: text and background colours,
// a background pattern, and blinking between two sets of them on a timer of its own. The
// main window only sets colours and never blinks. (Qt paints in true colour, so mapping to
// the nearest colours a palette display can show has no counterpart.)
class ColorControl : public QObject {
  Q_OBJECT
 public:
  static constexpr int kDefaultBlinkMs = 500;

  // Colours `widget`, which owns it.
  explicit ColorControl(QWidget* widget);
  ~ColorControl() override;

  void SetTextColor(std::uint32_t color);
  void SetBackground(std::uint32_t color);
  void SetBackgroundPattern(const QPixmap& pattern);
  void SetOpaque(bool opaque);
  void SetBlinkTextColors(std::uint32_t phase0, std::uint32_t phase1);
  void SetBlinkBackgrounds(std::uint32_t phase0, std::uint32_t phase1);
  void SetBlinkPatterns(const QPixmap& phase0, const QPixmap& phase1);
  void SetBlinkPeriod(int ms);
  // Blinking of the text colour, the background, or both; the timer runs while either is on.
  void SetBlink(bool text, bool background);

  int phase() const { return phase_; }
  bool timerRunning() const { return timer_.isActive(); }
  // What is painted now.
  std::uint32_t CurrentTextColor() const;
  std::uint32_t CurrentBackground() const;
  QPixmap CurrentPattern() const;
  // One tick of the blink timer: the next phase while blinking is on.
  void Tick();

 private:
  void Apply();
  void UpdateTimer();

  QPointer<QWidget> widget_;
  bool defaultAutoFill_ = false;
  std::uint32_t text_ = app::kDefaultColor;
  std::uint32_t background_ = app::kDefaultColor;
  QPixmap pattern_;
  bool opaque_ = false;
  bool blinkText_ = false;
  bool blinkBackground_ = false;
  std::array<std::uint32_t, 2> blinkTextColors_{app::kDefaultColor, app::kDefaultColor};
  std::array<std::uint32_t, 2> blinkBackgrounds_{app::kDefaultColor, app::kDefaultColor};
  std::array<QPixmap, 2> blinkPatterns_;
  int phase_ = 0;
  int periodMs_ = kDefaultBlinkMs;
  QTimer timer_;
};

// The up and down arrows attached to a numeric field.
class SpinArrows : public QWidget {
  Q_OBJECT
 public:
  explicit SpinArrows(QWidget* parent = nullptr);
 signals:
  void stepped(int delta);  // +1 up, -1 down
};

// A read-only terminal pane, monospace, sized for a screenful of lines.
class PaneEdit : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit PaneEdit(QWidget* parent = nullptr);
  QSize sizeHint() const override;
  // Replaces the text (CR LF shown as one line end); the view stays at the end if it was
  // there and keeps its place otherwise. Text that only grew is appended, so a pane fed on
  // every poll costs what arrived, not its whole length.
  void SetPaneText(const QString& text);
  void ScrollToEnd();
  bool AtEnd() const;

 private:
  QString shown_;
};

// The pictures of the bitmap resources buttons show (0: none).
QIcon ButtonImage(int image);

}  // namespace tagline::ui
