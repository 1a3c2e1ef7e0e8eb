// SPDX-License-Identifier: Apache-2.0
// The real main window on the real controller and the Qt host, on the offscreen platform.
#include "ui/main_window.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <memory>
#include <optional>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "sim/simulated_reader.h"
#include "ui/control_widgets.h"
#include "ui/qt_host.h"

namespace tagline::ui {

namespace ctl = app::ctl;
namespace menu = app::menu;

class MainWindowTest : public QObject {
  Q_OBJECT

  struct Message {
    std::string text;
    std::string caption;
    unsigned type = 0;
  };

 private slots:
  void init();
  void cleanup();

  void captionAndMenus();
  void startWithoutPortReportsOnceAndShowsTerminalOnly();
  void dbMenuShowsDbGroup();
  void configReplacesDbWithoutMessage();
  void onlineTwiceHidesTerminalAndShrinksWindow();
  void enterInEnterFieldsKeepsWindowOpen();
  void enterOrEscElsewhereKeepsTheProgram();
  void closeBoxSavesSettings();
  void windows1252TextBothWays();
  void receivedPaneShowsLinesAndScrollsToEnd();
  void configRowsGetTheirColours();
  void configRowsReadOnADarkTheme();
  void aLongCommandOnARowButtonKeepsItsWidth();
  void everyControlHasAnAccessibleName();
  void accessibilityTreeCanBeWalkedWhole();
  void checkListTogglesKeepListOpen();
  void startupTimerPutsImageOnLoggingButton();
  void messageBoxMapsIconsAndButtons();
  void enterInTheChoiceFieldTakesTheFirstAnswer();
  void deviceManagerShowsSerialPortsWindow();

 private:
  void Start(bool withReader = false);
  template <class W>
  W* Control(int id) const {
    auto* widget = qobject_cast<W*>(window_->ControlWidget(id));
    if (widget == nullptr) qFatal("control %d missing or of another kind", id);
    return widget;
  }
  // QTest::keyClicks takes ASCII only; this types any character.
  static void Type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
  bool Recorded(const std::string& text) const {
    for (const Message& m : messages_) {
      if (m.text == text) return true;
    }
    return false;
  }

  std::unique_ptr<QTemporaryDir> dir_;
  QString ini_;
  std::unique_ptr<sim::SimulatedReader> reader_;
  std::unique_ptr<QtHost> host_;
  std::unique_ptr<app::MainDialog> dialog_;
  std::unique_ptr<MainWindow> window_;
  std::vector<Message> messages_;
};

void MainWindowTest::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(dir_->isValid());
  ini_ = dir_->filePath(QStringLiteral("Tagline_Console.ini"));
  messages_.clear();
}

void MainWindowTest::cleanup() {
  window_.reset();
  if (host_) host_->Attach(nullptr, nullptr);
  dialog_.reset();
  host_.reset();
  reader_.reset();
  dir_.reset();
}

void MainWindowTest::Start(bool withReader) {
  app::MainDialogOptions options;
  options.iniPath = ini_.toStdString();
  if (withReader) {
    std::string error;
    reader_ = sim::SimulatedReader::Start({}, error);
    QVERIFY2(reader_ != nullptr, error.c_str());
    options.portOverride = reader_->DevicePath();
  }
  host_ = std::make_unique<QtHost>();
  host_->SetMessageBoxHook(
      [this](const std::string& text, const std::string& caption, unsigned type) {
        messages_.push_back({text, caption, type});
        return app::id::kOk;
      });
  dialog_ = std::make_unique<app::MainDialog>(*host_, options);
  window_ = std::make_unique<MainWindow>(*dialog_);
  host_->Attach(dialog_.get(), window_.get());
  dialog_->OnInitDialog();
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void MainWindowTest::captionAndMenus() {
  Start();
  QCOMPARE(window_->windowTitle(), QStringLiteral("Tagline Console"));
  QStringList titles;
  QStringList entries;
  for (QAction* top : window_->menuBar()->actions()) {
    titles << top->text();
    for (QAction* entry : top->menu()->actions()) entries << top->text() + ">" + entry->text();
  }
  QCOMPARE(titles, (QStringList{"&File", "&Edit", "&Settings", "&Reader", "&View", "&?"}));
  QCOMPARE(entries,
           (QStringList{"&File>&Quit", "&Edit>&Clear", "&Settings>&Port",
                        "&Settings>&Device Manager", "&Settings>D&B", "&Settings>&Config",
                        "&Settings>&Online", "&Reader>&Save reader configuration...",
                        "&Reader>&Apply reader configuration...", "&View>Record &Trace",
                        "&View>Received in &Hex", "&View>Times &before Lines", "&?>&Info"}));
  QVERIFY(window_->MenuAction(menu::kHexView)->isCheckable());
  QCOMPARE(window_->MenuAction(menu::kDb)->text(), QStringLiteral("D&B"));
  QCOMPARE(window_->MenuAction(menu::kInfo)->shortcut(), QKeySequence(Qt::Key_F1));
  QCOMPARE(window_->MenuAction(menu::kQuit)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
  QVERIFY(window_->MenuAction(ctl::kSend) == nullptr);
}

void MainWindowTest::startWithoutPortReportsOnceAndShowsTerminalOnly() {
  Start();
  QCOMPARE(messages_.size(), std::size_t{1});
  QCOMPARE(messages_[0].text, std::string("error on open com port"));
  QCOMPARE(messages_[0].caption, std::string("open com port error"));
  QCOMPARE(messages_[0].type & app::mb::kIconMask, app::mb::kIconHand);
  QVERIFY(Control<QLineEdit>(ctl::kToSend)->isVisible());
  QVERIFY(Control<QPlainTextEdit>(ctl::kReceived)->isVisible());
  for (const int id : {ctl::kRead, ctl::kSv, ctl::kLogging}) {
    QVERIFY2(!Control<QPushButton>(id)->isVisible(), qPrintable(QString::number(id)));
  }
}

void MainWindowTest::dbMenuShowsDbGroup() {
  Start();
  messages_.clear();
  window_->MenuAction(menu::kDb)->trigger();
  QVERIFY(Recorded("Set reader to Database/PC Mode"));
  QVERIFY(Control<QPushButton>(ctl::kRead)->isVisible());
  QVERIFY(Control<QLabel>(ctl::kDataset)->isVisible());
  QVERIFY(!Control<QPushButton>(ctl::kSv)->isVisible());
  QVERIFY(!Control<QLineEdit>(ctl::kKeyboardField)->isVisible());
  QVERIFY(Control<QLineEdit>(ctl::kToSend)->isVisible());

  // The second time it goes away again.
  messages_.clear();
  window_->MenuAction(menu::kDb)->trigger();
  QVERIFY(Recorded("Abort Database/PC Mode of reader"));
  QVERIFY(!Control<QPushButton>(ctl::kRead)->isVisible());
}

void MainWindowTest::configReplacesDbWithoutMessage() {
  Start();
  window_->MenuAction(menu::kDb)->trigger();
  messages_.clear();
  window_->MenuAction(menu::kConfig)->trigger();
  QVERIFY(messages_.empty());
  QVERIFY(Control<QPushButton>(ctl::kSv)->isVisible());
  QVERIFY(Control<QComboBox>(ctl::kTagTypes)->isVisible());
  QVERIFY(!Control<QPushButton>(ctl::kRead)->isVisible());
  // The single-shot "GT" button stays hidden behind its check box.
  QVERIFY(!Control<QPushButton>(ctl::kGtOnce)->isVisible());
  QVERIFY(Control<QPushButton>(ctl::kGt)->isVisible());
}

void MainWindowTest::onlineTwiceHidesTerminalAndShrinksWindow() {
  Start();
  window_->MenuAction(menu::kOnline)->trigger();
  QVERIFY(Control<QLineEdit>(ctl::kKeyboardField)->isVisible());
  QVERIFY(Control<QLineEdit>(ctl::kToSend)->isVisible());
  // The controller moves the focus to the keyboard-simulation field.
  QCOMPARE(window_->focusWidget(), window_->ControlWidget(ctl::kKeyboardField));
  Control<QLineEdit>(ctl::kToSend)->setFocus();
  QTRY_VERIFY(window_->height() >= window_->sizeHint().height());
  const int withTerminal = window_->height();

  window_->MenuAction(menu::kOnline)->trigger();
  QVERIFY(!Control<QLineEdit>(ctl::kToSend)->isVisible());
  QVERIFY(!Control<QPlainTextEdit>(ctl::kSent)->isVisible());
  QVERIFY(Control<QLineEdit>(ctl::kKeyboardField)->isVisible());
  // Asked again, although nothing else about the field changed.
  QCOMPARE(window_->focusWidget(), window_->ControlWidget(ctl::kKeyboardField));
  QCOMPARE(Control<QCheckBox>(ctl::kDoubleCodes)->isEnabled(),
           dialog_->controls().at(ctl::kDoubleCodes).enabled);
  QTRY_VERIFY(window_->height() < withTerminal / 2);

  // The third time brings the terminal back, without a group.
  window_->MenuAction(menu::kOnline)->trigger();
  QVERIFY(Control<QLineEdit>(ctl::kToSend)->isVisible());
  QVERIFY(!Control<QLineEdit>(ctl::kKeyboardField)->isVisible());
  QTRY_VERIFY(window_->height() > withTerminal / 2);
}

void MainWindowTest::enterInEnterFieldsKeepsWindowOpen() {
  Start();
  auto* toSend = Control<QLineEdit>(ctl::kToSend);
  toSend->setFocus();
  QTest::keyClicks(toSend, QStringLiteral("SV"));
  QTest::keyClick(toSend, Qt::Key_Return);
  QVERIFY(window_->isVisible());
  QVERIFY(!dialog_->ended());
  QVERIFY(!host_->endResult().has_value());
  // The field's own Enter handling ran: the send text is selected for the next entry.
  QCOMPARE(toSend->selectedText(), QStringLiteral("SV"));

  window_->MenuAction(menu::kOnline)->trigger();
  auto* keyboard = Control<QLineEdit>(ctl::kKeyboardField);
  QTest::keyClicks(keyboard, QStringLiteral("abc"));
  QTest::keyClick(keyboard, Qt::Key_Enter);
  QVERIFY(!dialog_->ended());
  QCOMPARE(keyboard->selectedText(), QStringLiteral("abc"));
}

void MainWindowTest::enterOrEscElsewhereKeepsTheProgram() {
  Start();
  window_->MenuAction(menu::kConfig)->trigger();
  auto* numeric = Control<QLineEdit>(ctl::kNumericValue);
  QTest::keyClick(numeric, Qt::Key_Return);
  QTest::keyClick(numeric, Qt::Key_Escape);
  QVERIFY(!dialog_->ended());
  QVERIFY(window_->isVisible());
  // Quit ends it, with the settings saved (its Ctrl+Q through a real X server: the
  // window test under Xvfb).
  window_->MenuAction(menu::kQuit)->trigger();
  QVERIFY(dialog_->ended());
  QVERIFY(!window_->isVisible());
  QVERIFY(QFile::exists(ini_));

  cleanup();
  init();
  Start();
  QTest::keyClick(Control<QPlainTextEdit>(ctl::kReceived), Qt::Key_Escape);
  QVERIFY(!dialog_->ended());
}

void MainWindowTest::closeBoxSavesSettings() {
  Start();
  window_->MenuAction(menu::kConfig)->trigger();
  QVERIFY(!QFile::exists(ini_));
  QVERIFY(window_->close());
  QVERIFY(dialog_->ended());
  QCOMPARE(host_->endResult(), std::optional<int>(app::id::kCancel));
  QVERIFY(QFile::exists(ini_));
  QFile file(ini_);
  QVERIFY(file.open(QIODevice::ReadOnly));
  QVERIFY(file.readAll().contains("config=1"));
}

void MainWindowTest::windows1252TextBothWays() {
  Start();
  auto* toSend = Control<QLineEdit>(ctl::kToSend);
  dialog_->terminal().panes.sendText =
      "Gr\xFC\xDF"
      "e \x80";
  dialog_->UpdateData(false);
  QCOMPARE(toSend->text(), QString::fromUtf8("Gr\u00FC\u00DFe \u20AC"));

  dialog_->terminal().panes.sendText.clear();
  toSend->clear();
  Type(toSend, QString::fromUtf8("Gr\u00FC\u00DFe \u20AC"));
  dialog_->UpdateData(true);
  QCOMPARE(dialog_->terminal().panes.sendText, std::string("Gr\xFC\xDF"
                                                           "e \x80"));

  // What the program cannot keep shows as it is kept.
  Type(toSend, QString::fromUtf8("\u4E2D"));
  dialog_->UpdateData(true);
  QCOMPARE(dialog_->terminal().panes.sendText, std::string("Gr\xFC\xDF"
                                                           "e \x80?"));
  QCOMPARE(toSend->text(), QString::fromUtf8("Gr\u00FC\u00DFe \u20AC?"));
}

void MainWindowTest::receivedPaneShowsLinesAndScrollsToEnd() {
  Start(true);
  QVERIFY(messages_.empty());
  window_->resize(800, 260);
  auto* pane = Control<QPlainTextEdit>(ctl::kReceived);
  for (int i = 0; i < 18; ++i) reader_->SendRaw("line " + std::to_string(i) + "\r\n");
  QTRY_VERIFY(pane->toPlainText().contains(QStringLiteral("line 17")));
  QVERIFY(!pane->toPlainText().contains(QLatin1Char('\r')));
  QCOMPARE(pane->blockCount(), 19);  // 18 lines and the empty one after the last line end

  QScrollBar* bar = pane->verticalScrollBar();
  QVERIFY(bar->maximum() > 0);
  bar->setValue(0);
  reader_->SendRaw("last\r\n");
  QTRY_VERIFY(pane->toPlainText().contains(QStringLiteral("last")));
  QCOMPARE(bar->value(), bar->maximum());
}

void MainWindowTest::configRowsGetTheirColours() {
  Start();
  window_->MenuAction(menu::kConfig)->trigger();
  const auto background = [this](int id) {
    QWidget* widget = window_->ControlWidget(id);
    return widget->palette().color(widget->backgroundRole());
  };
  auto* command = Control<QLabel>(ctl::kCommandLabel);
  QVERIFY(command->autoFillBackground());
  QCOMPARE(background(ctl::kCommandLabel), QColor(197, 56, 48));
  QCOMPARE(background(ctl::kSvLabel), QColor(255, 255, 255));
  QCOMPARE(background(ctl::kGtLabel), QColor(156, 156, 156));
  QCOMPARE(background(ctl::kParameterResult), QColor(156, 156, 156));
  // Texts come with their backgrounds, whatever the theme; uncoloured controls paint like
  // the standard ones.
  QCOMPARE(command->palette().color(QPalette::WindowText), QColor(255, 255, 255));
  QCOMPARE(Control<QLabel>(ctl::kSvLabel)->palette().color(QPalette::WindowText), QColor(0, 0, 0));
  auto* toSendLabel = Control<QLabel>(ctl::kToSendLabel);
  QVERIFY(!toSendLabel->autoFillBackground());
  QCOMPARE(background(ctl::kToSendLabel),
           QApplication::palette(toSendLabel).color(toSendLabel->backgroundRole()));

  // Back to the default colours.
  dialog_->controls().SetColors(ctl::kSvLabel, app::kDefaultColor, app::kDefaultColor);
  QVERIFY(!Control<QLabel>(ctl::kSvLabel)->autoFillBackground());
  QCOMPARE(background(ctl::kSvLabel), background(ctl::kToSendLabel));
}

// WCAG's contrast ratio of two colours.
double Contrast(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& c) {
    const auto channel = [](double v) {
      return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
  };
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void MainWindowTest::configRowsReadOnADarkTheme() {
  // A dark theme's palette: light text on dark ground.
  const QPalette before = QApplication::palette();
  QPalette dark = before;
  dark.setColor(QPalette::Window, QColor(40, 40, 40));
  dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
  dark.setColor(QPalette::Base, QColor(30, 30, 30));
  dark.setColor(QPalette::Text, QColor(230, 230, 230));
  QApplication::setPalette(dark);
  Start();
  window_->MenuAction(menu::kConfig)->trigger();
  for (const int id : {ctl::kCommandLabel, ctl::kSvLabel, ctl::kSvResult, ctl::kGtLabel,
                       ctl::kCommLabel, ctl::kParameterResult}) {
    QWidget* widget = window_->ControlWidget(id);
    const QPalette palette = widget->palette();
    const double ratio =
        Contrast(palette.color(widget->foregroundRole()), palette.color(widget->backgroundRole()));
    QVERIFY2(ratio >= 3.0,
             qPrintable(QStringLiteral("control %1: contrast %2").arg(id).arg(ratio)));
  }
  QApplication::setPalette(before);
}

void MainWindowTest::aLongCommandOnARowButtonKeepsItsWidth() {
  Start();
  window_->MenuAction(menu::kConfig)->trigger();
  auto* clock = Control<QPushButton>(ctl::kClockSet);
  const int width = clock->width();
  dialog_->controls().SetText(ctl::kClockSet, "r091226025100");  // the clock set in write mode
  QCOMPARE(clock->text(), QStringLiteral("r0912\u2026"));
  QCOMPARE(clock->toolTip(), QStringLiteral("r091226025100"));
  QTest::qWait(50);
  QCOMPARE(clock->width(), width);
  dialog_->controls().SetText(ctl::kClockSet, "R");
  QCOMPARE(clock->text(), QStringLiteral("R"));
  QVERIFY(clock->toolTip().isEmpty());
}

void MainWindowTest::everyControlHasAnAccessibleName() {
  Start();
  for (const auto group : {menu::kConfig, menu::kDb, menu::kOnline}) {
    window_->MenuAction(group)->trigger();
    for (const int id : dialog_->controls().ids()) {
      const app::ControlState& state = dialog_->controls().at(id);
      if (state.kind == app::ControlKind::Frame || state.kind == app::ControlKind::Marker) continue;
      QWidget* widget = window_->ControlWidget(id);
      if (widget == nullptr) continue;
      QVERIFY2(!widget->accessibleName().isEmpty(), qPrintable(QString::number(id)));
    }
  }
  QCOMPARE(window_->ControlWidget(ctl::kNumericValue)->accessibleName(),
           QStringLiteral("Numeric Parameter: value"));
  QCOMPARE(window_->ControlWidget(ctl::kTagTypeButton)->accessibleName(),
           QStringLiteral("Tag Types: run"));
}

// Every accessible object below `object`, asked what a screen reader asks: name, role,
// state, text, its children and its parent.
int WalkAccessible(QAccessibleInterface* object, int depth) {
  if (object == nullptr || !object->isValid() || depth > 40) return 0;
  (void)object->text(QAccessible::Name);
  (void)object->text(QAccessible::Description);
  (void)object->role();
  (void)object->state();
  (void)object->rect();
  (void)object->parent();
  int count = 1;
  for (int i = 0; i < object->childCount(); ++i)
    count += WalkAccessible(object->child(i), depth + 1);
  return count;
}

void MainWindowTest::accessibilityTreeCanBeWalkedWhole() {
  Start();
  for (const auto group : {menu::kConfig, menu::kDb, menu::kOnline}) {
    window_->MenuAction(group)->trigger();
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window_.get());
    QVERIFY(root != nullptr);
    QVERIFY(WalkAccessible(root, 0) > 40);
  }
  QVERIFY(!dialog_->ended());
}

void MainWindowTest::checkListTogglesKeepListOpen() {
  Start();
  window_->MenuAction(menu::kConfig)->trigger();
  auto* combo = Control<CheckListCombo>(ctl::kTagTypes);
  QCOMPARE(combo->count(), 12);
  QCOMPARE(combo->DisplayText(), QString());

  combo->showPopup();
  QAbstractItemView* view = combo->view();
  QTRY_VERIFY(view->isVisible());
  const auto click = [&](int row) {
    const QRect rect = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
  };
  click(0);
  QVERIFY(view->isVisible());
  QVERIFY(combo->IsChecked(0));
  click(4);
  QCOMPARE(combo->DisplayText(), QStringLiteral("Trovan; HDX"));
  QCOMPARE(dialog_->controls().at(ctl::kTagTypes).text, std::string("Trovan; HDX"));
  click(0);
  QCOMPARE(dialog_->controls().at(ctl::kTagTypes).text, std::string("HDX"));

  view->setCurrentIndex(view->model()->index(1, 0));
  QTest::keyClick(view, Qt::Key_Space);
  QCOMPARE(combo->DisplayText(), QStringLiteral("ASK; HDX"));
  QVERIFY(view->isVisible());
  QCOMPARE(combo->currentIndex(), -1);
  combo->hidePopup();

  // A change elsewhere keeps the user's checks; new items from the controller replace them.
  dialog_->controls().SetColors(ctl::kTagTypes, app::kDefaultColor, app::Rgb(1, 2, 3));
  QCOMPARE(combo->DisplayText(), QStringLiteral("ASK; HDX"));
  dialog_->controls().SetItems(ctl::kTagTypes, {"A", "B"});
  QCOMPARE(combo->count(), 2);
  QCOMPARE(combo->DisplayText(), QString());
}

void MainWindowTest::startupTimerPutsImageOnLoggingButton() {
  Start();
  auto* logging = Control<QPushButton>(ctl::kLogging);
  QVERIFY(logging->icon().isNull());
  QVERIFY(host_->TimerActive(app::timer::kStartup));
  QTRY_VERIFY_WITH_TIMEOUT(!logging->icon().isNull(), 5000);
  QVERIFY(!host_->TimerActive(app::timer::kStartup));
  QVERIFY(host_->TimerActive(app::timer::kPoll));

  // Setting a timer again restarts it; killing it stops the ticks.
  host_->SetTimer(app::timer::kPoll, 20);
  host_->SetTimer(app::timer::kPoll, 30);
  QVERIFY(host_->TimerActive(app::timer::kPoll));
  host_->KillTimer(app::timer::kPoll);
  QVERIFY(!host_->TimerActive(app::timer::kPoll));
}

void MainWindowTest::messageBoxMapsIconsAndButtons() {
  QtHost host;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QString title;
  QString text;
  const auto answerWith = [&](QMessageBox::StandardButton answer) {
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [&, poll, answer] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      poll->stop();
      poll->deleteLater();
      icon = box->icon();
      buttons = box->standardButtons();
      title = box->windowTitle();
      text = box->text();
      box->button(answer)->click();
    });
    poll->start(10);
  };

  answerWith(QMessageBox::No);
  QCOMPARE(host.MessageBox("Delete \x80?", "", app::mb::kYesNo | app::mb::kIconQuestion),
           app::id::kNo);
  QCOMPARE(icon, QMessageBox::Question);
  QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);
  QCOMPARE(title, QStringLiteral("Tagline Console"));
  QCOMPARE(text, QString::fromUtf8("Delete \u20AC?"));

  answerWith(QMessageBox::Cancel);
  QCOMPARE(host.MessageBox("x", "Caption", app::mb::kOkCancel | app::mb::kIconHand),
           app::id::kCancel);
  QCOMPARE(icon, QMessageBox::Critical);
  QCOMPARE(title, QStringLiteral("Caption"));

  answerWith(QMessageBox::Yes);
  QCOMPARE(host.MessageBox("x", "", app::mb::kYesNoCancel | app::mb::kIconExclamation),
           app::id::kYes);
  QCOMPARE(icon, QMessageBox::Warning);
  QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);

  answerWith(QMessageBox::Ok);
  QCOMPARE(host.MessageBox("x", "", app::mb::kIconAsterisk), app::id::kOk);
  QCOMPARE(icon, QMessageBox::Information);
  QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

  // A summary's tab-separated columns line up (a table), and the box is as wide as its title.
  int width = 0;
  auto* poll = new QTimer(this);
  connect(poll, &QTimer::timeout, this, [&, poll] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    poll->stop();
    poll->deleteLater();
    text = box->text();
    width = box->width();
    title = box->windowTitle();
    box->button(QMessageBox::Ok)->click();
  });
  poll->start(10);
  host.MessageBox("'WP'\tInit Pointer\tOK\r\n'r'\tSet Clock\t\tNOK\r\n",
                  "a caption that is long enough to be cut by a narrow box", app::mb::kOk);
  QVERIFY(text.startsWith(QStringLiteral("<table")));
  QVERIFY2(text.contains(QStringLiteral("<td style=\"padding-right:12px\">Init Pointer</td>")),
           qPrintable(text));
  QVERIFY(text.contains(QStringLiteral(">Set Clock</td><td style=\"padding-right:12px\">NOK<")));
  QVERIFY(width >= QFontMetrics(QApplication::font()).horizontalAdvance(title));
}

void MainWindowTest::enterInTheChoiceFieldTakesTheFirstAnswer() {
  QtHost host;
  std::string serial = "";
  app::ChoiceRequest request;
  request.caption = "Write Serial Number";
  request.options = {"YES", "NO"};
  request.text = &serial;
  request.acceptText = [](const std::string& t) { return t.size() == 8; };
  std::optional<int> answer;
  int tries = 0;
  QTimer::singleShot(50, this, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    auto* edit = modal != nullptr ? modal->findChild<QLineEdit*>() : nullptr;
    if (edit == nullptr) return;
    // Enter with a number that does not do is no answer; with one that does, it is YES.
    QTest::keyClicks(edit, "123");
    QTest::keyClick(edit, Qt::Key_Return);
    tries = modal->isVisible() ? 1 : 0;
    QTest::keyClicks(edit, "45678");
    QTest::keyClick(edit, Qt::Key_Return);
  });
  answer = host.ChoiceDialog(request);
  QCOMPARE(tries, 1);
  QCOMPARE(answer, std::optional<int>(0));
  QCOMPARE(serial, std::string("12345678"));
}

void MainWindowTest::deviceManagerShowsSerialPortsWindow() {
  Start();
  window_->MenuAction(menu::kDeviceManager)->trigger();
  QWidget* ports = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->windowTitle() == QStringLiteral("Serial Ports") && w->isVisible()) ports = w;
  }
  QVERIFY(ports != nullptr);
  auto* text = ports->findChild<QPlainTextEdit*>();
  QVERIFY(text != nullptr && text->isReadOnly());
  QVERIFY(!text->toPlainText().isEmpty());
  QVERIFY(ports->findChild<QPushButton*>() != nullptr);
  // Esc closes it (and the window goes); the menu opens a new one, which goes with the main
  // window.
  const QPointer<QWidget> first = ports;
  QTest::keyClick(text, Qt::Key_Escape);
  QTRY_VERIFY(first.isNull() || !first->isVisible());
  window_->MenuAction(menu::kDeviceManager)->trigger();
  ports = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->windowTitle() == QStringLiteral("Serial Ports") && w->isVisible()) ports = w;
  }
  QVERIFY(ports != nullptr);
  window_->close();
  QVERIFY(!ports->isVisible());
}

}  // namespace tagline::ui

QTEST_MAIN(tagline::ui::MainWindowTest)
#include "main_window_test.moc"
