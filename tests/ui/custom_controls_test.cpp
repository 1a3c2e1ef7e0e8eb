// SPDX-License-Identifier: Apache-2.0
// The main window's own controls on Qt (offscreen): the check-list combo of the tag-type
// row, the colour controls, and the fields that take Enter for themselves.
#include "ui/control_widgets.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <memory>
#include <vector>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "sim/simulated_reader.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"

namespace tagline::ui {

namespace ctl = app::ctl;
namespace menu = app::menu;

class CustomControlsTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup();

  // Check-list combo.
  void displayTextFollowsTheListSeparator();
  void oneSelectionChangePerToggleAndNoneBesideTheItems();
  void toggleResetsTheRowButtonCaption();

  // Colour controls.
  void colourValuesResolve();
  void defaultColoursPaintLikeAStandardStatic();
  void patternAndSystemColourBackgrounds();
  void blinkingAlternatesOnlyWhileOn();

  // Enter in the fields.
  void enterInSendFieldSendsAndKeepsTheWindow();
  void enterInKeyboardFieldSelectsAndSendsNothing();
  void enterElsewhereKeepsTheProgramAndQuitSaves();

  // Panes.
  void paneAppendsWhatArrivedAndRewritesOnlyOtherText();

 private:
  void Start(bool withReader);
  template <class W>
  W* Control(int id) const {
    auto* widget = qobject_cast<W*>(window_->ControlWidget(id));
    if (widget == nullptr) qFatal("control %d missing or of another kind", id);
    return widget;
  }
  static void ClickItem(QAbstractItemView* view, int row) {
    const QRect rect = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
  }

  std::unique_ptr<QTemporaryDir> dir_;
  QString ini_;
  std::unique_ptr<sim::SimulatedReader> reader_;
  std::unique_ptr<QtHost> host_;
  std::unique_ptr<app::MainDialog> dialog_;
  std::unique_ptr<MainWindow> window_;
};

void CustomControlsTest::cleanup() {
  window_.reset();
  if (host_) host_->Attach(nullptr, nullptr);
  dialog_.reset();
  host_.reset();
  reader_.reset();
  dir_.reset();
}

void CustomControlsTest::Start(bool withReader) {
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(dir_->isValid());
  ini_ = dir_->filePath(QStringLiteral("Tagline_Console.ini"));
  app::MainDialogOptions options;
  options.iniPath = ini_.toStdString();
  if (withReader) {
    std::string error;
    sim::SimOptions simOptions;
    simOptions.latencyMs = 1;
    simOptions.paceByBaud = false;
    reader_ = sim::SimulatedReader::Start(simOptions, error);
    QVERIFY2(reader_ != nullptr, error.c_str());
    options.portOverride = reader_->DevicePath();
  }
  host_ = std::make_unique<QtHost>();
  host_->SetMessageBoxHook(
      [](const std::string&, const std::string&, unsigned) { return app::id::kOk; });
  dialog_ = std::make_unique<app::MainDialog>(*host_, options);
  window_ = std::make_unique<MainWindow>(*dialog_);
  host_->Attach(dialog_.get(), window_.get());
  dialog_->OnInitDialog();
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

// ---------------------------------------------------------------------------------------
// Check-list combo

void CustomControlsTest::displayTextFollowsTheListSeparator() {
  const QStringList checked{"Trovan", "HDX"};
  QCOMPARE(JoinCheckedTexts(checked, QStringLiteral(";")), QStringLiteral("Trovan; HDX"));
  QCOMPARE(JoinCheckedTexts(checked, QStringLiteral(",")), QStringLiteral("Trovan, HDX"));
  // No separator: ";"; trailing blanks give way to exactly one.
  QCOMPARE(JoinCheckedTexts(checked, QString()), QStringLiteral("Trovan; HDX"));
  QCOMPARE(JoinCheckedTexts(checked, QStringLiteral(" |   ")), QStringLiteral("Trovan | HDX"));
  QCOMPARE(JoinCheckedTexts({}, QStringLiteral(",")), QString());
  QCOMPARE(JoinCheckedTexts({"ASK"}, QStringLiteral(",")), QStringLiteral("ASK"));
#ifndef Q_OS_WIN
  QCOMPARE(LocaleListSeparator(), QStringLiteral(";"));
#endif

  CheckListCombo combo;
  combo.SetItems({"Trovan", "ASK", "HDX"}, {true, false, true});
  QCOMPARE(combo.DisplayText(), JoinCheckedTexts(checked, LocaleListSeparator()));
  combo.SetListSeparator(QStringLiteral(","));
  QCOMPARE(combo.DisplayText(), QStringLiteral("Trovan, HDX"));
  combo.SetChecked(0, false);
  combo.SetChecked(2, false);
  QCOMPARE(combo.DisplayText(), QString());
}

void CustomControlsTest::oneSelectionChangePerToggleAndNoneBesideTheItems() {
  QWidget parent;
  auto* combo = new CheckListCombo(&parent);
  combo->SetItems({"Trovan", "ASK", "HDX"}, {false, false, false});
  parent.show();
  QVERIFY(QTest::qWaitForWindowExposed(&parent));
  QSignalSpy toggles(combo, &CheckListCombo::checkToggled);
  // Room in the list below its items.
  combo->view()->setMinimumHeight(200);
  combo->showPopup();
  QAbstractItemView* view = combo->view();
  QTRY_VERIFY(view->isVisible());

  ClickItem(view, 2);
  QCOMPARE(toggles.count(), 1);
  QCOMPARE(toggles.at(0).at(0).toInt(), 2);
  QVERIFY(combo->IsChecked(2));
  QVERIFY(view->isVisible());

  // A click on the list below its last item toggles nothing and keeps it open.
  const QRect last = view->visualRect(view->model()->index(2, 0));
  QVERIFY(view->viewport()->height() > last.bottom() + 4);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                    QPoint(last.center().x(), last.bottom() + 3));
  QCOMPARE(toggles.count(), 1);
  QVERIFY(view->isVisible());
  ClickItem(view, 2);
  QCOMPARE(toggles.count(), 2);
  QVERIFY(!combo->IsChecked(2));

  // Space toggles the item the keyboard highlighted, not the first.
  view->setCurrentIndex(view->model()->index(0, 0));
  QTest::keyClick(view, Qt::Key_Down);
  QTest::keyClick(view, Qt::Key_Space);
  QCOMPARE(toggles.count(), 3);
  QVERIFY(combo->IsChecked(1));
  QVERIFY(!combo->IsChecked(0));
  QVERIFY(view->isVisible());
  QCOMPARE(combo->currentIndex(), -1);
  combo->hidePopup();
}

void CustomControlsTest::toggleResetsTheRowButtonCaption() {
  Start(false);
  window_->MenuAction(menu::kConfig)->trigger();
  auto* button = Control<QPushButton>(ctl::kTagTypeButton);
  auto* combo = Control<CheckListCombo>(ctl::kTagTypes);
  // After a write the button shows the command it sent.
  dialog_->controls().SetText(ctl::kTagTypeButton, "s1F0FF");
  QCOMPARE(button->text(), QStringLiteral("s1F0FF"));

  combo->showPopup();
  QAbstractItemView* view = combo->view();
  QTRY_VERIFY(view->isVisible());
  ClickItem(view, 1);
  QCOMPARE(button->text(), QStringLiteral("..."));
  QCOMPARE(dialog_->controls().at(ctl::kTagTypeButton).text, std::string("..."));
  QCOMPARE(dialog_->controls().at(ctl::kTagTypes).itemChecks[1], true);

  // The space bar goes the same way.
  dialog_->controls().SetText(ctl::kTagTypeButton, "s1F000");
  view->setCurrentIndex(view->model()->index(4, 0));
  QTest::keyClick(view, Qt::Key_Space);
  QCOMPARE(button->text(), QStringLiteral("..."));
  QCOMPARE(dialog_->controls().at(ctl::kTagTypes).text, std::string("ASK; HDX"));
  combo->hidePopup();
}

// ---------------------------------------------------------------------------------------
// Colour controls

void CustomControlsTest::colourValuesResolve() {
  const QPalette palette = QApplication::palette();
  QCOMPARE(ResolveControlColor(app::kDefaultColor, palette), std::optional<QColor>());
  QCOMPARE(ResolveControlColor(app::Rgb(197, 56, 48), palette),
           std::optional<QColor>(QColor(197, 56, 48)));
  QCOMPARE(ResolveControlColor(0, palette), std::optional<QColor>(QColor(0, 0, 0)));
  // 0x80 in the top byte: the system colour of that index.
  QCOMPARE(ResolveControlColor(SystemColor(5), palette),
           std::optional<QColor>(palette.color(QPalette::Base)));
  QCOMPARE(ResolveControlColor(SystemColor(8), palette),
           std::optional<QColor>(palette.color(QPalette::Text)));
  QCOMPARE(ResolveControlColor(SystemColor(13), palette),
           std::optional<QColor>(palette.color(QPalette::Highlight)));
  QCOMPARE(SystemColorRole(15), QPalette::Button);
  QCOMPARE(SystemColorRole(99), QPalette::Window);
  QCOMPARE(SystemColor(5), 0x80000005u);
}

void CustomControlsTest::defaultColoursPaintLikeAStandardStatic() {
  QWidget parent;
  auto* standard = new QLabel(QStringLiteral("Software Version"), &parent);
  auto* coloured = new QLabel(QStringLiteral("Software Version"), &parent);
  standard->setGeometry(0, 0, 160, 24);
  coloured->setGeometry(0, 30, 160, 24);
  parent.show();
  QVERIFY(QTest::qWaitForWindowExposed(&parent));
  ColorControl colours(coloured);
  colours.SetTextColor(app::kDefaultColor);
  colours.SetBackground(app::kDefaultColor);
  QVERIFY(!coloured->autoFillBackground());
  QCOMPARE(coloured->grab().toImage(), standard->grab().toImage());

  colours.SetBackground(app::Rgb(156, 156, 156));
  QVERIFY(coloured->autoFillBackground());
  QCOMPARE(coloured->palette().color(QPalette::Window), QColor(156, 156, 156));
  QVERIFY(coloured->grab().toImage() != standard->grab().toImage());
  colours.SetTextColor(app::Rgb(255, 0, 0));
  QCOMPARE(coloured->palette().color(QPalette::WindowText), QColor(255, 0, 0));

  colours.SetTextColor(app::kDefaultColor);
  colours.SetBackground(app::kDefaultColor);
  QCOMPARE(coloured->grab().toImage(), standard->grab().toImage());
}

void CustomControlsTest::patternAndSystemColourBackgrounds() {
  QLabel label(QStringLiteral("x"));
  ColorControl colours(&label);
  colours.SetBackground(SystemColor(13));  // COLOR_HIGHLIGHT
  QCOMPARE(label.palette().color(QPalette::Window),
           QApplication::palette(&label).color(QPalette::Highlight));
  QVERIFY(label.autoFillBackground());

  QPixmap pattern(8, 8);
  pattern.fill(QColor(10, 200, 30));
  colours.SetBackgroundPattern(pattern);
  QCOMPARE(label.palette().brush(QPalette::Window).style(), Qt::TexturePattern);
  // Without its own background the opaque flag still fills it.
  colours.SetBackgroundPattern({});
  colours.SetBackground(app::kDefaultColor);
  QVERIFY(!label.autoFillBackground());
  colours.SetOpaque(true);
  QVERIFY(label.autoFillBackground());
}

void CustomControlsTest::blinkingAlternatesOnlyWhileOn() {
  QLabel label(QStringLiteral("x"));
  ColorControl colours(&label);
  colours.SetBackground(app::Rgb(1, 1, 1));
  colours.SetBlinkBackgrounds(app::Rgb(255, 0, 0), app::Rgb(0, 255, 0));
  // Blinking is off unless switched on: ticks change nothing.
  QVERIFY(!colours.timerRunning());
  colours.Tick();
  QCOMPARE(colours.phase(), 0);
  QCOMPARE(colours.CurrentBackground(), app::Rgb(1, 1, 1));

  colours.SetBlink(false, true);
  QVERIFY(colours.timerRunning());
  QCOMPARE(label.palette().color(QPalette::Window), QColor(255, 0, 0));
  colours.Tick();
  QCOMPARE(colours.phase(), 1);
  QCOMPARE(label.palette().color(QPalette::Window), QColor(0, 255, 0));
  colours.Tick();
  QCOMPARE(label.palette().color(QPalette::Window), QColor(255, 0, 0));
  // The text colour is not blinking: it stays.
  QCOMPARE(colours.CurrentTextColor(), app::kDefaultColor);

  // The control's own timer does the ticking.
  colours.SetBlinkPeriod(10);
  const int before = colours.phase();
  QTRY_VERIFY(colours.phase() != before);

  colours.SetBlink(false, false);
  QVERIFY(!colours.timerRunning());
  QCOMPARE(colours.phase(), 0);
  QCOMPARE(label.palette().color(QPalette::Window), QColor(1, 1, 1));
}

// ---------------------------------------------------------------------------------------
// Enter in the fields

void CustomControlsTest::enterInSendFieldSendsAndKeepsTheWindow() {
  Start(true);
  auto* toSend = Control<QLineEdit>(ctl::kToSend);
  toSend->setFocus();
  QTest::keyClicks(toSend, QStringLiteral("SV"));
  QTest::keyClick(toSend, Qt::Key_Return);
  QVERIFY(reader_->WaitForCommands(1, 5000));
  QCOMPARE(reader_->Commands().front(), std::string("SV"));
  QVERIFY(window_->isVisible());
  QVERIFY(!dialog_->ended());
  QVERIFY(dialog_->terminal().panes.sent.find("SV") != std::string::npos);

  // The keypad's Enter key the same way.
  QTest::keyClick(toSend, Qt::Key_Enter, Qt::KeypadModifier);
  QVERIFY(reader_->WaitForCommands(2, 5000));
  QVERIFY(!dialog_->ended());
}

void CustomControlsTest::enterInKeyboardFieldSelectsAndSendsNothing() {
  Start(true);
  window_->MenuAction(menu::kOnline)->trigger();
  auto* keyboard = Control<QLineEdit>(ctl::kKeyboardField);
  QTest::keyClicks(keyboard, QStringLiteral("12345"));
  const std::string sentBefore = dialog_->terminal().panes.sent;
  QTest::keyClick(keyboard, Qt::Key_Return);
  QCOMPARE(keyboard->selectedText(), QStringLiteral("12345"));
  QVERIFY(!dialog_->ended());
  QCOMPARE(dialog_->terminal().panes.sent, sentBefore);
  QTest::qWait(100);
  QVERIFY(reader_->Commands().empty());
}

void CustomControlsTest::enterElsewhereKeepsTheProgramAndQuitSaves() {
  Start(false);
  auto* toSend = Control<QLineEdit>(ctl::kToSend);
  QTest::keyClicks(toSend, QStringLiteral("XYZ"));
  window_->MenuAction(menu::kConfig)->trigger();
  QTest::keyClick(Control<QLineEdit>(ctl::kNumericValue), Qt::Key_Return);
  QVERIFY(!dialog_->ended());
  window_->MenuAction(menu::kQuit)->trigger();
  QVERIFY(dialog_->ended());
  QFile file(ini_);
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray saved = file.readAll();
  QVERIFY(saved.contains("send=XYZ"));
  QVERIFY(saved.contains("config=1"));
}

void CustomControlsTest::paneAppendsWhatArrivedAndRewritesOnlyOtherText() {
  PaneEdit pane;
  struct Change {
    int position, removed, added;
  };
  std::vector<Change> changes;
  QObject::connect(pane.document(), &QTextDocument::contentsChange,
                   [&changes](int position, int removed, int added) {
                     changes.push_back({position, removed, added});
                   });
  pane.SetPaneText("SV\r\nB2.0\r\n");
  QCOMPARE(pane.toPlainText(), QString("SV\nB2.0\n"));

  // Grown text: only the new tail goes into the document.
  changes.clear();
  pane.SetPaneText("SV\r\nB2.0\r\nGT\r\n");
  QCOMPARE(pane.toPlainText(), QString("SV\nB2.0\nGT\n"));
  QCOMPARE(changes.size(), std::size_t{1});
  QCOMPARE(changes[0].position, 8);
  QCOMPARE(changes[0].removed, 0);
  QCOMPARE(changes[0].added, 3);

  // The first line dropped at the pane's limit: removed at the start, the rest appended.
  changes.clear();
  pane.SetPaneText("B2.0\r\nGT\r\nRN\r\n");
  QCOMPARE(pane.toPlainText(), QString("B2.0\nGT\nRN\n"));
  QCOMPARE(changes.size(), std::size_t{2});
  QCOMPARE(changes[0].position, 0);
  QCOMPARE(changes[0].removed, 3);
  QCOMPARE(changes[1].added, 3);

  // Text that does not continue the pane (emptied, or other) is set anew.
  pane.SetPaneText("");
  QCOMPARE(pane.toPlainText(), QString());
  pane.SetPaneText("EC\r\n");
  pane.SetPaneText("WP\r\n");
  QCOMPARE(pane.toPlainText(), QString("WP\n"));
  pane.SetPaneText("A\rB");
  pane.SetPaneText("A\rBC");
  QCOMPARE(pane.toPlainText().right(1), QString("C"));
}

}  // namespace tagline::ui

QTEST_MAIN(tagline::ui::CustomControlsTest)
#include "custom_controls_test.moc"
