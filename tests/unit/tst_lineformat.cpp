// The serial line's frame and flow control as the user chooses them: its text, its stored values (a
// hand-edited one falling back alone) and the port record it fills.
#include "core/usersettings.h"
#include "link/lineformat.h"
#include "link/sio.h"

#include <QTest>

class TestLineFormat : public QObject
{
    Q_OBJECT

private slots:
    void frameText_data();
    void frameText();
    void storedValues_data();
    void storedValues();
    void fillsThePortRecord_data();
    void fillsThePortRecord();
    void choicesHaveTexts();
};

void TestLineFormat::frameText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("normalised");

    QTest::newRow("8N1") << "8N1"
                         << "8N1";
    QTest::newRow("7E1") << "7E1"
                         << "7E1";
    QTest::newRow("lower case") << "7o2"
                                << "7O2";
    QTest::newRow("8E2") << "8E2"
                         << "8E2";
    QTest::newRow("six data bits") << "6N1"
                                   << "";
    QTest::newRow("mark parity") << "7M1"
                                 << "";
    QTest::newRow("three stop bits") << "8N3"
                                     << "";
    QTest::newRow("too long") << "8N1 "
                              << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestLineFormat::frameText()
{
    QFETCH(QString, text);
    QFETCH(QString, normalised);

    const std::optional<LineFormat> format = LineFormat::fromFrameText(text);
    QCOMPARE(format.has_value(), !normalised.isEmpty());
    if (format)
        QCOMPARE(format->frameText(), normalised);
}

void TestLineFormat::storedValues_data()
{
    QTest::addColumn<QList<int>>("stored");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<int>("flow");

    QTest::newRow("defaults") << QList<int>{8, 0, 1, 0} << "8N1" << 0;
    QTest::newRow("7E1 RTS/CTS") << QList<int>{7, 1, 1, 1} << "7E1" << 1;
    QTest::newRow("8O2 XON/XOFF") << QList<int>{8, 2, 2, 2} << "8O2" << 2;
    // A value outside the choices is its default; the others keep what was stored.
    QTest::newRow("five data bits") << QList<int>{5, 1, 1, 0} << "8E1" << 0;
    QTest::newRow("parity 3") << QList<int>{7, 3, 2, 0} << "7N2" << 0;
    QTest::newRow("stop bits 0, flow -1") << QList<int>{7, 2, 0, -1} << "7O1" << 0;
}

void TestLineFormat::storedValues()
{
    QFETCH(QList<int>, stored);
    QFETCH(QString, frame);
    QFETCH(int, flow);

    UserSettings settings;
    settings.dataBits = stored.at(0);
    settings.parity = stored.at(1);
    settings.stopBits = stored.at(2);
    settings.flowControl = stored.at(3);
    const LineFormat format = LineFormat::fromSettings(settings);
    QCOMPARE(format.frameText(), frame);
    QCOMPARE(int(format.flowControl), flow);

    UserSettings written;
    format.storeIn(written);
    QCOMPARE(LineFormat::fromSettings(written), format);
}

void TestLineFormat::fillsThePortRecord_data()
{
    QTest::addColumn<QString>("frame");
    QTest::addColumn<int>("flow");
    QTest::addColumn<int>("mode");

    QTest::newRow("8N1") << "8N1" << 0 << Sio::LineMode8N1;
    QTest::newRow("7E1 RTS/CTS") << "7E1" << 1 << (Sio::DataBits7 + Sio::ParityEven + Sio::StopBits1);
    QTest::newRow("8O2 XON/XOFF") << "8O2" << 2 << (Sio::DataBits8 + Sio::ParityOdd + Sio::StopBits2);
}

void TestLineFormat::fillsThePortRecord()
{
    QFETCH(QString, frame);
    QFETCH(int, flow);
    QFETCH(int, mode);

    LineFormat format = LineFormat::fromFrameText(frame).value();
    format.flowControl = LineFormat::FlowControl(flow);
    // Over a record that held the opposite of everything, so each field is seen to be set.
    PortSettings settings;
    settings.Port = 4;
    settings.BaudCode = 12;
    settings.DataBits = 0;
    settings.ParityBits = 0x38;
    settings.StopBits = 4;
    settings.HardwareFlow = flow != 1;
    settings.SoftwareFlow = flow != 2;
    settings.Dtr = 0;
    format.applyTo(settings);
    QCOMPARE(settings.DataBits + settings.ParityBits + settings.StopBits, mode);
    QCOMPARE(settings.HardwareFlow, flow == 1);
    QCOMPARE(settings.SoftwareFlow, flow == 2);
    QCOMPARE(settings.Port, 4);
    QCOMPARE(settings.BaudCode, 12);
    QCOMPARE(settings.Dtr, quint8(0));

    // A fresh record is what every port was opened with before the choice: 8N1, DTR on, RTS off.
    const PortSettings fresh;
    QCOMPARE(fresh.DataBits + fresh.ParityBits + fresh.StopBits, Sio::LineMode8N1);
    QVERIFY(!fresh.HardwareFlow && !fresh.SoftwareFlow && fresh.Dtr == 1 && fresh.Rts == 0);
}

void TestLineFormat::choicesHaveTexts()
{
    QCOMPARE(LineFormat::dataBitsChoices(), (QList<int>{7, 8}));
    QCOMPARE(LineFormat::stopBitsChoices(), (QList<int>{1, 2}));
    QStringList parity;
    for (const LineFormat::Parity choice : LineFormat::parityChoices())
        parity.append(LineFormat::parityText(choice));
    QCOMPARE(parity, (QStringList{"brak", "parzysta", "nieparzysta"}));
    QStringList flow;
    for (const LineFormat::FlowControl choice : LineFormat::flowControlChoices())
        flow.append(LineFormat::flowControlText(choice));
    QCOMPARE(flow, (QStringList{"brak", "RTS/CTS", "XON/XOFF"}));
}

QTEST_GUILESS_MAIN(TestLineFormat)
#include "tst_lineformat.moc"
