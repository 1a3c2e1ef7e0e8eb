// SPDX-License-Identifier: Apache-2.0
// The real window as a technician uses it: an X server of its own (Xvfb) with a window
// manager (openbox, where installed), real pointer and key events through XTest, the
// simulated reader on the line. Each test asserts what reached the reader, what the
// widgets show, and that the program is still running where it should be.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <memory>

#include "../sample_records.h"
#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "platform/keyboard.h"
#include "reader/tag_type_masks.h"
#include "sim/reader_database.h"
#include "sim/reader_device.h"
#include "sim/simulated_reader.h"
#include "ui/control_widgets.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"
#include "xvfb_main.h"

// Xlib's macros (None, Bool, Status, ...) would break Qt's headers: it comes last.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace tagline::ui {

namespace ctl = app::ctl;
namespace menu = app::menu;

// Pointer and keys as the X server gets them from a device.
class XInput {
 public:
  XInput() : display_(XOpenDisplay(nullptr)) {}
  ~XInput() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  XInput(const XInput&) = delete;
  XInput& operator=(const XInput&) = delete;
  bool ok() const { return display_ != nullptr; }

  void Click(QWidget* widget, QPoint local = {-1, -1}) {
    if (local.x() < 0) local = widget->rect().center();
    const QPoint global = widget->mapToGlobal(local);
    XTestFakeMotionEvent(display_, -1, global.x(), global.y(), CurrentTime);
    Settle(50);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    Settle(80);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    Settle(200);
  }
  // A key, with Control or Alt held when asked.
  void Key(KeySym key, KeySym modifier = NoSymbol) {
    const KeyCode code = XKeysymToKeycode(display_, key);
    const KeyCode held = modifier == NoSymbol ? 0 : XKeysymToKeycode(display_, modifier);
    if (held != 0) XTestFakeKeyEvent(display_, held, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    if (held != 0) XTestFakeKeyEvent(display_, held, False, CurrentTime);
    Settle(250);
  }

 private:
  void Settle(int ms) {
    XFlush(display_);
    QTest::qWait(ms);
  }
  Display* display_;
};

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    if (dialog_ && !dialog_->ended()) dialog_->OnClose();
    window_.reset();
    dialog_.reset();
    host_.reset();
    device_.reset();
    database_.reset();
    reader_.reset();
    questions_.clear();
  }

  void openingTheTagTypeListTicksNothing() {
    Start("[CONFIG]\r\nconfig=1\r\n");
    auto* combo = qobject_cast<CheckListCombo*>(window_->ControlWidget(ctl::kTagTypes));
    QVERIFY(combo != nullptr);
    input_.Click(combo);
    QTRY_VERIFY(combo->view()->isVisible());
    for (int i = 0; i < combo->count(); ++i) QVERIFY2(!combo->IsChecked(i), "ticked by opening");
    // A click on an item ticks that one.
    QAbstractItemView* view = combo->view();
    const QRect hdx = view->visualRect(view->model()->index(4, 0));
    input_.Click(view->viewport(), hdx.center());
    QVERIFY(combo->IsChecked(4));
    QCOMPARE(combo->DisplayText(), QStringLiteral("HDX"));
    input_.Key(XK_Escape);
    QTRY_VERIFY(!view->isVisible());
    // The "..." button writes just that type.
    input_.Click(window_->ControlWidget(ctl::kTagTypeButton));
    const auto* cell = reader::TagTypeCellOf("HDX", protocol::ReaderModel::B20);
    QVERIFY(cell != nullptr);
    QTRY_COMPARE(device_->Cell(cell->address),
                 std::optional<std::uint8_t>(reader::TagTypeMask(*cell, "HDX")));
    QVERIFY(!dialog_->ended());
  }

  void keysThatDoNotEndTheProgramAndTheOnesThatDo() {
    Start("[CONFIG]\r\nconfig=1\r\n");
    input_.Click(window_->ControlWidget(ctl::kNumericValue));
    input_.Key(XK_Return);
    input_.Key(XK_Escape);
    QVERIFY(!dialog_->ended());
    QVERIFY(window_->isVisible());
    // Alt+S opens the Settings menu, F10 the menu bar; Esc closes them again.
    input_.Key(XK_s, XK_Alt_L);
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr);
    input_.Key(XK_Escape);
    input_.Key(XK_Escape);
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
    input_.Key(XK_F10);
    QTRY_VERIFY(window_->menuBar()->activeAction() != nullptr);
    input_.Key(XK_Escape);
    QVERIFY(!dialog_->ended());
    input_.Key(XK_q, XK_Control_L);
    QTRY_VERIFY(dialog_->ended());
  }

  void onlineCodesAreNotTypedIntoTheProgramsOwnDialog() {
    Start("[ONLINE]\r\nonline=1\r\n");
    std::string error;
    auto keyboard = platform::CreateKeyboard(platform::KeyboardKind::X11, error);
    if (!keyboard) QSKIP(("no XTest keyboard: " + error).c_str());
    dialog_->SetKeyboard(std::move(keyboard));
    QString typedIntoDialog;
    bool dialogSeen = false;
    // While the Online "..." file dialog is open, the reader sends a code.
    QTimer::singleShot(800, [this] { reader_->SendOnlineCode("12348832", sim::Terminator::Cr); });
    QTimer::singleShot(3000, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      dialogSeen = modal != nullptr;
      if (modal == nullptr) return;
      for (const QLineEdit* edit : modal->findChildren<QLineEdit*>())
        typedIntoDialog += edit->text();
      QTest::keyClick(modal, Qt::Key_Escape);
    });
    dialog_->OnCommand(ctl::kLogFile);
    QVERIFY(dialogSeen);
    QVERIFY2(!typedIntoDialog.contains(QStringLiteral("1234")), qPrintable(typedIntoDialog));
    QTRY_VERIFY(dialog_->controls()
                    .at(ctl::kReceived)
                    .text.find("// a window of this program is open, not typed") !=
                std::string::npos);
    QVERIFY(!dialog_->ended());
  }

  void databaseRoundTripWithGroupSwitchesDuringTheWrite() {
    const QString sheet = QString::fromStdString(dir_.filePath("db.xml").toStdString());
    Start("[DB]\r\ndb=1\r\nbackup=Never\r\nread_path=" + sheet.toStdString() +
          "\r\nwrite_path=" + sheet.toStdString() + "\r\n");
    std::vector<std::string> records;
    for (int i = 0; i < 200; ++i) {
      std::string record = kSampleRecords[static_cast<std::size_t>(i % 3)];
      const std::string number = std::to_string(1000 + i);
      record.replace(record.size() - number.size(), number.size(), number);
      records.push_back(record);
    }
    database_->SetRecords(records);
    const std::vector<int> jobButtons = {ctl::kRead, ctl::kWrite, ctl::kClear, ctl::kTest};

    // Read into the sheet, erase the reader (after saying yes), write the sheet back.
    input_.Click(window_->ControlWidget(ctl::kRead));
    QTRY_VERIFY_WITH_TIMEOUT(dialog_->LastJobResult(app::JobKind::DatabaseRead) != nullptr, 60000);
    QVERIFY2(dialog_->LastJobResult(app::JobKind::DatabaseRead)->ok,
             dialog_->LastJobResult(app::JobKind::DatabaseRead)->summary.c_str());
    QVERIFY(QFile::exists(sheet));
    input_.Click(window_->ControlWidget(ctl::kClear));
    QTRY_VERIFY_WITH_TIMEOUT(!dialog_->JobRunning(app::JobKind::DatabaseClear), 30000);
    QVERIFY(dialog_->LastJobResult(app::JobKind::DatabaseClear) != nullptr);
    QVERIFY(dialog_->LastJobResult(app::JobKind::DatabaseClear)->ok);
    QVERIFY(Asked("Erase every record in the reader's database? This cannot be undone."));
    QTRY_VERIFY(database_->Records().empty());

    input_.Click(window_->ControlWidget(ctl::kWrite));
    QTRY_VERIFY(dialog_->JobRunning(app::JobKind::DatabaseWrite));
    // Config and back to DB by the keyboard while the write runs: the job's buttons stay
    // off, whatever group shows.
    int switches = 0;
    for (const KeySym group : {XK_c, XK_b, XK_c, XK_b}) {
      if (!dialog_->JobRunning(app::JobKind::DatabaseWrite)) break;
      input_.Key(XK_s, XK_Alt_L);
      input_.Key(group);
      ++switches;
      for (const int id : jobButtons) {
        if (!dialog_->JobRunning(app::JobKind::DatabaseWrite)) break;
        QVERIFY2(!window_->ControlWidget(id)->isEnabled(), qPrintable(QString::number(id)));
      }
    }
    QVERIFY2(switches >= 2, "the write ended before the groups were switched");
    QTRY_VERIFY_WITH_TIMEOUT(!dialog_->JobRunning(app::JobKind::DatabaseWrite), 120000);
    const job::JobResult* write = dialog_->LastJobResult(app::JobKind::DatabaseWrite);
    QVERIFY(write != nullptr);
    QVERIFY2(write->ok, write->summary.c_str());
    QCOMPARE(database_->Records(), records);
    // Both panes show their ends: the last record written, and its ACK.
    const std::pair<int, QString> ends[] = {
        {ctl::kSent, QStringLiteral("w") + QString::fromStdString(records.back())},
        {ctl::kReceived, QStringLiteral("// ACK")}};
    for (const auto& [id, last] : ends) {
      auto* pane = qobject_cast<PaneEdit*>(window_->ControlWidget(id));
      QVERIFY(pane != nullptr);
      QVERIFY(pane->AtEnd());
      QCOMPARE(pane->toPlainText().trimmed().split(QLatin1Char('\n')).constLast(), last.trimmed());
    }
    // The DB group shows again (the last switch), its buttons back on.
    QTRY_VERIFY(window_->ControlWidget(ctl::kRead)->isVisible());
    for (const int id : jobButtons) QVERIFY(window_->ControlWidget(id)->isEnabled());
    QVERIFY(!dialog_->ended());
  }

  void factoryDefaultWithCancelInTheMiddle() {
    Start("[CONFIG]\r\nconfig=1\r\n[ACCESS]\r\ncode=xxxxxxxx47\r\n[DB]\r\nbackup=Never\r\n");
    // The job's questions come as real dialogs: the first is left with Esc, the others
    // answered with their last button.
    QStringList captions;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
      auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (modal == nullptr || qobject_cast<QMessageBox*>(modal) != nullptr ||
          captions.contains(modal->windowTitle()) || !modal->isActiveWindow()) {
        return;
      }
      captions << modal->windowTitle();
      if (captions.size() == 1) {
        input_.Key(XK_Escape);
      } else {
        const auto buttons = modal->findChildren<QPushButton*>();
        if (!buttons.isEmpty()) input_.Click(buttons.back());
      }
    });
    answer.start(300);
    input_.Click(window_->ControlWidget(ctl::kFactoryDefault));
    QTRY_VERIFY(dialog_->JobRunning(app::JobKind::FactoryDefault));
    QTRY_VERIFY_WITH_TIMEOUT(!dialog_->JobRunning(app::JobKind::FactoryDefault), 90000);
    answer.stop();
    QVERIFY2(captions.size() >= 2, qPrintable(captions.join(QStringLiteral(", "))));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    // The job ended; the window and the reader go on.
    QVERIFY(!dialog_->ended());
    QVERIFY(window_->ControlWidget(ctl::kFactoryDefault)->isEnabled());
    dialog_->controls().SetText(ctl::kSvResult, "");
    input_.Click(window_->ControlWidget(ctl::kSv));
    QTRY_VERIFY(!dialog_->controls().at(ctl::kSvResult).text.empty());
  }

  void onlineCodeIsTypedIntoAnotherProgram() {
    const std::string xterm = testing::FindInPath("xterm");
    if (xterm.empty()) QSKIP("xterm is not installed");
    Start("[ONLINE]\r\nonline=1\r\n");
    std::string error;
    auto keyboard = platform::CreateKeyboard(platform::KeyboardKind::X11, error);
    if (!keyboard) QSKIP(("no XTest keyboard: " + error).c_str());
    dialog_->SetKeyboard(std::move(keyboard));
    // Another program in front: a terminal that keeps the line it is given.
    const QString out = dir_.filePath(QStringLiteral("typed.txt"));
    QProcess terminal;
    terminal.start(QString::fromStdString(xterm),
                   {QStringLiteral("-fa"), QStringLiteral("DejaVu Sans Mono"), QStringLiteral("-e"),
                    QStringLiteral("sh"), QStringLiteral("-c"),
                    QStringLiteral("IFS= read -r code; printf %s \"$code\" > '%1'").arg(out)});
    QVERIFY(terminal.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == nullptr, 10000);
    QTest::qWait(1000);
    reader_->SendOnlineCode("12348832", sim::Terminator::Cr);
    // The window's loop runs meanwhile: it reads the code and types it.
    QTRY_VERIFY_WITH_TIMEOUT(terminal.state() == QProcess::NotRunning, 15000);
    QFile typed(out);
    QVERIFY(typed.open(QIODevice::ReadOnly));
    QCOMPARE(typed.readAll(), QByteArray("12348832"));
    // Not into the program's own field.
    QVERIFY(!dialog_->controls().at(ctl::kKeyboardField).text.starts_with("1234"));
    QVERIFY(!dialog_->ended());
  }

  void everyWindowFitsTheScreenAtScaleTwo() {
    // The program's own tour shows each group and dialog and says whether it fits.
    QTemporaryDir shots;
    QVERIFY(shots.isValid());
    QProcess console;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    environment.insert(QStringLiteral("TAGLINE_SCREENSHOT_DIR"), shots.path());
    console.setProcessEnvironment(environment);
    console.start(QStringLiteral(TAGLINE_CONSOLE_PATH),
                  {QStringLiteral("--simulate"), QStringLiteral("--ini"),
                   shots.filePath(QStringLiteral("t.ini"))});
    QVERIFY(console.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(console.readAllStandardError());
    QCOMPARE(console.exitCode(), 0);
    QVERIFY2(err.count(QStringLiteral("fits the screen)")) >= 10, qPrintable(err));
    QVERIFY2(!err.contains(QStringLiteral("larger than the screen")), qPrintable(err));
  }

 private:
  void Start(const std::string& ini) {
    QVERIFY(input_.ok());
    QVERIFY(dir_.isValid());
    const std::string path = dir_.filePath("Tagline_Console.ini").toStdString();
    std::ofstream(path, std::ios::binary) << ini;
    sim::SimOptions options;
    options.version = "B2.0";
    options.latencyMs = 1;
    std::string error;
    reader_ = sim::SimulatedReader::Start(options, error);
    QVERIFY2(reader_ != nullptr, error.c_str());
    device_ = sim::ReaderDevice::Install(*reader_);
    database_ = sim::ReaderDatabase::Install(*reader_);
    host_ = std::make_unique<QtHost>();
    // Notices are noted and confirmed; a question is answered yes.
    host_->SetMessageBoxHook([this](const std::string& text, const std::string&, unsigned type) {
      questions_.push_back(text);
      const unsigned buttons = type & app::mb::kButtonMask;
      return buttons == app::mb::kYesNo || buttons == app::mb::kYesNoCancel ? app::id::kYes
                                                                            : app::id::kOk;
    });
    app::MainDialogOptions dialogOptions;
    dialogOptions.iniPath = path;
    dialogOptions.portOverride = reader_->DevicePath();
    dialog_ = std::make_unique<app::MainDialog>(*host_, dialogOptions);
    window_ = std::make_unique<MainWindow>(*dialog_);
    host_->Attach(dialog_.get(), window_.get());
    dialog_->OnInitDialog();
    window_->show();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get(), 5000));
    QTest::qWait(300);
  }

  bool Asked(const std::string& text) const {
    return std::find(questions_.begin(), questions_.end(), text) != questions_.end();
  }

  XInput input_;
  QTemporaryDir dir_;
  std::shared_ptr<sim::ReaderDatabase> database_;
  std::vector<std::string> questions_;
  std::unique_ptr<sim::SimulatedReader> reader_;
  std::shared_ptr<sim::ReaderDevice> device_;
  std::unique_ptr<QtHost> host_;
  std::unique_ptr<app::MainDialog> dialog_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace tagline::ui

int main(int argc, char** argv) {
  return tagline::testing::RunOnXvfb<tagline::ui::WindowTest>(argc, argv, "1280x1024x24", true);
}

#include "window_x11_test.moc"
