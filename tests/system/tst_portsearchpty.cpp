// The port search dialog on real pseudo-terminals: a silent line, a port another program holds, and the
// real kwelta-simscale process, with the real serial layer, port record and weighing-line parser.
#include "core/global.h"
#include "link/portsearch.h"
#include "link/sio.h"
#include "processing/processdata.h"
#include "support/portholder.h"
#include "support/pseudoterminal.h"
#include "support/scriptedmessages.h"
#include "support/simscaleprocess.h"
#include "support/temporaryprofile.h"
#include "ui/portsearchdialog.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

// Three half-second reads at each of two speeds on each of three ports, with room to spare.
constexpr int SearchTimeoutMs = 30000;

} // namespace

class TestPortSearchPty : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void findsTheScale_data();
    void findsTheScale();
    void streamingScaleIsFoundAtItsOwnSpeed();
    void frameDecidesWhetherTheScaleIsRead_data();
    void frameDecidesWhetherTheScaleIsRead();

private:
    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<NoMachineSerialPorts> m_noDevices;
    std::unique_ptr<ScriptedMessages> m_messages;
};

void TestPortSearchPty::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    m_noDevices = std::make_unique<NoMachineSerialPorts>();
    m_messages = std::make_unique<ScriptedMessages>();
}

void TestPortSearchPty::cleanup()
{
    m_messages.reset();
    m_noDevices.reset();
    m_profile.reset();
}

void TestPortSearchPty::findsTheScale_data()
{
    QTest::addColumn<QString>("ports");
    QTest::addColumn<int>("scaleBaud");
    QTest::addColumn<int>("foundPort");
    QTest::addColumn<int>("foundBaudCode");

    // One letter a port from COM1: s silent, S the scale, h held by another program.
    QTest::newRow("scale on COM2 at 9600, silent COM1, held COM3") << "sSh" << 9600 << 2 << 12;
    QTest::newRow("held COM1, scale on COM2 at 4800") << "hSs" << 4800 << 2 << 10;
}

void TestPortSearchPty::findsTheScale()
{
    QFETCH(QString, ports);
    QFETCH(int, scaleBaud);
    QFETCH(int, foundPort);
    QFETCH(int, foundBaudCode);

    std::vector<std::unique_ptr<PseudoTerminal>> silent(size_t(ports.size()));
    std::unique_ptr<PortHolder> holder;
    int heldPort = 0;
    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    for (int port = 1; port <= ports.size(); ++port) {
        const QChar role = ports.at(port - 1);
        if (role == u'S') {
            QVERIFY(QDir().mkpath(portsFolder(*m_profile)));
            QVERIFY(scale.start(portsFolder(*m_profile) + QStringLiteral("/COM%1").arg(port),
                                {QStringLiteral("--baud"), QString::number(scaleBaud)}));
            continue;
        }
        auto& line = silent[size_t(port - 1)];
        line = std::make_unique<PseudoTerminal>();
        QVERIFY(line->isValid());
        QVERIFY(linkPort(*m_profile, port, line->slavePath()));
        if (role == u'h') {
            holder = std::make_unique<PortHolder>(line->slavePath());
            QVERIFY(holder->isValid());
            QVERIFY(holder->setSpeed(1200));
            heldPort = port;
        }
    }

    PortSearchDialog dialog;
    dialog.setAnswerParser([](const QByteArray& answer) { return ProcessData::acceptsAnswer(answer, false, false); });
    QSignalSpy portFound(&dialog, &PortSearchDialog::portFound);
    auto* retry = dialog.findChild<QPushButton*>(QStringLiteral("searchButton"));
    dialog.findChild<QLineEdit*>(QStringLiteral("maxPortEdit"))->setText(QString::number(ports.size()));

    dialog.show();
    QVERIFY(!retry->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return retry->isEnabled(); }, SearchTimeoutMs));

    QCOMPARE(portFound.count(), 1);
    QCOMPARE(portFound.first().at(0).toInt(), foundPort);
    QCOMPARE(portFound.first().at(1).toInt(), foundBaudCode);
    // The held port was passed over silently and left as its holder set it.
    QVERIFY(m_messages->shown.isEmpty());
    QCOMPARE(holder->speed(), speed_t(1200));

    // A silent port before the scale got three requests at each speed; one after it got none.
    for (int port = 1; port <= ports.size(); ++port) {
        if (ports.at(port - 1) != u's')
            continue;
        QCOMPARE(silent[size_t(port - 1)]->readAll(),
                 port < foundPort ? QByteArray("SI\r\n").repeated(6) : QByteArray());
    }
    // Nothing is left open: every port but the held one opens again.
    for (int port = 1; port <= ports.size(); ++port) {
        const int opened = sio_open(port);
        QCOMPARE(opened, port == heldPort ? Sio::Busy : Sio::Ok);
        sio_close(port);
    }
}

namespace {

// A search over COM1 with short waits, as the tests here afford them.
PortSearch::Result searchOnce(PortSearch& search)
{
    QSignalSpy finished(&search, &PortSearch::finished);
    if (!search.start() || !finished.wait(SearchTimeoutMs))
        return std::nullopt;
    return finished.first().first().value<PortSearch::Result>();
}

// Bytes wait in the port's input: a line the scale sent while nobody read.
bool lineWaits(int port)
{
    if (sio_open(port) != Sio::Ok)
        return false;
    const int queued = sio_iqueue(port);
    sio_close(port);
    return queued >= 16;
}

} // namespace

// A scale that sends on its own fills the pseudo-terminal while the port is closed; what it sent at 9600
// must not confirm 4800, however often the search runs.
void TestPortSearchPty::streamingScaleIsFoundAtItsOwnSpeed()
{
    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    QVERIFY(QDir().mkpath(portsFolder(*m_profile)));
    QVERIFY(scale.start(
        portsFolder(*m_profile) + QStringLiteral("/COM1"),
        {QStringLiteral("--baud"), QStringLiteral("9600"), QStringLiteral("--stream"), QStringLiteral("5")}));
    PortSearch search;
    search.setAnswerParser([](const QByteArray& answer) { return ProcessData::acceptsAnswer(answer, false, false); });
    search.setTiming({20, 100, 0});
    search.setMaxPort(1);

    // The first search meets a line for certain; after a search that ended at 9600 the scale fills the
    // queue again. (One that wrongly ended at 4800 leaves the port there, and the scale silent.)
    QTRY_VERIFY_WITH_TIMEOUT(lineWaits(1), 5000);
    QList<int> foundAt;
    for (int run = 0; run < 20; ++run) {
        if (run > 0) [[maybe_unused]]
            const bool waited = QTest::qWaitFor([] { return lineWaits(1); }, 2000);
        const PortSearch::Result result = searchOnce(search);
        foundAt.append(result ? Sio::bitRate(result->baudCode) : 0);
    }
    QCOMPARE(foundAt, QList<int>(20, 9600));
}

void TestPortSearchPty::frameDecidesWhetherTheScaleIsRead_data()
{
    QTest::addColumn<QString>("portFrame");
    QTest::addColumn<bool>("found");

    QTest::newRow("port at 7E1") << "7E1" << true;
    QTest::newRow("port at 8N1") << "8N1" << false;
    QTest::newRow("port at 7O1") << "7O1" << false;
}

// A 7E1 scale, streaming and answering requests: read at its own frame it is found; at 8N1 the parity
// bits turn its lines into bytes no parser takes, which the search shows as the answer that came.
void TestPortSearchPty::frameDecidesWhetherTheScaleIsRead()
{
    QFETCH(QString, portFrame);
    QFETCH(bool, found);

    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    QVERIFY(QDir().mkpath(portsFolder(*m_profile)));
    QVERIFY(scale.start(portsFolder(*m_profile) + QStringLiteral("/COM1"),
                        {QStringLiteral("--baud"), QStringLiteral("9600"), QStringLiteral("--line"),
                         QStringLiteral("7E1"), QStringLiteral("--stream"), QStringLiteral("5")}));
    PortSearch search;
    search.setAnswerParser([](const QByteArray& answer) { return ProcessData::acceptsAnswer(answer, false, false); });
    search.setMakerFormatsParser(
        [](const QByteArray& answer) { return ProcessData::acceptsAnswer(answer, true, false); });
    search.setLineFormat(LineFormat::fromFrameText(portFrame).value());
    search.setTiming({20, 300, 0});
    search.setMaxPort(1);

    const PortSearch::Result result = searchOnce(search);
    QCOMPARE(result.has_value(), found);
    QCOMPARE(search.outcomes().size(), 1);
    const PortSearchOutcome& outcome = search.outcomes().constFirst();
    if (found) {
        QCOMPARE(*result, (PortSearch::Found{1, 12}));
        QCOMPARE(outcome.kind, PortSearchOutcome::Kind::Found);
        return;
    }
    QCOMPARE(outcome.kind, PortSearchOutcome::Kind::NotWeighing);
    QCOMPARE(outcome.sampleBaudCode, 12);
    QVERIFY(!outcome.makerFormatsRead);
    // Spoilt, not lost: characters with parity errors or a parity bit read as data.
    QVERIFY2(
        std::any_of(outcome.sample.begin(), outcome.sample.end(), [](char c) { return c == 0 || quint8(c) > 0x7f; }),
        outcome.sample.toHex(' ').constData());
}

int main(int argc, char* argv[])
{
    // The dialog needs widgets but no screen to be seen on.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestPortSearchPty test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_portsearchpty.moc"
