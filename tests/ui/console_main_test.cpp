// SPDX-License-Identifier: Apache-2.0
// The tagline-console program as a whole: its command line, its refusal to start without
// a display, and an unattended run that visits every area and saves the settings.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

namespace tagline::ui {

class ConsoleMainTest : public QObject {
  Q_OBJECT

  struct Run {
    int exitCode = -1;
    QString out;
    QString err;
  };

  static Run Console(const QStringList& arguments, const QProcessEnvironment& environment,
                     int timeoutMs = 10000) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAGLINE_CONSOLE_PATH), arguments);
    Run run;
    if (!process.waitForFinished(timeoutMs)) {
      process.kill();
      process.waitForFinished();
      return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
  }

  static QProcessEnvironment Offscreen() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.remove(QStringLiteral("TAGLINE_SCREENSHOT_DIR"));
    return environment;
  }

 private slots:
  void usageErrorsExitWithTwo_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("complaint");
    QTest::newRow("unknown") << QStringList{"--bogus"} << "unknown argument: --bogus";
    QTest::newRow("ini without path") << QStringList{"--ini"} << "--ini needs a value";
    QTest::newRow("version without simulate")
        << QStringList{"--version", "X"} << "--version applies to the simulated reader only";
    QTest::newRow("version without text")
        << QStringList{"--simulate", "--version"} << "--version needs a value";
  }
  void usageErrorsExitWithTwo() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, complaint);
    const Run run = Console(arguments, Offscreen());
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(complaint), qPrintable(run.err));
    QVERIFY(run.err.contains(QStringLiteral("usage: tagline-console")));
  }

  void helpGoesToStandardOutput() {
    const Run run = Console({QStringLiteral("--help")}, Offscreen());
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.startsWith(QStringLiteral("usage: tagline-console")));
  }

  void withoutDisplayExitsWithFour() {
    QTemporaryDir dir;
    QProcessEnvironment environment = Offscreen();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
      environment.remove(QString::fromLatin1(name));
    }
    const QString ini = dir.filePath(QStringLiteral("Tagline_Console.ini"));
    const Run run = Console({QStringLiteral("--ini"), ini}, environment);
    QCOMPARE(run.exitCode, 4);
    QVERIFY2(run.err.contains(QStringLiteral("no display")), qPrintable(run.err));
    QVERIFY(!QFile::exists(ini));
  }

  void unattendedRunVisitsEveryAreaAndSaves() {
    QTemporaryDir dir;
    QProcessEnvironment environment = Offscreen();
    const QString shots = dir.filePath(QStringLiteral("shots"));
    environment.insert(QStringLiteral("TAGLINE_SCREENSHOT_DIR"), shots);
    environment.insert(QStringLiteral("TAGLINE_REPORT_FIRST_PAINT"), QStringLiteral("1"));
    const QString ini = dir.filePath(QStringLiteral("Tagline_Console.ini"));
    const Run run = Console({QStringLiteral("--ini"), ini, QStringLiteral("--simulate"),
                             QStringLiteral("--version"), QStringLiteral("KTR H9 V4.30054")},
                            environment, 60000);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    for (const char* name : {"terminal.png", "db.png", "config.png", "online.png"}) {
      QVERIFY2(QFileInfo(QDir(shots).filePath(QString::fromLatin1(name))).size() > 0, name);
    }
    // The simulated reader answered, and the program ended the normal way: settings saved
    // with the ONLINE group as the last one shown.
    QVERIFY2(!run.err.contains(QStringLiteral("error on open com port")), qPrintable(run.err));
    // Asked for, the first paint is told once, however often the tour repaints.
    QCOMPARE(run.err.count(QStringLiteral("first paint\n")), 1);
    QFile file(ini);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray settings = file.readAll();
    QVERIFY(settings.contains("online=1"));
    QVERIFY(settings.contains("send=SV"));
  }
};

}  // namespace tagline::ui

QTEST_GUILESS_MAIN(tagline::ui::ConsoleMainTest)
#include "console_main_test.moc"
