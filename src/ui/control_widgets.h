// The main window's controls that the standard widgets do not cover: edit fields that
// report Enter, combo boxes that report drop-down and focus, the check-list combo of the
// tag-type row, the up/down arrows of a numeric field and the terminal panes.
#pragma once

#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>
#include <vector>

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

// A drop-down list whose items carry check marks. A click or the space bar toggles an
// item and keeps the list open; no item ever becomes the selection. The closed box shows
// the checked items joined by "; ".
class CheckListCombo : public DropDownCombo {
  Q_OBJECT
 public:
  explicit CheckListCombo(QWidget* parent = nullptr);

  void SetItems(const QStringList& texts, const std::vector<bool>& checks);
  bool IsChecked(int index) const;
  void SetChecked(int index, bool checked);
  QString DisplayText() const;
 signals:
  void checkToggled(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Toggle(int index);

  QStandardItemModel* items_;
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
  // there and keeps its place otherwise.
  void SetPaneText(const QString& text);
  void ScrollToEnd();
  bool AtEnd() const;
};

// The pictures of the bitmap resources buttons show (0: none).
QIcon ButtonImage(int image);

}  // namespace tagline::ui
