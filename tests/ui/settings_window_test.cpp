// SPDX-License-Identifier: Apache-2.0
// The settings dialog and the About box on Qt (offscreen): the dialog's own controls, and
// Settings > Port and ? > Info through the real main window, controller and host.
#include "ui/settings_window.h"

#include <termios.h>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>
#include <memory>
#include <set>

#include "../pty_pair.h"
#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "app/settings_dialog.h"
#include "serial/serial_port.h"
#include "sim/simulated_reader.h"
#include "ui/about_box.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"

namespace tagline::ui {

namespace sc = app::settings_ctl;
namespace ctl = app::ctl;
namespace menu = app::menu;

class SettingsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  // The dialog by itself.
  void controlsListsAndCaption();
  void conversionBoxesExcludeEachOtherInBothOrders();
  void okTakesWhatWasTypedAndChosen();
  void cancelEscAndCloseBoxDiscard();
  void enterInAFieldIsOk();
  void portToolTipsNameTheAdapter();

  // Settings > Port on the main window.
  void okWithoutChangeKeepsThePortOpen();
  void onlyTheProtocolChangedKeepsThePortOpen();
  void ctsChangedReopensThePort();
  void busyPortGivesOneMessage();

  // The About box.
  void aboutBoxCaptionAndPicture();
  void aboutBoxClosesWithEnterAndEsc();
  void aboutBoxFromTheMenuLetsThePollRun();

 private:
  void OpenWindow(const std::string& portList = "COM2;COM1;");
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
  static void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2));
  }
  std::set<int> CheckedConversions() const {
    std::set<int> checked;
    for (const int id : sc::kConversions) {
      if (Control<QCheckBox>(id)->isChecked()) checked.insert(id);
      // The view and the controller agree.
      if (Control<QCheckBox>(id)->isChecked() != dialog_->controls().at(id).checked) {
        qWarning("control %d differs from the model", id);
        checked.insert(-id);
      }
    }
    return checked;
  }

  // The main window on a pseudo-terminal port.
  void StartMain();
  // Runs `act` on the modal dialog of type D once it shows, then the menu command `command`
  // (which returns when the dialog has closed).
  template <class D>
  void WithModal(int command, std::function<void(D*)> act) {
    bool seen = false;
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [poll, act, &seen] {
      auto* modal = qobject_cast<D*>(QApplication::activeModalWidget());
      if (modal == nullptr || !modal->isVisible()) return;
      poll->stop();
      poll->deleteLater();
      seen = true;
      act(modal);
      // A check that failed before closing it must not leave the test waiting.
      if (modal->isVisible()) modal->reject();
    });
    poll->start(10);
    mainDialog_->OnCommand(command);
    QVERIFY(seen);
  }
  termios SlaveTermios() const {
    termios tio{};
    tcgetattr(pty_->master(), &tio);
    return tio;
  }

  std::unique_ptr<app::SettingsDialog> dialog_;
  std::unique_ptr<SettingsWindow> window_;

  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<PtyPair> pty_;
  std::unique_ptr<QtHost> host_;
  std::unique_ptr<app::MainDialog> mainDialog_;
  std::unique_ptr<MainWindow> mainWindow_;
  std::vector<std::string> messages_;
};

void SettingsWindowTest::init() {
  messages_.clear();
}

void SettingsWindowTest::cleanup() {
  window_.reset();
  dialog_.reset();
  mainWindow_.reset();
  if (host_) host_->Attach(nullptr, nullptr);
  mainDialog_.reset();
  host_.reset();
  pty_.reset();
  dir_.reset();
}

void SettingsWindowTest::OpenWindow(const std::string& portList) {
  dialog_ = std::make_unique<app::SettingsDialog>([portList] { return portList; });
  app::AppSettings settings;
  settings.port = "COM1";
  settings.baudrate = 9600;
  settings.databits = 8;
  settings.protocol = 0;
  app::FillSettingsDialog(settings, *dialog_);
  dialog_->OnInitDialog();
  window_ = std::make_unique<SettingsWindow>(*dialog_);
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void SettingsWindowTest::controlsListsAndCaption() {
  std::string list;
  for (int i = 1; i <= 10; ++i) list.insert(0, "COM" + std::to_string(i) + ";");
  OpenWindow(list);
  QCOMPARE(window_->windowTitle(), QStringLiteral("Settings"));

  auto* port = Control<QComboBox>(sc::kPort);
  QVERIFY(port->isEditable());
  QStringList ports;
  for (int i = 0; i < port->count(); ++i) ports << port->itemText(i);
  QCOMPARE(ports, (QStringList{"COM1", "COM10", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
                               "COM8", "COM9"}));
  QCOMPARE(port->currentText(), QStringLiteral("COM1"));
  auto* baud = Control<QComboBox>(sc::kBaudRate);
  QCOMPARE(baud->count(), 15);
  QCOMPARE(baud->currentText(), QStringLiteral("9600"));
  QCOMPARE(Control<QComboBox>(sc::kParity)->currentText(), QStringLiteral("None"));
  QCOMPARE(Control<QComboBox>(sc::kStopBits)->itemText(1), QStringLiteral("1.5"));

  // The protocol buttons are one exclusive group.
  auto* framed = Control<QRadioButton>(sc::kProtocolFramed);
  QVERIFY(framed->isChecked());
  QVERIFY(framed->group() != nullptr && framed->group()->exclusive());
  QCOMPARE(framed->group(), Control<QRadioButton>(sc::kProtocolData)->group());
  QCOMPARE(Control<QRadioButton>(sc::kProtocolDataCr)->text(), QStringLiteral("<Data> <CR>"));

  QCOMPARE(Control<QCheckBox>(sc::kCts)->text(), QStringLiteral("CTS:"));
  QCOMPARE(Control<QLabel>(sc::kHint)->text(),
           QStringLiteral("use <cr>, <CR>,<lf>,<stx>,<etx>,<ack>,<nak>,<tab>,<F12> instead of "
                          "non-printabel characters"));
  QStringList groups;
  for (const QGroupBox* box : window_->findChildren<QGroupBox*>()) groups << box->title();
  groups.sort();
  QCOMPARE(groups,
           (QStringList{"Com Port Settings", "Keyboard Simulation", "Language", "Protocol"}));
  for (const int id : sc::kReplaceTo) QVERIFY(Control<QLineEdit>(id)->isVisible());
  QVERIFY(Control<QPushButton>(sc::kOk)->isDefault());
}

void SettingsWindowTest::conversionBoxesExcludeEachOtherInBothOrders() {
  OpenWindow();
  Click(Control<QCheckBox>(sc::kHex2Bde));
  QCOMPARE(CheckedConversions(), std::set<int>{sc::kHex2Bde});
  Click(Control<QCheckBox>(sc::kHex210Dez));
  QCOMPARE(CheckedConversions(), std::set<int>{sc::kHex210Dez});
  Click(Control<QCheckBox>(sc::kHex2Bde));
  QCOMPARE(CheckedConversions(), std::set<int>{sc::kHex2Bde});

  // "HEX Invert" goes with any of them.
  Click(Control<QCheckBox>(sc::kInvert));
  Click(Control<QCheckBox>(sc::kHex2Iso));
  QVERIFY(Control<QCheckBox>(sc::kInvert)->isChecked());
  QCOMPARE(CheckedConversions(), std::set<int>{sc::kHex2Iso});
  // The current conversion can be switched off.
  Click(Control<QCheckBox>(sc::kHex2Iso));
  QCOMPARE(CheckedConversions(), std::set<int>{});

  Click(Control<QCheckBox>(sc::kHex2Left8Hex2Dez));
  Click(Control<QPushButton>(sc::kOk));
  QVERIFY(!window_->isVisible());
  QCOMPARE(window_->result(), int(QDialog::Accepted));
  QCOMPARE(dialog_->invert, 1);
  QCOMPARE(dialog_->hex2left8hex2dez, 1);
  QCOMPARE(dialog_->hex2iso, 0);
  QCOMPARE(dialog_->hex2bde, 0);
}

void SettingsWindowTest::okTakesWhatWasTypedAndChosen() {
  OpenWindow();
  auto* baud = Control<QComboBox>(sc::kBaudRate);
  baud->lineEdit()->selectAll();
  QTest::keyClicks(baud->lineEdit(), QStringLiteral("4711"));
  // No completion from the list: the text stays as typed.
  QCOMPARE(baud->currentText(), QStringLiteral("4711"));

  auto* parity = Control<QComboBox>(sc::kParity);
  parity->setFocus();
  QTest::keyClick(parity, Qt::Key_Down);  // "Odd"
  QCOMPARE(parity->currentText(), QStringLiteral("Odd"));

  Click(Control<QRadioButton>(sc::kProtocolData));
  QVERIFY(!Control<QRadioButton>(sc::kProtocolFramed)->isChecked());
  QTest::keyClicks(Control<QLineEdit>(sc::kReplaceFrom[2]), QStringLiteral("<tab>"));
  Type(Control<QLineEdit>(sc::kAddStart[0]), QString::fromUtf8("\u00E4"));
  Click(Control<QCheckBox>(sc::kRts));

  Click(Control<QPushButton>(sc::kOk));
  QVERIFY(dialog_->ended());
  QCOMPARE(dialog_->result(), app::id::kOk);
  QCOMPARE(dialog_->baudRate, std::string("4711"));
  QCOMPARE(dialog_->parity, std::string("Odd"));
  QCOMPARE(dialog_->protocol, 2);
  QCOMPARE(dialog_->replaceFrom[2], std::string("<tab>"));
  QCOMPARE(dialog_->addStart[0], std::string("\xE4"));
  QCOMPARE(dialog_->rts, 1);
  QCOMPARE(dialog_->cts, 0);
}

void SettingsWindowTest::cancelEscAndCloseBoxDiscard() {
  for (int way = 0; way < 3; ++way) {
    OpenWindow();
    auto* edit = Control<QLineEdit>(sc::kAddEnd[4]);
    QTest::keyClicks(edit, QStringLiteral("typed"));
    Click(Control<QCheckBox>(sc::kCts));
    if (way == 0) Click(Control<QPushButton>(sc::kCancel));
    if (way == 1) QTest::keyClick(edit, Qt::Key_Escape);
    if (way == 2) window_->close();
    QVERIFY2(!window_->isVisible(), qPrintable(QString::number(way)));
    QCOMPARE(window_->result(), int(QDialog::Rejected));
    QCOMPARE(dialog_->result(), app::id::kCancel);
    QCOMPARE(dialog_->addEnd[4], std::string());
    QCOMPARE(dialog_->cts, 0);
    window_.reset();
    dialog_.reset();
  }
}

void SettingsWindowTest::enterInAFieldIsOk() {
  OpenWindow();
  auto* edit = Control<QLineEdit>(sc::kAddStart[1]);
  edit->setFocus();
  QTest::keyClicks(edit, QStringLiteral("<stx>"));
  QTest::keyClick(edit, Qt::Key_Return);
  QVERIFY(!window_->isVisible());
  QCOMPARE(dialog_->result(), app::id::kOk);
  QCOMPARE(dialog_->addStart[1], std::string("<stx>"));

  // In the edit field of a combo box as well.
  window_.reset();
  OpenWindow();
  auto* baud = Control<QComboBox>(sc::kBaudRate);
  baud->lineEdit()->selectAll();
  QTest::keyClicks(baud->lineEdit(), QStringLiteral("1200"));
  QTest::keyClick(baud->lineEdit(), Qt::Key_Return);
  QVERIFY(!window_->isVisible());
  QCOMPARE(dialog_->result(), app::id::kOk);
  QCOMPARE(dialog_->baudRate, std::string("1200"));
}

void SettingsWindowTest::portToolTipsNameTheAdapter() {
  platform::PortInfo usb;
  usb.name = "ttyUSB0";
  usb.devicePath = "/dev/ttyUSB0";
  usb.isUsb = true;
  usb.driver = "ftdi_sio";
  usb.manufacturer = "Adapter Maker";
  usb.product = "USB Serial";
  platform::PortInfo builtIn;
  builtIn.name = "ttyS0";
  builtIn.devicePath = "/dev/ttyS0";
  builtIn.driver = "serial8250";
  const std::vector<platform::PortInfo> ports = {builtIn, usb};

  const std::string tip = PortToolTip(ports, "ttyUSB0");
  QVERIFY(tip.find("Adapter Maker") != std::string::npos);
  QVERIFY(tip.find("ftdi_sio") != std::string::npos);
  QVERIFY(tip.find("serial8250") == std::string::npos);
  QVERIFY(tip.back() != '\n');
  QCOMPARE(PortToolTip(ports, "/dev/ttyUSB0"), tip);
  QVERIFY(PortToolTip(ports, "ttyS0").find("serial8250") != std::string::npos);
  QCOMPARE(PortToolTip(ports, "COM1"), std::string());

  // Ports the system does not describe carry no tooltip.
  OpenWindow("NOSUCHPORT7;");
  auto* port = Control<QComboBox>(sc::kPort);
  QCOMPARE(port->count(), 1);
  QVERIFY(port->itemData(0, Qt::ToolTipRole).toString().isEmpty());
}

// ---------------------------------------------------------------------------------------

void SettingsWindowTest::StartMain() {
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(dir_->isValid());
  pty_ = std::make_unique<PtyPair>();
  QVERIFY(pty_->ok());
  const std::string ini = dir_->filePath(QStringLiteral("Tagline_Console.ini")).toStdString();
  std::ofstream(ini, std::ios::binary)
      << "[COM]\r\nport=" << pty_->slavePath()
      << "\r\nbaudrate=19200\r\ndatabits=8\r\nparity=None\r\nstopbits=1\r\nCTS=0\r\nRTS=0\r\n";
  app::MainDialogOptions options;
  options.iniPath = ini;
  host_ = std::make_unique<QtHost>();
  host_->SetMessageBoxHook([this](const std::string& text, const std::string&, unsigned) {
    messages_.push_back(text);
    return app::id::kOk;
  });
  mainDialog_ = std::make_unique<app::MainDialog>(*host_, options);
  mainWindow_ = std::make_unique<MainWindow>(*mainDialog_);
  host_->Attach(mainDialog_.get(), mainWindow_.get());
  mainDialog_->OnInitDialog();
  mainWindow_->show();
  QVERIFY(QTest::qWaitForWindowExposed(mainWindow_.get()));
  QCOMPARE(mainDialog_->portOpen(), 1);
  QVERIFY(messages_.empty());
}

void SettingsWindowTest::okWithoutChangeKeepsThePortOpen() {
  StartMain();
  bool pollStopped = false;
  WithModal<SettingsWindow>(menu::kPort, [&](SettingsWindow* w) {
    pollStopped = !host_->TimerActive(app::timer::kPoll);
    // Input queued now survives only if the port is not opened again.
    pty_->SendQueued("pending");
    Click(qobject_cast<QPushButton*>(w->ControlWidget(sc::kOk)));
  });
  QVERIFY(pollStopped);
  QCOMPARE(pty_->Queued(), 7);
  QCOMPARE(mainDialog_->portOpen(), 1);
  QVERIFY(messages_.empty());
  QVERIFY(host_->TimerActive(app::timer::kPoll));
}

void SettingsWindowTest::onlyTheProtocolChangedKeepsThePortOpen() {
  StartMain();
  WithModal<SettingsWindow>(menu::kPort, [&](SettingsWindow* w) {
    pty_->SendQueued("pending");
    Click(w->ControlWidget(sc::kProtocolDataCr));
    Click(w->ControlWidget(sc::kOk));
  });
  QCOMPARE(mainDialog_->settings().protocol, 1);
  QCOMPARE(pty_->Queued(), 7);
  QCOMPARE(mainDialog_->portOpen(), 1);
}

void SettingsWindowTest::ctsChangedReopensThePort() {
  StartMain();
  QVERIFY(!(SlaveTermios().c_cflag & CRTSCTS));
  WithModal<SettingsWindow>(menu::kPort, [&](SettingsWindow* w) {
    pty_->SendQueued("pending");
    Click(w->ControlWidget(sc::kCts));
    Click(w->ControlWidget(sc::kOk));
  });
  QCOMPARE(pty_->Queued(), 0);  // opening purged it
  QVERIFY(SlaveTermios().c_cflag & CRTSCTS);
  QCOMPARE(mainDialog_->portOpen(), 1);
  QVERIFY(messages_.empty());
}

void SettingsWindowTest::busyPortGivesOneMessage() {
  StartMain();
  PtyPair other;
  QVERIFY(other.ok());
  serial::SerialPort holder;
  holder.SetSettings(other.slavePath(), 19200, 8, 0, 0, 0, 0);
  QVERIFY(holder.Open());
  WithModal<SettingsWindow>(menu::kPort, [&](SettingsWindow* w) {
    auto* port = qobject_cast<QComboBox*>(w->ControlWidget(sc::kPort));
    port->lineEdit()->selectAll();
    QTest::keyClicks(port->lineEdit(), QString::fromStdString(other.slavePath()));
    Click(w->ControlWidget(sc::kOk));
  });
  QCOMPARE(messages_, std::vector<std::string>{"error on open com port"});
  QCOMPARE(mainDialog_->portOpen(), 0);
  QCOMPARE(mainDialog_->settings().port, other.slavePath());
  QVERIFY(host_->TimerActive(app::timer::kPoll));
}

// ---------------------------------------------------------------------------------------

void SettingsWindowTest::aboutBoxCaptionAndPicture() {
  AboutBox box;
  QCOMPARE(box.windowTitle(), QStringLiteral("Tagline Console   V6.82 - 22.01.2025"));
  auto* picture = box.findChild<QLabel*>(QStringLiteral("picture"));
  QVERIFY(picture != nullptr);
  const QPixmap shown = picture->pixmap();
  QCOMPARE(shown.size(), QSize(460, 460));
  QCOMPARE(box.size(), QSize(460, 460));
  // A picture, not an empty area: corner and centre differ, and so do two runs' pictures not.
  const QImage image = shown.toImage();
  QVERIFY(image.pixel(5, 5) != image.pixel(230, 188));
  QCOMPARE(ProgramPicture().toImage(), image);
  // The template's OK button is there but hidden.
  auto* ok = box.findChild<QPushButton*>();
  QVERIFY(ok != nullptr && ok->isDefault() && ok->isHidden());
}

void SettingsWindowTest::aboutBoxClosesWithEnterAndEsc() {
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    AboutBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(&box, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), key == Qt::Key_Escape ? int(QDialog::Rejected) : int(QDialog::Accepted));
  }
  // Other keys leave it open.
  AboutBox box;
  box.show();
  QTest::keyClick(&box, Qt::Key_A);
  QVERIFY(box.isVisible());
}

void SettingsWindowTest::aboutBoxFromTheMenuLetsThePollRun() {
  StartMain();
  auto* received = qobject_cast<QPlainTextEdit*>(mainWindow_->ControlWidget(ctl::kReceived));
  QVERIFY(received != nullptr);
  bool arrivedWhileOpen = false;
  WithModal<AboutBox>(menu::kInfo, [&](AboutBox* box) {
    QCOMPARE(box->windowTitle(), QString::fromLatin1(kAboutCaption));
    QVERIFY(box->isModal());
    pty_->Send("behind the box\r\n");
    arrivedWhileOpen =
        QTest::qWaitFor([&] { return received->toPlainText().contains("behind the box"); }, 5000);
    QTest::keyClick(box, Qt::Key_Return);
  });
  QVERIFY(arrivedWhileOpen);
  QVERIFY(!mainDialog_->ended());
}

}  // namespace tagline::ui

QTEST_MAIN(tagline::ui::SettingsWindowTest)
#include "settings_window_test.moc"
