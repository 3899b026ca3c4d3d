// The port search dialog over a scripted serial link: which ports and speeds it tries and in what order,
// what it hands to the parser, what it shows, that it answers and can be closed while the search runs,
// and that it never leaves a port open.
#include "core/global.h"
#include "core/languagemodule.h"
#include "support/scriptedportlink.h"
#include "ui/portsearchdialog.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

namespace {

constexpr int SearchTimeoutMs = 15000;
// Longer than the two seconds after which a successful search closes the dialog.
constexpr int PastSelfCloseMs = 2600;
const QByteArray Request = "SI\r\n";

QColor textColour(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

} // namespace

class TestPortSearchDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void flagsChooseTheLanguage();

    void searchesPortsAndSpeedsInOrder_data();
    void searchesPortsAndSpeedsInOrder();
    void maxPortIsReadBeforeEachPort();
    void onlyAnswersWithALongEnoughFirstLineReachTheParser_data();
    void onlyAnswersWithALongEnoughFirstLineReachTheParser();
    void closingCancelsARunningSearch_data();
    void closingCancelsARunningSearch();
    void destroyedMidSearchLeavesNoPortOpen();
    void closesItselfAfterSuccess_data();
    void closesItselfAfterSuccess();
    void maxPortIsClamped_data();
    void maxPortIsClamped();
    void baudCodeText_data();
    void baudCodeText();
    void everyNamedControlExists();
    void outcomesText_data();
    void outcomesText();
    void failedSearchShowsItsReport();

private:
    // Shows the dialog, which starts a search, and waits until the search is over.
    bool showAndSearch();
    template <typename T>
    T* control(const char* name) const
    {
        return m_dialog->findChild<T*>(QString::fromLatin1(name));
    }

    LinkRecord m_record;
    QList<QByteArray> m_parsed;
    std::unique_ptr<PortSearchDialog> m_dialog;
    bool m_configured = false;
};

void TestPortSearchDialog::init()
{
    m_record = LinkRecord();
    m_parsed.clear();
    m_configured = true;

    m_dialog = std::make_unique<PortSearchDialog>(nullptr, std::make_unique<ScriptedLink>(m_record));
    // What the window makes of a search: a new one starts unconfigured, a found port configures it.
    connect(m_dialog.get(), &PortSearchDialog::searchStarted, this, [this] { m_configured = false; });
    connect(m_dialog.get(), &PortSearchDialog::portFound, this, [this] { m_configured = true; });
    // Accepts what a scale sends, the way the weighing-line parser does. The search's thread calls it; the
    // test reads what it kept once the search has ended.
    m_dialog->setAnswerParser([this](const QByteArray& answer) {
        m_parsed.append(answer);
        return answer.contains(" kg");
    });
}

void TestPortSearchDialog::cleanup()
{
    m_dialog.reset();
    QVERIFY(m_record.openNow.isEmpty());
    QCOMPARE(m_record.misdirected, 0);
}

bool TestPortSearchDialog::showAndSearch()
{
    auto* retry = control<QPushButton>("searchButton");
    m_dialog->show();
    if (retry->isEnabled())
        return false;
    return QTest::qWaitFor([&] { return retry->isEnabled(); }, SearchTimeoutMs);
}

// The dialog holds the window at a first start, so it carries the language flags itself.
void TestPortSearchDialog::flagsChooseTheLanguage()
{
    QSignalSpy chosen(m_dialog.get(), &PortSearchDialog::languageChosen);
    m_dialog->findChild<QAbstractButton*>(QStringLiteral("searchEnglishButton"))->click();
    m_dialog->findChild<QAbstractButton*>(QStringLiteral("searchPolishButton"))->click();
    QCOMPARE(chosen.size(), 2);
    QCOMPARE(chosen.at(0).at(0).toInt(), LanguageModule::English);
    QCOMPARE(chosen.at(1).at(0).toInt(), LanguageModule::Polish);
}

void TestPortSearchDialog::searchesPortsAndSpeedsInOrder_data()
{
    QTest::addColumn<QList<int>>("unopenable");
    QTest::addColumn<QPoint>("scale");
    QTest::addColumn<int>("answersFromAttempt");
    QTest::addColumn<QString>("maxPort");
    QTest::addColumn<QString>("tries");
    QTest::addColumn<QPoint>("found");

    const QPoint none;
    QTest::newRow("scale on COM2 at 9600, COM1 silent") << QList<int>() << QPoint(2, 12) << 1 << "4"
                                                        << "1@10 1@12 2@10 2@12" << QPoint(2, 12);
    QTest::newRow("held COM1 skipped at both speeds") << QList<int>{1} << QPoint(2, 12) << 1 << "4"
                                                      << "1@10x 2@10 2@12" << QPoint(2, 12);
    QTest::newRow("scale at 4800: 9600 not tried") << QList<int>() << QPoint(1, 10) << 1 << "4"
                                                   << "1@10" << QPoint(1, 10);
    QTest::newRow("answer at the third attempt") << QList<int>() << QPoint(1, 12) << 3 << "4"
                                                 << "1@10 1@12" << QPoint(1, 12);
    QTest::newRow("answer at a fourth attempt is too late") << QList<int>() << QPoint(1, 10) << 4 << "1"
                                                            << "1@10 1@12" << none;
    QTest::newRow("nothing answers") << QList<int>() << none << 1 << "2"
                                     << "1@10 1@12 2@10 2@12" << none;
    QTest::newRow("no port opens") << QList<int>{1, 2, 3} << none << 1 << "3"
                                   << "1@10x 2@10x 3@10x" << none;
}

void TestPortSearchDialog::searchesPortsAndSpeedsInOrder()
{
    QFETCH(QList<int>, unopenable);
    QFETCH(QPoint, scale);
    QFETCH(int, answersFromAttempt);
    QFETCH(QString, maxPort);
    QFETCH(QString, tries);
    QFETCH(QPoint, found);

    m_record.unopenable = QSet<int>(unopenable.begin(), unopenable.end());
    if (!scale.isNull())
        m_record.scaleAt(scale.x(), scale.y(), answersFromAttempt);
    control<QLineEdit>("maxPortEdit")->setText(maxPort);
    QSignalSpy portFound(m_dialog.get(), &PortSearchDialog::portFound);

    QVERIFY(showAndSearch());

    QCOMPARE(m_record.triesText(), tries);
    int opened = 0;
    for (qsizetype i = 0; i < m_record.tries.size(); ++i) {
        const LinkRecord::Try& attempt = m_record.tries.at(i);
        QVERIFY(attempt.offMainThread);
        QVERIFY(attempt.resetSettings);
        if (!attempt.opened)
            continue;
        ++opened;
        QCOMPARE(attempt.totalMs, 500);
        QCOMPARE(attempt.intervalMs, 500);
        const bool successful = !found.isNull() && i == m_record.tries.size() - 1;
        QCOMPARE(attempt.reads, successful ? answersFromAttempt : 3);
        QCOMPARE(attempt.sent, Request.repeated(attempt.reads));
    }
    QCOMPARE(m_record.closes, opened);
    QVERIFY(m_record.openNow.isEmpty());
    QVERIFY(std::all_of(m_record.readCounts.begin(), m_record.readCounts.end(), [](int n) { return n == 25; }));

    QCOMPARE(m_configured, !found.isNull());
    auto* status = control<QLabel>("statusLabel");
    if (found.isNull()) {
        QCOMPARE(portFound.count(), 0);
        QCOMPARE(status->text(), QStringLiteral("Brak komunikacji"));
        QCOMPARE(textColour(status), QColor(255, 0, 0));
    } else {
        QCOMPARE(portFound.count(), 1);
        QCOMPARE(portFound.first().at(0).toInt(), found.x());
        QCOMPARE(portFound.first().at(1).toInt(), found.y());
        QCOMPARE(status->text(), QStringLiteral("Port skonfigurowany"));
        QCOMPARE(textColour(status), QColor(0, 128, 0));
        QCOMPARE(control<QLabel>("portLabel")->text(), QStringLiteral("COM%1").arg(found.x()));
        QCOMPARE(control<QLabel>("speedLabel")->text(),
                 found.y() == 12 ? QStringLiteral("9600 bps") : QStringLiteral("4800 bps"));
        QCOMPARE(control<QLabel>("attemptLabel")->text(), QString::number(answersFromAttempt));
    }
    QVERIFY(control<QPushButton>("closeButton")->isEnabled());
    QVERIFY(m_dialog->isVisible());
}

// The user may lower the limit while the search runs; the next port already obeys it.
void TestPortSearchDialog::maxPortIsReadBeforeEachPort()
{
    control<QLineEdit>("maxPortEdit")->setText(QStringLiteral("3"));
    // As the user would, on the dialog's thread, while the search waits for an answer.
    m_record.duringRead = [this] {
        QMetaObject::invokeMethod(
            m_dialog.get(), [this] { control<QLineEdit>("maxPortEdit")->setText(QStringLiteral("1")); },
            Qt::BlockingQueuedConnection);
    };

    QVERIFY(showAndSearch());
    QCOMPARE(m_record.triesText(), QStringLiteral("1@10 1@12"));
}

void TestPortSearchDialog::onlyAnswersWithALongEnoughFirstLineReachTheParser_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("parsed");

    QTest::newRow("line end at 10") << QByteArray("2.345 kg\r\n") << QByteArray();
    QTest::newRow("line end at 11") << QByteArray("12.345 kg\r\n") << QByteArray("12.345 kg\r\n");
    QTest::newRow("line end alone") << QByteArray("\n") << QByteArray();
    QTest::newRow("no line end") << QByteArray("     12.345 kg") << QByteArray();
    QTest::newRow("first line end too early") << QByteArray("\r\n     12.345 kg\r\n") << QByteArray();
    QTest::newRow("more than a line: 25 bytes go on") << ScaleLine + ScaleLine << (ScaleLine + ScaleLine).left(25);
    QTest::newRow("line end beyond 25 bytes") << QByteArray(24, ' ') + "\r\n" << QByteArray();
    QTest::newRow("nothing") << QByteArray() << QByteArray();
}

void TestPortSearchDialog::onlyAnswersWithALongEnoughFirstLineReachTheParser()
{
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, parsed);

    for (const int baudCode : {10, 12})
        m_record.answers.insert({1, baudCode}, {answer, answer, answer});
    control<QLineEdit>("maxPortEdit")->setText(QStringLiteral("1"));
    // A parser that accepts nothing, so every attempt is made.
    m_dialog->setAnswerParser([this](const QByteArray& given) {
        m_parsed.append(given);
        return false;
    });

    QVERIFY(showAndSearch());
    QCOMPARE(m_record.triesText(), QStringLiteral("1@10 1@12"));
    QCOMPARE(m_parsed, parsed.isEmpty() ? QList<QByteArray>() : QList<QByteArray>(6, parsed));
    QVERIFY(!m_configured);
}

void TestPortSearchDialog::closingCancelsARunningSearch_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("close button") << "button";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("window closed") << "close";
}

// Every read waits as on a silent line; the dialog still answers, and closing it ends the search at
// once: the port it held is closed and nothing is found.
void TestPortSearchDialog::closingCancelsARunningSearch()
{
    QFETCH(QString, how);

    m_record.holdReads = true;
    m_record.scaleAt(1, 10, 2);
    control<QLineEdit>("maxPortEdit")->setText(QStringLiteral("255"));
    QSignalSpy portFound(m_dialog.get(), &PortSearchDialog::portFound);
    QSignalSpy finished(m_dialog.get(), &QDialog::finished);
    m_dialog->show();
    QTRY_COMPARE_WITH_TIMEOUT(control<QLabel>("attemptLabel")->text(), QStringLiteral("1"), SearchTimeoutMs);

    auto* closeButton = control<QPushButton>("closeButton");
    QVERIFY(closeButton->isEnabled());
    QVERIFY(!control<QPushButton>("searchButton")->isEnabled());
    if (how == QLatin1String("button"))
        closeButton->click();
    else if (how == QLatin1String("escape"))
        QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    else
        m_dialog->close();

    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).toInt(), int(QDialog::Rejected));
    QTRY_COMPARE_WITH_TIMEOUT(m_record.closes, 1, SearchTimeoutMs);
    QVERIFY(m_record.openNow.isEmpty());
    QCOMPARE(m_record.interruptedReads, 1);
    QCOMPARE(m_record.triesText(), QStringLiteral("1@10"));
    QCOMPARE(portFound.count(), 0);
    QVERIFY(!m_configured);

    // Shown again, it searches afresh.
    m_record.holdReads = false;
    control<QLineEdit>("maxPortEdit")->setText(QStringLiteral("1"));
    QVERIFY(showAndSearch());
    QCOMPARE(m_record.triesText(), QStringLiteral("1@10 1@10"));
    QCOMPARE(portFound.count(), 1);
}

void TestPortSearchDialog::destroyedMidSearchLeavesNoPortOpen()
{
    m_record.holdReads = true;
    m_dialog->show();
    QTRY_COMPARE_WITH_TIMEOUT(control<QLabel>("attemptLabel")->text(), QStringLiteral("1"), SearchTimeoutMs);
    m_dialog.reset();

    QCOMPARE(m_record.triesText(), QStringLiteral("1@10"));
    QVERIFY(m_record.openNow.isEmpty());
    QCOMPARE(m_record.interruptedReads, 1);
}

void TestPortSearchDialog::closesItselfAfterSuccess_data()
{
    QTest::addColumn<QString>("then");
    QTest::addColumn<int>("result");

    QTest::newRow("left alone") << "nothing" << int(QDialog::Accepted);
    QTest::newRow("searched again at once") << "retry" << -1;
    QTest::newRow("closed at once") << "close" << int(QDialog::Rejected);
    QTest::newRow("destroyed at once") << "destroy" << -1;
}

// After a success the dialog closes itself once, unless the user got there first.
void TestPortSearchDialog::closesItselfAfterSuccess()
{
    QFETCH(QString, then);
    QFETCH(int, result);

    m_record.scaleAt(1, 10);
    QSignalSpy finished(m_dialog.get(), &QDialog::finished);
    QVERIFY(showAndSearch());
    QCOMPARE(m_configured, true);
    QVERIFY(m_dialog->isVisible());

    // The scale is gone by now; a new search finds nothing and must stay open to say so.
    m_record.answers.clear();
    control<QLineEdit>("maxPortEdit")->setText(QStringLiteral("1"));
    if (then == QLatin1String("retry")) {
        auto* retry = control<QPushButton>("searchButton");
        retry->click();
        QVERIFY(QTest::qWaitFor([&] { return retry->isEnabled(); }, SearchTimeoutMs));
    } else if (then == QLatin1String("close")) {
        control<QPushButton>("closeButton")->click();
    } else if (then == QLatin1String("destroy")) {
        m_dialog.reset();
    }

    // Started after the dialog's own two-second timer and set longer: by the time it has fired, the
    // dialog's has had its turn.
    QTimer pastSelfClose;
    pastSelfClose.setTimerType(Qt::PreciseTimer);
    pastSelfClose.setSingleShot(true);
    pastSelfClose.start(PastSelfCloseMs);
    if (result == int(QDialog::Accepted))
        QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->isVisible(), SearchTimeoutMs);
    else
        QTRY_VERIFY_WITH_TIMEOUT(!pastSelfClose.isActive(), SearchTimeoutMs);
    if (!m_dialog)
        return;
    if (result < 0) {
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(finished.count(), 0);
        QCOMPARE(control<QLabel>("statusLabel")->text(), QStringLiteral("Brak komunikacji"));
        return;
    }
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).toInt(), result);
    QCOMPARE(m_dialog->result(), result);
}

void TestPortSearchDialog::maxPortIsClamped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("position");

    QTest::newRow("300") << "300" << 255;
    QTest::newRow("255") << "255" << 255;
    QTest::newRow("256") << "256" << 255;
    QTest::newRow("4") << "4" << 4;
    QTest::newRow("1") << "1" << 1;
    QTest::newRow("0") << "0" << 1;
    QTest::newRow("negative") << "-7" << 1;
    QTest::newRow("text") << "abc" << 1;
    QTest::newRow("empty") << "" << 1;
}

void TestPortSearchDialog::maxPortIsClamped()
{
    QFETCH(QString, typed);
    QFETCH(int, position);

    auto* edit = control<QLineEdit>("maxPortEdit");
    auto* upDown = control<QSpinBox>("maxPortBox");
    // Away from every expected value first, so that each case has to change something.
    edit->setText(QStringLiteral("17"));
    QCOMPARE(upDown->value(), 17);

    edit->setText(typed);
    QCOMPARE(upDown->value(), position);
    QCOMPARE(edit->text(), QString::number(position));

    m_dialog->maxPortEdited();
    QCOMPARE(edit->text(), QString::number(position));
}

void TestPortSearchDialog::baudCodeText_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    QTest::newRow("0") << 0 << "50 bps";
    QTest::newRow("3") << 3 << "134 bps";
    QTest::newRow("10") << 10 << "4800 bps";
    QTest::newRow("11") << 11 << "7200 bps";
    QTest::newRow("12") << 12 << "9600 bps";
    QTest::newRow("19") << 19 << "921600 bps";
    QTest::newRow("-1") << -1 << "- bps";
    QTest::newRow("20") << 20 << "- bps";
}

void TestPortSearchDialog::baudCodeText()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(PortSearchDialog::baudCodeText(code), text);
}

void TestPortSearchDialog::everyNamedControlExists()
{
    QCOMPARE(m_dialog->objectName(), QStringLiteral("PortSearchDialog"));
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Autokonfiguracja portu"));
    QVERIFY(m_dialog->isModal());
    QCOMPARE(m_dialog->minimumSize(), m_dialog->maximumSize());

    const QList<std::pair<const char*, const char*>> captions = {
        {"portCaption", "Port nr:"},  {"speedCaption", "Prędkość:"},       {"attemptCaption", "Nr. próby:"},
        {"statusCaption", "Status:"}, {"maxPortCaption", "Max nr portu:"}, {"portLabel", nullptr},
        {"speedLabel", nullptr},      {"attemptLabel", nullptr},           {"statusLabel", nullptr},
    };
    for (const auto& [name, caption] : captions) {
        const auto* label = control<QLabel>(name);
        QVERIFY2(label, name);
        if (caption)
            QCOMPARE(label->text(), QString::fromUtf8(caption));
    }
    QVERIFY(control<QLabel>("statusLabel")->font().bold());
    QCOMPARE(control<QPushButton>("searchButton")->text(), QStringLiteral("&Ponów"));
    QCOMPARE(control<QPushButton>("closeButton")->text(), QStringLiteral("&Zamknij"));

    auto* upDown = control<QSpinBox>("maxPortBox");
    auto* edit = control<QLineEdit>("maxPortEdit");
    QVERIFY(upDown && edit);
    QVERIFY(upDown->isAncestorOf(edit));
    QCOMPARE(upDown->minimum(), 1);
    QCOMPARE(upDown->maximum(), 255);
    QCOMPARE(edit->text(), QStringLiteral("4"));
    QCOMPARE(edit->maxLength(), 3);

    const auto* timer = control<QTimer>("startDelay");
    QVERIFY(timer);
    QVERIFY(!timer->isActive());
}

namespace {

PortSearchOutcome notOpened(int port, PortAccess::Problem problem, const QString& device = QString())
{
    PortSearchOutcome outcome;
    outcome.port = port;
    outcome.kind = PortSearchOutcome::Kind::NotOpened;
    outcome.access.problem = problem;
    outcome.access.port = port;
    outcome.access.device = device;
    return outcome;
}

PortSearchOutcome answered(int port, PortSearchOutcome::Kind kind, const QByteArray& sample = QByteArray(),
                           int baudCode = -1, bool makers = false)
{
    PortSearchOutcome outcome;
    outcome.port = port;
    outcome.kind = kind;
    outcome.access.device = QStringLiteral("/dev/ttyUSB%1").arg(port - 1);
    outcome.sample = sample;
    outcome.sampleBaudCode = baudCode;
    outcome.makerFormatsRead = makers;
    return outcome;
}

} // namespace

void TestPortSearchDialog::outcomesText_data()
{
    using Kind = PortSearchOutcome::Kind;
    using Problem = PortAccess::Problem;
    QTest::addColumn<QList<PortSearchOutcome>>("outcomes");
    QTest::addColumn<QString>("text");

    PortSearchOutcome forbidden = notOpened(1, Problem::PermissionDenied, QStringLiteral("/dev/ttyUSB0"));
    forbidden.access.group = QStringLiteral("dialout");
    PortSearchOutcome rootOnly = forbidden;
    rootOnly.access.group = QStringLiteral("root");
    PortSearchOutcome held = notOpened(2, Problem::Busy, QStringLiteral("/dev/ttyS0"));
    held.access.holder = QStringLiteral("minicom (4242)");

    QTest::newRow("no device, ports in a row share a line")
        << QList<PortSearchOutcome>{notOpened(1, Problem::NoDevice), notOpened(2, Problem::NoDevice),
                                    notOpened(3, Problem::NoDevice)}
        << "COM1–COM3: brak urządzenia";
    QTest::newRow("a missing device between others")
        << QList<PortSearchOutcome>{answered(1, Kind::Silent),
                                    notOpened(2, Problem::NoDevice, QStringLiteral("/dev/ttyACM3")),
                                    answered(3, Kind::Silent)}
        << "COM1 (/dev/ttyUSB0): brak odpowiedzi przy żadnej prędkości\n"
           "COM2 (/dev/ttyACM3): brak urządzenia\n"
           "COM3 (/dev/ttyUSB2): brak odpowiedzi przy żadnej prędkości";
    QTest::newRow("permission: group, command, new login")
        << QList<PortSearchOutcome>{forbidden}
        << "COM1 (/dev/ttyUSB0): brak uprawnień do otwarcia portu. Urządzenie należy do grupy dialout; dodaj do "
           "niej swoje konto poleceniem:\n"
           "    sudo usermod -aG dialout $USER\n"
           "i zaloguj się ponownie: nowa grupa działa od następnego logowania.";
    // Joining root is no advice to give.
    QTest::newRow("permission, device of root's group")
        << QList<PortSearchOutcome>{rootOnly} << "COM1 (/dev/ttyUSB0): brak uprawnień do otwarcia portu";
    QTest::newRow("busy, holder named") << QList<PortSearchOutcome>{held}
                                        << "COM2 (/dev/ttyS0): zajęty przez inny program: minicom (4242)";
    QTest::newRow("busy, holder unknown")
        << QList<PortSearchOutcome>{notOpened(2, Problem::Busy)} << "COM2: zajęty przez inny program";
    QTest::newRow("answers that are no weighing lines")
        << QList<PortSearchOutcome>{answered(1, Kind::NotWeighing, QByteArray("\xb1\xb2.3\0\\\r\n", 8), 12)}
        << "COM1 (/dev/ttyUSB0): odpowiada, ale nie wynikiem ważenia (9600 bps): \\xb1\\xb2.3\\x00\\\\\\r\\n";
    QTest::newRow("the makers' formats would read it")
        << QList<PortSearchOutcome>{answered(1, Kind::NotWeighing, "1250LG\r", 10, true)}
        << "COM1 (/dev/ttyUSB0): odpowiada, ale nie wynikiem ważenia (4800 bps): 1250LG\\r\n"
           "Tę odpowiedź odczyta opcja „Rozpoznawaj formaty wag różnych producentów” w opcjach formatu.";
}

void TestPortSearchDialog::outcomesText()
{
    QFETCH(QList<PortSearchOutcome>, outcomes);
    QFETCH(QString, text);

    QCOMPARE(PortSearchDialog::outcomesText(outcomes), text);
}

// The report comes with a failed search and goes with the next one; the dialog grows to show it.
void TestPortSearchDialog::failedSearchShowsItsReport()
{
    PortAccess held;
    held.problem = PortAccess::Problem::Busy;
    held.holder = QStringLiteral("minicom (4242)");
    m_record.unopenable = {1};
    m_record.refusals = {{1, held}};
    m_dialog->setTiming({0, 0, 0});
    control<QLineEdit>("maxPortEdit")->setText(QStringLiteral("2"));
    auto* report = control<QPlainTextEdit>("searchReport");
    QVERIFY(report);
    QVERIFY(report->isHidden());
    const QSize plain = m_dialog->size();

    QVERIFY(showAndSearch());
    QCOMPARE(control<QLabel>("statusLabel")->text(), QStringLiteral("Brak komunikacji"));
    QVERIFY(report->isVisible());
    QCOMPARE(report->toPlainText(), QStringLiteral("COM1: zajęty przez inny program: minicom (4242)\n"
                                                   "COM2: brak odpowiedzi przy żadnej prędkości"));
    QVERIFY(m_dialog->height() > plain.height());
    QCOMPARE(m_dialog->minimumSize(), m_dialog->maximumSize());

    // The close button still ends a search under way, and a new search starts without the old report.
    m_record.holdReads = true;
    control<QPushButton>("searchButton")->click();
    QVERIFY(report->isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(!m_record.tries.isEmpty() && m_record.tries.last().port == 2, SearchTimeoutMs);
    control<QPushButton>("closeButton")->click();
    QVERIFY(!m_dialog->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(m_record.openNow.isEmpty(), SearchTimeoutMs);
}

QTEST_MAIN(TestPortSearchDialog)
#include "tst_portsearchdialog.moc"
