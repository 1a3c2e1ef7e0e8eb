// SPDX-License-Identifier: Apache-2.0
#include "ui/win1252.h"

#include <QTest>
#include <string>

namespace tagline::ui {

class Win1252Test : public QObject {
  Q_OBJECT
 private slots:
  void everyByteSurvivesTheRoundTrip() {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const QString text = FromWin1252(all);
    QCOMPARE(text.size(), 256);
    QVERIFY(ToWin1252(text) == all);
    // Each byte on its own as well: no two bytes share a character.
    for (int b = 0; b < 256; ++b) {
      const std::string one(1, static_cast<char>(b));
      QVERIFY2(ToWin1252(FromWin1252(one)) == one, qPrintable(QString::number(b, 16)));
    }
  }

  void bytesMapToTheirCharacters_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("codePoint");
    QTest::newRow("ascii") << 0x41 << 0x41;
    QTest::newRow("nul") << 0x00 << 0x00;
    QTest::newRow("euro") << 0x80 << 0x20AC;
    QTest::newRow("undefined 81") << 0x81 << 0x81;
    QTest::newRow("low quote") << 0x82 << 0x201A;
    QTest::newRow("S caron") << 0x8A << 0x160;
    QTest::newRow("undefined 8D") << 0x8D << 0x8D;
    QTest::newRow("undefined 8F") << 0x8F << 0x8F;
    QTest::newRow("undefined 90") << 0x90 << 0x90;
    QTest::newRow("trade mark") << 0x99 << 0x2122;
    QTest::newRow("undefined 9D") << 0x9D << 0x9D;
    QTest::newRow("Y diaeresis") << 0x9F << 0x178;
    QTest::newRow("nbsp") << 0xA0 << 0xA0;
    QTest::newRow("u umlaut") << 0xFC << 0xFC;
    QTest::newRow("y diaeresis") << 0xFF << 0xFF;
  }
  void bytesMapToTheirCharacters() {
    QFETCH(int, byte);
    QFETCH(int, codePoint);
    const QString text = FromWin1252(std::string(1, static_cast<char>(byte)));
    QCOMPARE(text.size(), 1);
    QCOMPARE(static_cast<int>(text.at(0).unicode()), codePoint);
  }

  void textConvertsToBytes() {
    QVERIFY(ToWin1252(QString::fromUtf8("Gr\u00FC\u00DFe \u20AC")) ==
            "Gr\xFC\xDF"
            "e \x80");
    QVERIFY(ToWin1252(QString::fromUtf8("\u201Equoted\u201C")) == "\x84quoted\x93");
    QVERIFY(ToWin1252(QString()).empty());
  }

  void unrepresentableCharactersBecomeQuestionMarks() {
    // C1 controls whose bytes Windows-1252 uses for other characters.
    QVERIFY(ToWin1252(QString(QChar(0x80))) == "?");
    QVERIFY(ToWin1252(QString(QChar(0x9F))) == "?");
    QVERIFY(ToWin1252(QString::fromUtf8("a\u4E2Db")) == "a?b");
    QVERIFY(ToWin1252(QString::fromUtf8("\u0100")) == "?");
    // One character outside the basic plane: one question mark, not two.
    QVERIFY(ToWin1252(QString::fromUtf8("x\U0001F600y")) == "x?y");
    // A lone surrogate half.
    QVERIFY(ToWin1252(QString(QChar(0xD800)) + QLatin1Char('z')) == "?z");
  }

  void embeddedNulBytesAreKept() {
    const std::string bytes("a\0b", 3);
    const QString text = FromWin1252(bytes);
    QCOMPARE(text.size(), 3);
    QVERIFY(ToWin1252(text) == bytes);
  }
};

}  // namespace tagline::ui

QTEST_GUILESS_MAIN(tagline::ui::Win1252Test)
#include "win1252_test.moc"
