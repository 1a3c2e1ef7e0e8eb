// SPDX-License-Identifier: Apache-2.0
// The program under an accessibility client: a session bus and the AT-SPI bus of their own,
// the program with accessibility on, and this test as the client on the AT-SPI bus. A client
// that asks the root object for all its properties at once (as an inspector or
// `busctl introspect` does) must get an answer, and the program must live on; a screen
// reader's questions still get theirs.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "xvfb_main.h"

namespace tagline::ui {

namespace {

constexpr const char* kLauncher = "/usr/libexec/at-spi-bus-launcher";
constexpr const char* kRoot = "/org/a11y/atspi/accessible/root";

QDBusMessage Call(const QDBusConnection& bus, const QString& service, const QString& path,
                  const QString& interface, const QString& member, const QVariantList& args) {
  QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, member);
  call.setArguments(args);
  return bus.call(call, QDBus::Block, 5000);
}

}  // namespace

class AccessibilityBusTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void askingForAllPropertiesDoesNotEndTheProgram();

 private:
  // The program's name on the accessibility bus, found by its process id.
  QString ProgramOnBus();

  QTemporaryDir dir_;
  QProcess sessionBus_;
  QProcess launcher_;
  QProcess program_;
  QString a11yAddress_;
};

void AccessibilityBusTest::initTestCase() {
  const std::string daemon = testing::FindInPath("dbus-daemon");
  if (daemon.empty() || !QFileInfo::exists(QString::fromLatin1(kLauncher))) {
    QSKIP("dbus-daemon or the AT-SPI bus launcher (at-spi2-core) is not installed");
  }
  QVERIFY(dir_.isValid());
  sessionBus_.start(QString::fromStdString(daemon),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"),
                     QStringLiteral("--print-address=1")});
  QVERIFY(sessionBus_.waitForStarted(5000) && sessionBus_.waitForReadyRead(5000));
  const QString sessionAddress = QString::fromUtf8(sessionBus_.readLine()).trimmed();
  QVERIFY(!sessionAddress.isEmpty());

  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sessionAddress);
  environment.insert(QStringLiteral("HOME"), dir_.path());
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.path());
  launcher_.setProcessEnvironment(environment);
  launcher_.start(QString::fromLatin1(kLauncher), {QStringLiteral("--launch-immediately")});
  QVERIFY(launcher_.waitForStarted(5000));

  QDBusConnection session = QDBusConnection::connectToBus(sessionAddress, "session");
  QVERIFY(session.isConnected());
  QTRY_VERIFY_WITH_TIMEOUT(session.interface()->isServiceRegistered("org.a11y.Bus"), 10000);
  const QDBusMessage address =
      Call(session, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", {});
  QCOMPARE(address.type(), QDBusMessage::ReplyMessage);
  a11yAddress_ = address.arguments().value(0).toString();
  QVERIFY(!a11yAddress_.isEmpty());

  environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
  program_.setProcessEnvironment(environment);
  program_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  program_.start(QStringLiteral(TAGLINE_CONSOLE_PATH),
                 {QStringLiteral("--simulate"), QStringLiteral("--ini"),
                  dir_.filePath(QStringLiteral("Tagline_Console.ini"))});
  QVERIFY(program_.waitForStarted(5000));
}

void AccessibilityBusTest::cleanupTestCase() {
  for (QProcess* process : {&program_, &launcher_, &sessionBus_}) {
    if (process->state() == QProcess::NotRunning) continue;
    process->terminate();
    if (!process->waitForFinished(5000)) process->kill();
    process->waitForFinished(2000);
  }
}

QString AccessibilityBusTest::ProgramOnBus() {
  QDBusConnection bus(QStringLiteral("a11y-client"));
  const QDBusMessage names = Call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus", "ListNames", {});
  for (const QString& name : names.arguments().value(0).toStringList()) {
    if (!name.startsWith(QLatin1Char(':'))) continue;
    const QDBusMessage pid = Call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus", "GetConnectionUnixProcessID", {name});
    if (pid.arguments().value(0).toLongLong() == program_.processId()) return name;
  }
  return {};
}

void AccessibilityBusTest::askingForAllPropertiesDoesNotEndTheProgram() {
  QDBusConnection bus = QDBusConnection::connectToBus(a11yAddress_, "a11y-client");
  QVERIFY(bus.isConnected());
  QString program;
  QTRY_VERIFY_WITH_TIMEOUT(!(program = ProgramOnBus()).isEmpty(), 15000);
  // The adaptor answers once it is registered; then the guard stands in front of it.
  QTRY_VERIFY_WITH_TIMEOUT(
      Call(bus, program, kRoot, "org.a11y.atspi.Accessible", "GetRole", {}).type() ==
          QDBusMessage::ReplyMessage,
      15000);
  QTest::qWait(1000);

  for (const char* interface : {"org.a11y.atspi.Application", "org.a11y.atspi.Accessible"}) {
    const QDBusMessage all = Call(bus, program, kRoot, "org.freedesktop.DBus.Properties", "GetAll",
                                  {QString::fromLatin1(interface)});
    QVERIFY2(all.type() == QDBusMessage::ReplyMessage || all.type() == QDBusMessage::ErrorMessage,
             interface);
    QTest::qWait(300);
    QVERIFY2(program_.state() == QProcess::Running, interface);
  }
  // What a screen reader asks is still answered.
  const QDBusMessage name =
      Call(bus, program, kRoot, "org.freedesktop.DBus.Properties", "Get",
           {QStringLiteral("org.a11y.atspi.Accessible"), QStringLiteral("Name")});
  QCOMPARE(name.type(), QDBusMessage::ReplyMessage);
  const QDBusMessage children =
      Call(bus, program, kRoot, "org.a11y.atspi.Accessible", "GetChildren", {});
  QCOMPARE(children.type(), QDBusMessage::ReplyMessage);
  QVERIFY(program_.state() == QProcess::Running);
}

}  // namespace tagline::ui

int main(int argc, char** argv) {
  return tagline::testing::RunOnXvfb<tagline::ui::AccessibilityBusTest>(argc, argv, "1024x768x24",
                                                                        false);
}

#include "accessibility_bus_x11_test.moc"
