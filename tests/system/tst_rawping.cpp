// The reachability check on real sockets: loopback, names that do not resolve, and, as root, a scratch
// host of the test's own (a network namespace behind a veth pair) that answers, stops answering, or
// answers each request only after the next one has come. The check object is also shown to hand its
// answer to the main thread, to leave that thread free while it waits, and to be safe to destroy.

#include "link/raw_ping.h"

#include "support/requiredskip.h"
#include "support/scratchhost.h"

#include <QCoreApplication>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <future>
#include <optional>
#include <thread>

namespace {

constexpr quint32 loopback = 0x7f000001;

// Answers each echo request that reaches the scratch host only once the next one has come in, so every
// reply is late for its own check and arrives during the next. The host's own answers must be off.
class LateResponder
{
public:
    explicit LateResponder(const QString& namespaceName)
    {
        std::promise<bool> listening;
        m_listening = listening.get_future();
        m_thread = std::thread([this, namespaceName, listening = std::move(listening)]() mutable {
            const auto entered = inNamespace<bool>(namespaceName, [&] {
                const int fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
                listening.set_value(fd >= 0);
                if (fd >= 0) {
                    serve(fd);
                    ::close(fd);
                }
                return true;
            });
            if (!entered)
                listening.set_value(false);
        });
    }
    ~LateResponder()
    {
        m_stop = true;
        m_thread.join();
    }
    LateResponder(const LateResponder&) = delete;
    LateResponder& operator=(const LateResponder&) = delete;

    bool listening() { return m_listening.get(); }
    int held() const { return m_held; }

private:
    void serve(int fd)
    {
        std::optional<std::pair<sockaddr_in, QByteArray>> waiting;
        while (!m_stop) {
            pollfd readable{fd, POLLIN, 0};
            // The slice only bounds how long the stop request waits to be seen.
            if (::poll(&readable, 1, 20) <= 0)
                continue;
            QByteArray packet(1500, '\0');
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t got =
                ::recvfrom(fd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (got < 28)
                continue;
            packet.resize(got);
            const int headerLength = (quint8(packet[0]) & 0x0f) * 4;
            QByteArray icmp = packet.mid(headerLength);
            if (icmp.size() < 8 || quint8(icmp[0]) != 8)
                continue;
            if (waiting) {
                const QByteArray& reply = waiting->second;
                ::sendto(fd, reply.constData(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&waiting->first),
                         sizeof waiting->first);
            }
            icmp[0] = 0;
            icmp[2] = 0;
            icmp[3] = 0;
            const quint16 checksum = RawPing::internetChecksum(icmp);
            icmp[2] = char(checksum >> 8);
            icmp[3] = char(checksum & 0xff);
            waiting.emplace(from, icmp);
            ++m_held;
        }
    }

    std::thread m_thread;
    std::future<bool> m_listening;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_held{0};
};

} // namespace

class TestRawPing : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void resolveHost_data();
    void resolveHost();
    void pingHost_data();
    void pingHost();

    void scratchHostAnswersUntilItIgnoresPings();
    void lateReplyAnswersNoLaterCheck();
    void bothSocketKindsAskInsideANamespace();
    void withoutAnyIcmpSocketTheCheckCountsAsAnswered();

    void answerArrivesOnTheMainThread_data();
    void answerArrivesOnTheMainThread();
    void secondCheckWhileOneIsOutIsRefused();
    void mainThreadRunsWhileACheckWaits();
    void destroyingWhileACheckIsOutDeliversNothing_data();
    void destroyingWhileACheckIsOutDeliversNothing();

private:
    // Empty when the scratch host is up; else why there is none.
    QString startScratchHost();

    std::unique_ptr<ScratchHost> m_host;
};

void TestRawPing::init()
{
    // Workers of an earlier case's destroyed objects finish on their own; counts start from none.
    QTRY_COMPARE_WITH_TIMEOUT(ReachabilityCheck::workersOut(), 0, 30000);
}

void TestRawPing::cleanup()
{
    m_host.reset();
}

QString TestRawPing::startScratchHost()
{
    if (::geteuid() != 0)
        return QStringLiteral("a network namespace needs root");
    if (ipTool().isEmpty())
        return QStringLiteral("the ip tool (iproute2) is missing");
    m_host = std::make_unique<ScratchHost>();
    const QString failure = m_host->create();
    if (!failure.isEmpty())
        return failure;
    return {};
}

#define START_SCRATCH_HOST()                                                                                           \
    do {                                                                                                               \
        const QString why = startScratchHost();                                                                        \
        if (!why.isEmpty()) {                                                                                          \
            if (::geteuid() != 0 || ipTool().isEmpty())                                                                \
                SKIP_UNLESS_REQUIRED(qPrintable(why));                                                                 \
            QFAIL(qPrintable(why));                                                                                    \
        }                                                                                                              \
    } while (false)

void TestRawPing::resolveHost_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<quint32>("expected");

    QTest::newRow("dotted") << QStringLiteral("127.0.0.1") << loopback;
    QTest::newRow("name") << QStringLiteral("localhost") << loopback;
    QTest::newRow("other loopback") << QStringLiteral("127.3.2.1") << quint32(0x7f030201);
    QTest::newRow("empty") << QString() << quint32(0);
    QTest::newRow("unresolvable") << QStringLiteral("nonexistent.invalid") << quint32(0);
}

void TestRawPing::resolveHost()
{
    QFETCH(QString, host);
    QFETCH(quint32, expected);
    QCOMPARE(ResolveHost(host), expected);
}

void TestRawPing::pingHost_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("reachable");

    QTest::newRow("dotted loopback") << QStringLiteral("127.0.0.1") << true;
    QTest::newRow("localhost") << QStringLiteral("localhost") << true;
    // Linux answers pings to 0.0.0.0 itself, so a lookup failure taken for that address would answer.
    QTest::newRow("unresolvable") << QStringLiteral("nonexistent.invalid") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestRawPing::pingHost()
{
    QFETCH(QString, host);
    QFETCH(bool, reachable);
    QCOMPARE(PingHost(host), reachable);
}

void TestRawPing::scratchHostAnswersUntilItIgnoresPings()
{
    START_SCRATCH_HOST();
    // The new link may take a moment to carry traffic.
    QTRY_VERIFY_WITH_TIMEOUT(PingHost(m_host->far()), 10000);
    QVERIFY(m_host->ignorePings());
    QVERIFY(!PingHost(m_host->far()));
    QCOMPARE(RawPing::sendEcho(m_host->farAddress(), RawPing::SocketKind::Raw), RawPing::EchoResult::Silent);
}

void TestRawPing::lateReplyAnswersNoLaterCheck()
{
    START_SCRATCH_HOST();
    QTRY_VERIFY_WITH_TIMEOUT(PingHost(m_host->far()), 10000);
    QVERIFY(m_host->ignorePings());
    LateResponder responder(m_host->name());
    QVERIFY(responder.listening());

    // Each check's request releases the reply to the one before it, from the address asked.
    for (int check = 0; check < 4; ++check)
        QVERIFY2(!PingHost(m_host->far()), qPrintable(QStringLiteral("check %1").arg(check)));
    QTRY_COMPARE(responder.held(), 4);
}

void TestRawPing::bothSocketKindsAskInsideANamespace()
{
    START_SCRATCH_HOST();
    // Ping sockets are allowed per namespace; root's group is let in here only.
    QVERIFY(m_host->setSysctl(QStringLiteral("net.ipv4.ping_group_range=0 0")));

    using RawPing::EchoResult;
    using RawPing::SocketKind;
    const auto askBoth = [this] {
        return inNamespace<std::pair<EchoResult, EchoResult>>(m_host->name(), [] {
            return std::pair{RawPing::sendEcho(loopback, SocketKind::Datagram),
                             RawPing::sendEcho(loopback, SocketKind::Raw)};
        });
    };
    const auto answering = askBoth();
    QVERIFY(answering);
    QCOMPARE(answering->first, EchoResult::Answered);
    QCOMPARE(answering->second, EchoResult::Answered);

    QVERIFY(m_host->ignorePings());
    const auto silent = askBoth();
    QVERIFY(silent);
    QCOMPARE(silent->first, EchoResult::Silent);
    QCOMPARE(silent->second, EchoResult::Silent);
}

void TestRawPing::withoutAnyIcmpSocketTheCheckCountsAsAnswered()
{
    START_SCRATCH_HOST();
    // Nothing in the namespace answers, so "reachable" can only come from not being able to ask.
    QVERIFY(m_host->ignorePings());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No ICMP socket.*ping_group_range")));

    // A new namespace lets no group open ping sockets, and the raw system calls change the user of
    // this one thread only (the C library's wrappers would change every thread's), taking its
    // CAP_NET_RAW with it.
    const auto answers = inNamespace<std::pair<bool, bool>>(m_host->name(), [] {
        if (::syscall(SYS_setresgid, 65534, 65534, 65534) != 0 || ::syscall(SYS_setresuid, 65534, 65534, 65534) != 0)
            return std::pair{false, true};
        return std::pair{PingHost(QStringLiteral("127.0.0.1")), PingHost(QStringLiteral("nonexistent.invalid"))};
    });
    QVERIFY(answers);
    QVERIFY2(answers->first, "a host asked without any ICMP socket was reported silent");
    QVERIFY2(!answers->second, "a name that does not resolve was reported reachable");
}

void TestRawPing::answerArrivesOnTheMainThread_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("reachable");

    QTest::newRow("loopback") << QStringLiteral("127.0.0.1") << true;
    QTest::newRow("unresolvable") << QStringLiteral("nonexistent.invalid") << false;
}

void TestRawPing::answerArrivesOnTheMainThread()
{
    QFETCH(QString, host);
    QFETCH(bool, reachable);

    ReachabilityCheck check;
    QList<bool> answers;
    QThread* deliveredOn = nullptr;
    connect(&check, &ReachabilityCheck::answered, this, [&](bool answer) {
        answers.append(answer);
        deliveredOn = QThread::currentThread();
    });

    QVERIFY(check.start(host));
    QVERIFY(check.isChecking());
    QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 1, 30000);
    QCOMPARE(answers.first(), reachable);
    QCOMPARE(deliveredOn, QCoreApplication::instance()->thread());
    QVERIFY(!check.isChecking());
}

void TestRawPing::secondCheckWhileOneIsOutIsRefused()
{
    ReachabilityCheck check;
    QSignalSpy answered(&check, &ReachabilityCheck::answered);

    QVERIFY(check.start(QStringLiteral("127.0.0.1")));
    // Out until its answer has been handed over, however soon the worker finishes.
    QVERIFY(!check.start(QStringLiteral("nonexistent.invalid")));
    QVERIFY(answered.wait(30000));
    QTRY_COMPARE(ReachabilityCheck::workersOut(), 0);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(answered.size(), 1);
    QCOMPARE(answered.first().first().toBool(), true);

    QVERIFY(check.start(QStringLiteral("nonexistent.invalid")));
    QVERIFY(answered.wait(30000));
    QCOMPARE(answered.size(), 2);
    QCOMPARE(answered.last().first().toBool(), false);
}

void TestRawPing::mainThreadRunsWhileACheckWaits()
{
    START_SCRATCH_HOST();
    QTRY_VERIFY_WITH_TIMEOUT(PingHost(m_host->far()), 10000);
    QVERIFY(m_host->ignorePings());

    ReachabilityCheck check;
    int ticks = 0;
    int ticksAtAnswer = -1;
    QTimer timer;
    timer.setInterval(1);
    connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
    connect(&check, &ReachabilityCheck::answered, this, [&](bool reachable) {
        QVERIFY(!reachable);
        ticksAtAnswer = ticks;
    });
    timer.start();

    QVERIFY(check.start(m_host->far()));
    const int ticksAtStart = ticks;
    QTRY_VERIFY_WITH_TIMEOUT(ticksAtAnswer >= 0, 30000);
    QVERIFY2(ticksAtAnswer > ticksAtStart, "the timer did not tick while the check waited for its reply");
}

void TestRawPing::destroyingWhileACheckIsOutDeliversNothing_data()
{
    QTest::addColumn<bool>("holdWorker");

    // A worker held inside its probe stands for a resolver that hangs: destruction must not wait.
    QTest::newRow("worker held") << true;
    QTest::newRow("loopback") << false;
}

void TestRawPing::destroyingWhileACheckIsOutDeliversNothing()
{
    QFETCH(bool, holdWorker);

    // Opened on every way out of the case, so a failing case leaves no worker blocked for the next.
    struct Gate
    {
        std::promise<void> promise;
        std::shared_future<void> opened = promise.get_future().share();
        bool open = false;
        void release()
        {
            if (!std::exchange(open, true))
                promise.set_value();
        }
        ~Gate() { release(); }
    } gate;
    std::shared_future<void> released = gate.opened;
    auto check = std::make_unique<ReachabilityCheck>(holdWorker ? ReachabilityCheck::Probe([released](const QString&) {
        released.wait();
        return true;
    })
                                                                : ReachabilityCheck::Probe(PingHost));
    bool delivered = false;
    connect(check.get(), &ReachabilityCheck::answered, this, [&delivered] { delivered = true; });

    QVERIFY(check->start(QStringLiteral("127.0.0.1")));
    check.reset();
    if (holdWorker) {
        QCOMPARE(ReachabilityCheck::workersOut(), 1);
        gate.release();
    }
    QTRY_COMPARE_WITH_TIMEOUT(ReachabilityCheck::workersOut(), 0, 30000);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QVERIFY(!delivered);
}

QTEST_GUILESS_MAIN(TestRawPing)
#include "tst_rawping.moc"
