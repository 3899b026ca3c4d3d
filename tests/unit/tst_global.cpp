#include "core/global.h"
#include "core/scaletext.h"

#include <QTest>

class TestGlobal : public QObject
{
    Q_OBJECT

private slots:
    void readModeOutOfRangeIsIndication();
    void decodeScaleText_data();
    void decodeScaleText();
};

void TestGlobal::readModeOutOfRangeIsIndication()
{
    QCOMPARE(readModeFromIndex(1), ReadMode::Report);
    QCOMPARE(readModeFromIndex(2), ReadMode::Recognize);
    QCOMPARE(readModeFromIndex(0), ReadMode::Indication);
    QCOMPARE(readModeFromIndex(-1), ReadMode::Indication);
    QCOMPARE(readModeFromIndex(7), ReadMode::Indication);
}

void TestGlobal::decodeScaleText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("ascii") << QByteArray("12.5 kg\r\n") << QStringLiteral("12.5 kg\r\n");
    QTest::newRow("utf-8") << QByteArray("\xC4\x85\xC5\x82") << QStringLiteral("ął");
    QTest::newRow("latin-1 byte") << QByteArray("5 \xB5g") << QStringLiteral("5 µg");
    QTest::newRow("mixed") << QByteArray("\xB5\xC4\x85\xE9") << QStringLiteral("µąé");
    QTest::newRow("truncated sequence") << QByteArray("\xC4") << QStringLiteral("Ä");
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << QStringLiteral("À¯");
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << QStringLiteral("í\u00A0\u0080");
    QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80") << QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("nul kept") << QByteArray("a\0b", 3) << QString(QStringLiteral("a") + QChar(0) + u'b');
}

void TestGlobal::decodeScaleText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(::decodeScaleText(bytes), expected);
}

QTEST_APPLESS_MAIN(TestGlobal)
#include "tst_global.moc"
