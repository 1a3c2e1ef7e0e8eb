// SPDX-License-Identifier: Apache-2.0
// ONLINE mode for real: the simulated reader sends a code, the program types it with the
// XTest backend, and the keys land in the window's own keyboard-simulation field. Runs
// on an Xvfb server of its own; skipped where Xvfb or XTest is missing.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <memory>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "platform/keyboard.h"
#include "sim/reader_device.h"
#include "sim/simulated_reader.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"
#include "xvfb_main.h"

namespace tagline::ui {

class OnlineTypingTest : public QObject {
  Q_OBJECT

 private slots:
  void codeFromTheReaderIsTypedIntoTheField() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string ini = dir.filePath("Tagline_Console.ini").toStdString();
    std::ofstream(ini, std::ios::binary) << "[ONLINE]\r\nonline=1\r\n";

    sim::SimOptions simOptions;
    simOptions.latencyMs = 0;
    std::string error;
    auto reader = sim::SimulatedReader::Start(simOptions, error);
    QVERIFY2(reader != nullptr, error.c_str());
    auto device = sim::ReaderDevice::Install(*reader);

    QtHost host;
    host.SetMessageBoxHook([](const std::string&, const std::string&, unsigned) { return 1; });
    app::MainDialogOptions options;
    options.iniPath = ini;
    options.portOverride = reader->DevicePath();
    app::MainDialog dialog(host, options);
    auto keyboard = platform::CreateKeyboard(platform::KeyboardKind::X11, error);
    if (!keyboard) QSKIP(("no XTest keyboard: " + error).c_str());
    dialog.SetKeyboard(std::move(keyboard));
    MainWindow window(dialog);
    host.Attach(&dialog, &window);
    dialog.OnInitDialog();
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window, 5000));

    auto* field = qobject_cast<QLineEdit*>(window.ControlWidget(app::ctl::kKeyboardField));
    QVERIFY(field != nullptr);
    reader->SendOnlineCode("0123", sim::Terminator::Cr);
    QTRY_VERIFY_WITH_TIMEOUT(field->text().startsWith("0123"), 10000);
    QCOMPARE(field->text(), QString("0123"));
    QCOMPARE(dialog.controls().at(app::ctl::kKeyboardField).text, std::string("0123"));
    dialog.OnClose();
  }
};

}  // namespace tagline::ui

int main(int argc, char** argv) {
  return tagline::testing::RunOnXvfb<tagline::ui::OnlineTypingTest>(argc, argv, "320x240x24",
                                                                    false);
}

#include "online_typing_x11_test.moc"
