// The port search dialog over a scripted serial link: which ports and speeds it tries and in what order,
// what it hands to the parser, what it shows, and that it never leaves a port open or the search flag set.
#include "core/global.h"
#include "support/scriptedportlink.h"
#include "ui/autokonfform.h"

#include <QLabel>
#include <QLineEdit>
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

class TestAutoKonfForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void searchesPortsAndSpeedsInOrder_data();
    void searchesPortsAndSpeedsInOrder();
    void maxPortIsReadBeforeEachPort();
    void onlyAnswersWithALongEnoughFirstLineReachTheParser_data();
    void onlyAnswersWithALongEnoughFirstLineReachTheParser();
    void searchCannotBeInterruptedFromTheDialog();
    void destroyedMidSearchLeavesNoPortOpen();
    void closesItselfAfterSuccess_data();
    void closesItselfAfterSuccess();
    void maxPortIsClamped_data();
    void maxPortIsClamped();
    void baudCodeText_data();
    void baudCodeText();
    void everyNamedControlExists();

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
    std::unique_ptr<TAutoKonfForm> m_dialog;
};

void TestAutoKonfForm::init()
{
    m_record = LinkRecord();
    m_parsed.clear();
    Global::PortProbing = false;
    Global::PortConfigured = true;
    // Left over from another use of the record; the search must not inherit it.
    Global::PortSettings = TPortSettings{};
    Global::PortSettings.HardwareFlow = true;
    Global::PortSettings.DataBits = 2;
    Global::PortSettings.Rts = 1;

    m_dialog = std::make_unique<TAutoKonfForm>(nullptr, std::make_unique<ScriptedLink>(m_record));
    // Accepts what a scale sends, the way the weighing-line parser does while the search runs.
    m_dialog->setAnswerParser([this](const QByteArray& answer) {
        m_parsed.append(answer);
        if (Global::PortProbing && answer.contains(" kg"))
            Global::PortConfigured = true;
    });
}

void TestAutoKonfForm::cleanup()
{
    m_dialog.reset();
    QVERIFY(m_record.openNow.isEmpty());
    QCOMPARE(m_record.misdirected, 0);
    QVERIFY(!Global::PortProbing);
}

bool TestAutoKonfForm::showAndSearch()
{
    auto* retry = control<QPushButton>("SpeedButton2");
    m_dialog->show();
    if (retry->isEnabled())
        return false;
    return QTest::qWaitFor([&] { return retry->isEnabled(); }, SearchTimeoutMs);
}

void TestAutoKonfForm::searchesPortsAndSpeedsInOrder_data()
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

void TestAutoKonfForm::searchesPortsAndSpeedsInOrder()
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
    control<QLineEdit>("EditMaxPort")->setText(maxPort);
    QSignalSpy portFound(m_dialog.get(), &TAutoKonfForm::portFound);

    QVERIFY(showAndSearch());

    QCOMPARE(m_record.triesText(), tries);
    int opened = 0;
    for (qsizetype i = 0; i < m_record.tries.size(); ++i) {
        const LinkRecord::Try& attempt = m_record.tries.at(i);
        QVERIFY(attempt.probing);
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

    QVERIFY(!Global::PortProbing);
    QCOMPARE(Global::PortConfigured, !found.isNull());
    auto* status = control<QLabel>("Label9");
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
        QCOMPARE(control<QLabel>("Label5")->text(), QStringLiteral("COM%1").arg(found.x()));
        QCOMPARE(control<QLabel>("Label6")->text(),
                 found.y() == 12 ? QStringLiteral("9600 bps") : QStringLiteral("4800 bps"));
        QCOMPARE(control<QLabel>("Label7")->text(), QString::number(answersFromAttempt));
    }
    QVERIFY(control<QPushButton>("SpeedButton1")->isEnabled());
    QVERIFY(m_dialog->isVisible());
}

// The user may lower the limit while the search runs; the next port already obeys it.
void TestAutoKonfForm::maxPortIsReadBeforeEachPort()
{
    control<QLineEdit>("EditMaxPort")->setText(QStringLiteral("3"));
    m_record.duringRead = [this] { control<QLineEdit>("EditMaxPort")->setText(QStringLiteral("1")); };

    QVERIFY(showAndSearch());
    QCOMPARE(m_record.triesText(), QStringLiteral("1@10 1@12"));
}

void TestAutoKonfForm::onlyAnswersWithALongEnoughFirstLineReachTheParser_data()
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

void TestAutoKonfForm::onlyAnswersWithALongEnoughFirstLineReachTheParser()
{
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, parsed);

    for (const int baudCode : {10, 12})
        m_record.answers.insert({1, baudCode}, {answer, answer, answer});
    control<QLineEdit>("EditMaxPort")->setText(QStringLiteral("1"));
    // A parser that accepts nothing, so every attempt is made.
    m_dialog->setAnswerParser([this](const QByteArray& given) { m_parsed.append(given); });

    QVERIFY(showAndSearch());
    QCOMPARE(m_record.triesText(), QStringLiteral("1@10 1@12"));
    QCOMPARE(m_parsed, parsed.isEmpty() ? QList<QByteArray>() : QList<QByteArray>(6, parsed));
    QVERIFY(!Global::PortConfigured);
}

void TestAutoKonfForm::searchCannotBeInterruptedFromTheDialog()
{
    control<QLineEdit>("EditMaxPort")->setText(QStringLiteral("1"));
    bool tried = false;
    m_record.duringRead = [&] {
        if (std::exchange(tried, true))
            return;
        QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
        m_dialog->close();
        control<QPushButton>("SpeedButton1")->click();
        m_dialog->SpeedButton2Click();
        m_dialog->Timer1Timer();
    };

    QVERIFY(showAndSearch());
    QVERIFY(tried);
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_record.triesText(), QStringLiteral("1@10 1@12"));
    QVERIFY(!control<QTimer>("Timer1")->isActive());
    QVERIFY(!Global::PortProbing);

    // Once the search is over, the dialog closes as usual.
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QVERIFY(!m_dialog->isVisible());
}

void TestAutoKonfForm::destroyedMidSearchLeavesNoPortOpen()
{
    m_record.duringRead = [this] { QTimer::singleShot(0, [this] { m_dialog.reset(); }); };
    m_dialog->show();
    QTRY_VERIFY_WITH_TIMEOUT(!m_dialog, SearchTimeoutMs);

    QCOMPARE(m_record.triesText(), QStringLiteral("1@10"));
    QVERIFY(m_record.openNow.isEmpty());
    QVERIFY(!Global::PortProbing);
}

void TestAutoKonfForm::closesItselfAfterSuccess_data()
{
    QTest::addColumn<QString>("then");
    QTest::addColumn<int>("result");

    QTest::newRow("left alone") << "nothing" << int(QDialog::Accepted);
    QTest::newRow("searched again at once") << "retry" << -1;
    QTest::newRow("closed at once") << "close" << int(QDialog::Rejected);
    QTest::newRow("destroyed at once") << "destroy" << -1;
}

// After a success the dialog closes itself once, unless the user got there first.
void TestAutoKonfForm::closesItselfAfterSuccess()
{
    QFETCH(QString, then);
    QFETCH(int, result);

    m_record.scaleAt(1, 10);
    QSignalSpy finished(m_dialog.get(), &QDialog::finished);
    QVERIFY(showAndSearch());
    QCOMPARE(Global::PortConfigured, true);
    QVERIFY(m_dialog->isVisible());

    // The scale is gone by now; a new search finds nothing and must stay open to say so.
    m_record.answers.clear();
    control<QLineEdit>("EditMaxPort")->setText(QStringLiteral("1"));
    if (then == QLatin1String("retry")) {
        auto* retry = control<QPushButton>("SpeedButton2");
        retry->click();
        QVERIFY(QTest::qWaitFor([&] { return retry->isEnabled(); }, SearchTimeoutMs));
    } else if (then == QLatin1String("close")) {
        control<QPushButton>("SpeedButton1")->click();
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
        QCOMPARE(control<QLabel>("Label9")->text(), QStringLiteral("Brak komunikacji"));
        return;
    }
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).toInt(), result);
    QCOMPARE(m_dialog->result(), result);
}

void TestAutoKonfForm::maxPortIsClamped_data()
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

void TestAutoKonfForm::maxPortIsClamped()
{
    QFETCH(QString, typed);
    QFETCH(int, position);

    auto* edit = control<QLineEdit>("EditMaxPort");
    auto* upDown = control<QSpinBox>("UpDownMaxPort");
    // Away from every expected value first, so that each case has to change something.
    edit->setText(QStringLiteral("17"));
    QCOMPARE(upDown->value(), 17);

    edit->setText(typed);
    QCOMPARE(upDown->value(), position);
    QCOMPARE(edit->text(), QString::number(position));

    m_dialog->EditMaxPortChange();
    QCOMPARE(edit->text(), QString::number(position));
}

void TestAutoKonfForm::baudCodeText_data()
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

void TestAutoKonfForm::baudCodeText()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(TAutoKonfForm::BaudCodeText(code), text);
}

void TestAutoKonfForm::everyNamedControlExists()
{
    QCOMPARE(m_dialog->objectName(), QStringLiteral("TAutoKonfForm"));
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Autokonfiguracja portu"));
    QVERIFY(m_dialog->isModal());
    QCOMPARE(m_dialog->minimumSize(), m_dialog->maximumSize());

    const QList<std::pair<const char*, const char*>> captions = {
        {"Label3", "Port nr:"}, {"Label4", "Prędkość:"},      {"Label1", "Nr. próby:"},
        {"Label8", "Status:"},  {"Label10", "Max nr portu:"}, {"Label5", nullptr},
        {"Label6", nullptr},    {"Label7", nullptr},          {"Label9", nullptr},
    };
    for (const auto& [name, caption] : captions) {
        const auto* label = control<QLabel>(name);
        QVERIFY2(label, name);
        if (caption)
            QCOMPARE(label->text(), QString::fromUtf8(caption));
    }
    QVERIFY(control<QLabel>("Label9")->font().bold());
    QCOMPARE(control<QPushButton>("SpeedButton2")->text(), QStringLiteral("&Ponów"));
    QCOMPARE(control<QPushButton>("SpeedButton1")->text(), QStringLiteral("&Zamknij"));

    auto* upDown = control<QSpinBox>("UpDownMaxPort");
    auto* edit = control<QLineEdit>("EditMaxPort");
    QVERIFY(upDown && edit);
    QVERIFY(upDown->isAncestorOf(edit));
    QCOMPARE(upDown->minimum(), 1);
    QCOMPARE(upDown->maximum(), 255);
    QCOMPARE(edit->text(), QStringLiteral("4"));
    QCOMPARE(edit->maxLength(), 3);

    const auto* timer = control<QTimer>("Timer1");
    QVERIFY(timer);
    QVERIFY(!timer->isActive());
}

QTEST_MAIN(TestAutoKonfForm)
#include "tst_autokonfform.moc"
