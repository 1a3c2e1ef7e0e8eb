// SPDX-License-Identifier: Apache-2.0
// The real window as a technician uses it: an X server of its own (Xvfb) with a window
// manager (openbox, where installed), real pointer and key events through XTest, the
// simulated reader on the line. Each test asserts what reached the reader, what the
// widgets show, and that the program is still running where it should be.
#include <spawn.h>
#include <sys/wait.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <memory>

#include "../xvfb_server.h"
#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "platform/keyboard.h"
#include "reader/tag_type_masks.h"
#include "sim/reader_device.h"
#include "sim/simulated_reader.h"
#include "ui/control_widgets.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"

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
    reader_.reset();
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
    host_ = std::make_unique<QtHost>();
    host_->SetMessageBoxHook([](const std::string&, const std::string&, unsigned) { return 1; });
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

  XInput input_;
  QTemporaryDir dir_;
  std::unique_ptr<sim::SimulatedReader> reader_;
  std::shared_ptr<sim::ReaderDevice> device_;
  std::unique_ptr<QtHost> host_;
  std::unique_ptr<app::MainDialog> dialog_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace tagline::ui

#if defined(__SANITIZE_ADDRESS__)
// The session bus library that Qt loads on a real display keeps a buffer for the whole
// process and never frees it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n";
}
#endif

int main(int argc, char** argv) {
  const std::string xvfb = tagline::testing::FindInPath("Xvfb");
  if (xvfb.empty()) {
    std::puts("SKIP: Xvfb is not installed");
    return 0;
  }
  tagline::testing::Xvfb server;
  std::string error;
  if (!server.Start(xvfb, error, "1280x1024x24")) {
    std::printf("FAIL: %s\n", error.c_str());
    return 1;
  }
  setenv("DISPLAY", server.display().c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  // A window manager places, focuses and decorates the windows as on a desktop.
  pid_t windowManager = -1;
  if (const std::string openbox = tagline::testing::FindInPath("openbox"); !openbox.empty()) {
    char* wmArgv[] = {const_cast<char*>(openbox.c_str()), nullptr};
    posix_spawn(&windowManager, openbox.c_str(), nullptr, nullptr, wmArgv, environ);
    QTest::qSleep(500);
  }
  int status = 0;
  {
    QApplication app(argc, argv);
    tagline::ui::WindowTest test;
    status = QTest::qExec(&test, argc, argv);
  }
  if (windowManager > 0) {
    kill(windowManager, SIGTERM);
    waitpid(windowManager, nullptr, 0);
  }
  return status;
}

#include "window_x11_test.moc"
