#include "processing/localeformats.h"
#include "processing/statistics.h"
#include "support/scriptedmessages.h"
#include "ui/formatoptionspanel.h"
#include "ui/radiogroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <memory>

using PanelChange = std::function<void(FormatOptionsPanel&)>;
Q_DECLARE_METATYPE(PanelChange)

namespace {

const QString DefaultScript = QStringLiteral(":m:#09:u:#09:#0D:#0A");

template <typename Control>
Control* control(const FormatOptionsPanel& panel, const char* name)
{
    auto* found = panel.findChild<Control*>(QLatin1String(name));
    if (!found)
        qFatal("the panel has no %s", name);
    return found;
}

RadioGroup* group(const FormatOptionsPanel& panel, const char* name)
{
    return control<RadioGroup>(panel, name);
}

bool shownOnPanel(const FormatOptionsPanel& panel, const char* name)
{
    return control<QWidget>(panel, name)->isVisibleTo(&panel);
}

QString preview(const FormatOptionsPanel& panel)
{
    return control<QLineEdit>(panel, "previewEdit")->text();
}

// A panel that writes numbers, dates and times as the C locale does, whatever the machine's locale.
std::unique_ptr<FormatOptionsPanel> panelInTheCLocale()
{
    auto panel = std::make_unique<FormatOptionsPanel>();
    panel->setLocaleFormats(LocaleFormats::fromLocale(QLocale::c()));
    return panel;
}

} // namespace

class TestFormatOptionsPanel : public QObject
{
    Q_OBJECT

private slots:

    void composesTheScriptFromValuesPutInByCode_data();
    void composesTheScriptFromValuesPutInByCode();
    void eachCaptionNamesItsToken_data();
    void eachCaptionNamesItsToken();
    void showsTheGroupsOfTheMode_data();
    void showsTheGroupsOfTheMode();
    void leavingReportRestoresTheGroup_data();
    void leavingReportRestoresTheGroup();
    void everyShownControlFitsThePage_data();
    void everyShownControlFitsThePage();
    void wizardReplacesTheMemoOnlyOnYes_data();
    void wizardReplacesTheMemoOnlyOnYes();
    void helpExplainsTheTokens();
    void enlargementToggles_data();
    void enlargementToggles();
    void sendFieldsText_data();
    void sendFieldsText();
    void reportDataDelayFollowsTypedText_data();
    void reportDataDelayFollowsTypedText();
    void resultFormatFollowsItsControls();
    void resultFormatKeepsToAUsableLength();
    void defaultsButtonRestoresTheFormatOptions();
    void previewFollowsEachOptionAtOnce_data();
    void previewFollowsEachOptionAtOnce();
    void previewShowsTheLatestResultOnceOneArrives();
};

void TestFormatOptionsPanel::composesTheScriptFromValuesPutInByCode_data()
{
    QTest::addColumn<QString>("fields");
    QTest::addColumn<int>("between");
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("script");

    QTest::newRow("defaults") << "0001100" << 2 << 3 << DefaultScript;
    QTest::newRow("value and unit, semicolon, nothing after") << "0001100" << 1 << 0 << ":m;:u;";
    QTest::newRow("nothing checked, Enter after") << "0000000" << 2 << 3 << ":#0D:#0A";
    QTest::newRow("nothing at all") << "0000000" << 0 << 0 << "";
    QTest::newRow("no separator after the average") << "0000011" << 2 << 0 << ":s:#09:a";
    QTest::newRow("every field") << "1111111" << 1 << 3 << ":c;:d;:t;:m;:u;:s;:a:#0D:#0A";
    QTest::newRow("separator still follows the last field") << "1000000" << 3 << 1 << ":c:#0D:#0A;";
    QTest::newRow("date and time, Tab after") << "0110000" << 0 << 2 << ":d:t:#09";
}

// The settings loader puts values in from code; nothing calls scriptChoiceChanged here, so the script
// follows only if the handler runs on value changes.
void TestFormatOptionsPanel::composesTheScriptFromValuesPutInByCode()
{
    QFETCH(QString, fields);
    QFETCH(int, between);
    QFETCH(int, after);

    FormatOptionsPanel panel;
    panel.setSendFieldsText(fields);
    group(panel, "betweenFieldsGroup")->setItemIndex(between);
    group(panel, "afterFieldsGroup")->setItemIndex(after);

    QTEST(panel.composedScript(), "script");
}

void TestFormatOptionsPanel::eachCaptionNamesItsToken_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("token");

    QTest::newRow("number") << "numer pomiaru"
                            << ":c";
    QTest::newRow("date") << "data"
                          << ":d";
    QTest::newRow("time") << "czas"
                          << ":t";
    QTest::newRow("value") << "wartość"
                           << ":m";
    QTest::newRow("unit") << "jednostka"
                          << ":u";
    QTest::newRow("sum") << "suma"
                         << ":s";
    QTest::newRow("average") << "średnia"
                             << ":a";
}

void TestFormatOptionsPanel::eachCaptionNamesItsToken()
{
    QFETCH(QString, caption);

    FormatOptionsPanel panel;
    auto* list = control<QListWidget>(panel, "fieldsList");
    const QList<QListWidgetItem*> items = list->findItems(caption, Qt::MatchExactly);
    QCOMPARE(items.size(), 1);
    group(panel, "betweenFieldsGroup")->setItemIndex(0);
    group(panel, "afterFieldsGroup")->setItemIndex(0);
    QString fields(list->count(), u'0');
    fields[list->row(items.first())] = u'1';
    panel.setSendFieldsText(fields);

    QTEST(panel.composedScript(), "token");
}

void TestFormatOptionsPanel::showsTheGroupsOfTheMode_data()
{
    QTest::addColumn<int>("readMode");
    QTest::addColumn<bool>("advanced");
    QTest::addColumn<bool>("fieldsShown");
    QTest::addColumn<bool>("scriptShown");
    QTest::addColumn<bool>("reportShown");

    QTest::newRow("indication") << 0 << false << true << false << false;
    QTest::newRow("indication, advanced") << 0 << true << false << true << false;
    QTest::newRow("report") << 1 << false << false << false << true;
    QTest::newRow("report, advanced") << 1 << true << false << false << true;
    QTest::newRow("recognize") << 2 << false << true << false << false;
    QTest::newRow("recognize, advanced") << 2 << true << false << true << false;
}

void TestFormatOptionsPanel::showsTheGroupsOfTheMode()
{
    QFETCH(int, readMode);
    QFETCH(bool, advanced);
    QFETCH(bool, fieldsShown);
    QFETCH(bool, reportShown);

    FormatOptionsPanel panel;
    control<QCheckBox>(panel, "advancedBox")->setChecked(advanced);
    group(panel, "readModeGroup")->setItemIndex(readMode);

    for (const char* name : {"fieldsGroup", "betweenFieldsGroup", "afterFieldsGroup"})
        QCOMPARE(shownOnPanel(panel, name), fieldsShown);
    QTEST(shownOnPanel(panel, "scriptGroup"), "scriptShown");
    QCOMPARE(shownOnPanel(panel, "reportGroup"), reportShown);
    // A report is typed as it came: there is no result to preview.
    QCOMPARE(shownOnPanel(panel, "previewEdit"), !reportShown);
    for (const char* name : {"fieldsList", "betweenFieldsGroup", "afterFieldsGroup", "scriptEdit", "extendScriptButton",
                             "scriptHelpButton", "scriptWizardButton", "advancedBox"})
        QVERIFY2(control<QWidget>(panel, name)->isEnabled() == !reportShown, name);
    // The choices that apply in every mode stay within reach.
    for (const char* name : {"readModeGroup", "decimalSeparatorGroup", "resultFormatBox", "formatDefaultsButton"}) {
        QVERIFY2(shownOnPanel(panel, name), name);
        QVERIFY2(control<QWidget>(panel, name)->isEnabled(), name);
    }
}

void TestFormatOptionsPanel::leavingReportRestoresTheGroup_data()
{
    QTest::addColumn<bool>("advanced");
    QTest::addColumn<QString>("restored");

    QTest::newRow("fields") << false << "fieldsGroup";
    QTest::newRow("script") << true << "scriptGroup";
}

void TestFormatOptionsPanel::leavingReportRestoresTheGroup()
{
    QFETCH(bool, advanced);
    QFETCH(QString, restored);

    FormatOptionsPanel panel;
    control<QCheckBox>(panel, "advancedBox")->setChecked(advanced);
    group(panel, "readModeGroup")->setItemIndex(1);
    QVERIFY(!shownOnPanel(panel, qPrintable(restored)));
    QVERIFY(control<QCheckBox>(panel, "advancedBox")->isChecked() == advanced);

    group(panel, "readModeGroup")->setItemIndex(0);
    QVERIFY(shownOnPanel(panel, qPrintable(restored)));
    QVERIFY(!shownOnPanel(panel, "reportGroup"));
    QVERIFY(control<QWidget>(panel, "scriptEdit")->isEnabled());
}

void TestFormatOptionsPanel::everyShownControlFitsThePage_data()
{
    QTest::addColumn<int>("readMode");
    QTest::addColumn<bool>("advanced");

    QTest::newRow("fields") << 0 << false;
    QTest::newRow("script") << 0 << true;
    QTest::newRow("report") << 1 << false;
}

// The main window gives the page 252 x 212 pixels and no more.
void TestFormatOptionsPanel::everyShownControlFitsThePage()
{
    QFETCH(int, readMode);
    QFETCH(bool, advanced);

    FormatOptionsPanel panel;
    panel.setFixedSize(252, 212);
    control<QCheckBox>(panel, "advancedBox")->setChecked(advanced);
    group(panel, "readModeGroup")->setItemIndex(readMode);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));

    QList<QWidget*> controls;
    const QList<QWidget*> children = panel.findChildren<QWidget*>();
    for (QWidget* child : children) {
        const bool leaf = qobject_cast<QAbstractButton*>(child) || qobject_cast<QLabel*>(child) ||
                          qobject_cast<QLineEdit*>(child) || qobject_cast<QComboBox*>(child) ||
                          qobject_cast<QAbstractScrollArea*>(child);
        const bool part = qobject_cast<QComboBox*>(child->parentWidget()) ||
                          qobject_cast<QAbstractScrollArea*>(child->parentWidget()) ||
                          qobject_cast<QAbstractScrollArea*>(child->parentWidget()->parentWidget());
        if (leaf && !part && child->isVisibleTo(&panel))
            controls.append(child);
    }
    QVERIFY(controls.size() > 10);
    // The fields wrap into columns: every one of them has to be in view, none scrolled away.
    const auto* fields = control<QListWidget>(panel, "fieldsList");
    if (fields->isVisibleTo(&panel)) {
        for (int i = 0; i < fields->count(); ++i)
            QVERIFY2(fields->viewport()->rect().contains(fields->visualItemRect(fields->item(i))),
                     qPrintable(fields->item(i)->text()));
    }
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const QRect place(controls[i]->mapTo(&panel, QPoint(0, 0)), controls[i]->size());
        QVERIFY2(panel.rect().contains(place), qPrintable(controls[i]->objectName()));
        QVERIFY2(controls[i]->height() >= controls[i]->fontMetrics().height(), qPrintable(controls[i]->objectName()));
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            const QRect other(controls[j]->mapTo(&panel, QPoint(0, 0)), controls[j]->size());
            QVERIFY2(!place.intersects(other),
                     qPrintable(controls[i]->objectName() + QStringLiteral(" / ") + controls[j]->objectName()));
        }
    }
}

void TestFormatOptionsPanel::wizardReplacesTheMemoOnlyOnYes_data()
{
    QTest::addColumn<MessagePresenter::Answer>("answer");
    QTest::addColumn<bool>("replaced");

    QTest::newRow("no") << MessagePresenter::Answer::No << false;
    QTest::newRow("yes") << MessagePresenter::Answer::Yes << true;
}

void TestFormatOptionsPanel::wizardReplacesTheMemoOnlyOnYes()
{
    QFETCH(MessagePresenter::Answer, answer);
    QFETCH(bool, replaced);

    FormatOptionsPanel panel;
    auto* memo = control<QPlainTextEdit>(panel, "scriptEdit");
    QStringList lines;
    for (int i = 0; i < 200; ++i)
        lines.append(QStringLiteral(":c;:d;:t;:m;:u;:s;:a:#0D:#0A line %1").arg(i));
    const QString longScript = lines.join(u'\n');
    memo->setPlainText(longScript);
    ScriptedMessages messages;
    messages.nextAnswer = answer;

    control<QToolButton>(panel, "scriptWizardButton")->click();

    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].text, QStringLiteral("Czy chcesz zastąpic aktualny skrypt?"));
    QCOMPARE(messages.shown[0].caption, QStringLiteral("Uwaga"));
    QCOMPARE(messages.shown[0].icon, MessagePresenter::Icon::None);
    QCOMPARE(messages.shown[0].buttons, MessagePresenter::Buttons::YesNo);
    QCOMPARE(memo->toPlainText(), replaced ? DefaultScript : longScript);
}

void TestFormatOptionsPanel::helpExplainsTheTokens()
{
    FormatOptionsPanel panel;
    ScriptedMessages messages;

    control<QToolButton>(panel, "scriptHelpButton")->click();

    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(
        messages.shown[0].text,
        QStringLiteral("Do wykorzystania możliwe są następujące opcje:\r\n:m - wartosc masy,\r\n:u - jednostka (g, "
                       "kg),\r\n:t - czas pomiaru,\r\n:c - numer pomiaru/ilosc pomiarow,\r\n:s - suma "
                       "pomiarow,\r\n:a - srednia z pomiarow,\r\n\r\n:#xx - dwucyfrowy znak ASCII w kodzie "
                       "szestnastkowym,\r\n       np. :#0D - ENTER, :#09 - znak tabulacji.\r\nAby wyzerowac "
                       "wartosci numeru pomiaru, sumy i sredniej\r\nnalezy użyc przycisku Czysc w zakladce "
                       "Statystyki."));
    QCOMPARE(messages.shown[0].caption, QStringLiteral("Tworzenie skryptu"));
    QCOMPARE(messages.shown[0].icon, MessagePresenter::Icon::Information);
    QCOMPARE(messages.shown[0].buttons, MessagePresenter::Buttons::Ok);
}

void TestFormatOptionsPanel::enlargementToggles_data()
{
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("groupHeight");
    QTest::addColumn<int>("memoHeight");

    QTest::newRow("first click enlarges") << 1 << 162 << 144;
    QTest::newRow("second restores") << 2 << 90 << 70;
    QTest::newRow("third enlarges again") << 3 << 162 << 144;
}

void TestFormatOptionsPanel::enlargementToggles()
{
    QFETCH(int, clicks);

    FormatOptionsPanel panel;
    panel.setFixedSize(252, 212);
    control<QCheckBox>(panel, "advancedBox")->setChecked(true);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    auto* scriptGroup = control<QWidget>(panel, "scriptGroup");
    QCOMPARE(scriptGroup->height(), 90);

    for (int i = 0; i < clicks; ++i)
        control<QToolButton>(panel, "extendScriptButton")->click();

    QTEST(scriptGroup->height(), "groupHeight");
    QTEST(control<QWidget>(panel, "scriptEdit")->height(), "memoHeight");
    QVERIFY(panel.rect().contains(scriptGroup->geometry()));
}

void TestFormatOptionsPanel::sendFieldsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("checked");

    QTest::newRow("round trip") << "0110110"
                                << "0110110";
    QTest::newRow("result number and average") << "1000001"
                                               << "1000001";
    QTest::newRow("too short, ignored") << "101"
                                        << "0001100";
    QTest::newRow("too long, ignored") << "11111111"
                                       << "0001100";
    QTest::newRow("empty, ignored") << ""
                                    << "0001100";
    QTest::newRow("anything but 1 is unchecked") << "1x20001"
                                                 << "1000001";
}

void TestFormatOptionsPanel::sendFieldsText()
{
    QFETCH(QString, text);
    QFETCH(QString, checked);

    FormatOptionsPanel panel;
    panel.setSendFieldsText(text);

    const auto* list = control<QListWidget>(panel, "fieldsList");
    QCOMPARE(list->count(), checked.size());
    for (int i = 0; i < list->count(); ++i)
        QCOMPARE(list->item(i)->checkState() == Qt::Checked, checked.at(i) == u'1');
    QCOMPARE(panel.sendFieldsText(), checked);
}

void TestFormatOptionsPanel::reportDataDelayFollowsTypedText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("index");

    QTest::newRow("seven") << "7" << 7;
    QTest::newRow("ten") << "10" << 10;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("not an item") << "x" << -1;
    QTest::newRow("leading zero is not an item") << "07" << -1;
    QTest::newRow("nothing") << "" << -1;
}

void TestFormatOptionsPanel::reportDataDelayFollowsTypedText()
{
    QFETCH(QString, typed);
    QFETCH(int, index);

    FormatOptionsPanel panel;
    auto* box = control<QComboBox>(panel, "dataDelayBox");
    panel.setReportDataDelay(3);
    QCOMPARE(panel.reportDataDelay(), 3);
    box->lineEdit()->selectAll();
    QTest::keyClick(box->lineEdit(), Qt::Key_Backspace);
    QTest::keyClicks(box->lineEdit(), typed);

    QCOMPARE(panel.reportDataDelay(), index);
    QCOMPARE(box->currentIndex(), index);
    QCOMPARE(box->currentText(), typed);
    QCOMPARE(box->count(), 11);
}

// Output stops for good with a mask longer than 224 characters, so the box never holds one.
void TestFormatOptionsPanel::resultFormatKeepsToAUsableLength()
{
    FormatOptionsPanel panel;
    auto* format = control<QLineEdit>(panel, "resultFormatEdit");
    format->setText(QStringLiteral("0.") + QString(300, u'#'));
    QCOMPARE(format->text().size(), 224);
    QCOMPARE(panel.resultFormat(), format->text());
}

void TestFormatOptionsPanel::resultFormatFollowsItsControls()
{
    FormatOptionsPanel panel;
    auto* setFormat = control<QCheckBox>(panel, "resultFormatBox");
    auto* format = control<QLineEdit>(panel, "resultFormatEdit");
    QVERIFY(!format->isEnabled());

    setFormat->setChecked(true);
    QVERIFY(panel.useResultFormat());
    QVERIFY(format->isEnabled());

    format->selectAll();
    QTest::keyClicks(format, QStringLiteral("0.00"));
    QCOMPARE(panel.resultFormat(), QStringLiteral("0.00"));
    format->setText(QStringLiteral("#,##0.0"));
    QCOMPARE(panel.resultFormat(), QStringLiteral("#,##0.0"));

    setFormat->setChecked(false);
    QVERIFY(!panel.useResultFormat());
    QVERIFY(!format->isEnabled());
    QCOMPARE(panel.resultFormat(), QStringLiteral("#,##0.0"));
}

void TestFormatOptionsPanel::defaultsButtonRestoresTheFormatOptions()
{
    FormatOptionsPanel panel;
    group(panel, "readModeGroup")->setItemIndex(1);
    panel.setSendFieldsText(QStringLiteral("1110011"));
    group(panel, "betweenFieldsGroup")->setItemIndex(0);
    group(panel, "afterFieldsGroup")->setItemIndex(1);
    group(panel, "decimalSeparatorGroup")->setItemIndex(2);
    control<QCheckBox>(panel, "advancedBox")->setChecked(true);
    control<QCheckBox>(panel, "resultFormatBox")->setChecked(true);
    control<QLineEdit>(panel, "resultFormatEdit")->setText(QStringLiteral("0.0"));
    control<QPlainTextEdit>(panel, "scriptEdit")->setPlainText(QStringLiteral(":c:#09:m"));
    control<QCheckBox>(panel, "timeBeforeReportBox")->setChecked(true);
    control<QCheckBox>(panel, "removeScannerFrameBox")->setChecked(true);
    panel.setReportDataDelay(5);

    control<QToolButton>(panel, "formatDefaultsButton")->click();

    QCOMPARE(panel.readMode(), 0);
    QCOMPARE(panel.sendFieldsText(), QStringLiteral("0001100"));
    QCOMPARE(group(panel, "betweenFieldsGroup")->itemIndex(), 2);
    QCOMPARE(group(panel, "afterFieldsGroup")->itemIndex(), 3);
    QCOMPARE(panel.decimalSeparatorChoice(), 0);
    QVERIFY(!panel.advancedOptions());
    QCOMPARE(panel.composedScript(), DefaultScript);
    QVERIFY(shownOnPanel(panel, "fieldsGroup"));
    QVERIFY(!shownOnPanel(panel, "reportGroup"));
    QVERIFY(!shownOnPanel(panel, "scriptGroup"));
    QCOMPARE(control<QLineEdit>(panel, "resultFormatEdit")->text(), QStringLiteral("0.####"));
    QVERIFY(!control<QLineEdit>(panel, "resultFormatEdit")->isEnabled());
    QVERIFY(!control<QCheckBox>(panel, "resultFormatBox")->isChecked());
    QCOMPARE(panel.resultFormat(), QStringLiteral("0.####"));
    QVERIFY(!panel.useResultFormat());

    QCOMPARE(panel.scriptText(), QStringLiteral(":c:#09:m"));
    QVERIFY(panel.reportTime());
    QVERIFY(panel.removeScannerFrame());
    QCOMPARE(panel.reportDataDelay(), 5);
}

void TestFormatOptionsPanel::previewFollowsEachOptionAtOnce_data()
{
    QTest::addColumn<PanelChange>("change");
    QTest::addColumn<QString>("shown");

    const auto tick = [](const char* name, bool on) {
        return [name, on](FormatOptionsPanel& panel) { control<QCheckBox>(panel, name)->setChecked(on); };
    };
    const auto choose = [](const char* name, int item) {
        return [name, item](FormatOptionsPanel& panel) { group(panel, name)->setItemIndex(item); };
    };

    QTest::newRow("the example under the defaults") << PanelChange([](FormatOptionsPanel&) {}) << "12.345⇥kg⇥⏎";
    QTest::newRow("a field ticked by the user") << PanelChange([](FormatOptionsPanel& panel) {
        control<QListWidget>(panel, "fieldsList")->item(0)->setCheckState(Qt::Checked);
    }) << "1⇥12.345⇥kg⇥⏎";
    QTest::newRow("fields put in by code")
        << PanelChange([](FormatOptionsPanel& panel) { panel.setSendFieldsText(QStringLiteral("0001000")); })
        << "12.345⇥⏎";
    QTest::newRow("semicolon between fields") << PanelChange(choose("betweenFieldsGroup", 1)) << "12.345;kg;⏎";
    QTest::newRow("Enter between fields") << PanelChange(choose("betweenFieldsGroup", 3)) << "12.345⏎kg⏎⏎";
    QTest::newRow("nothing after the fields") << PanelChange(choose("afterFieldsGroup", 0)) << "12.345⇥kg⇥";
    QTest::newRow("Tab after the fields") << PanelChange(choose("afterFieldsGroup", 2)) << "12.345⇥kg⇥⇥";
    QTest::newRow("decimal comma") << PanelChange(choose("decimalSeparatorGroup", 1)) << "12,345⇥kg⇥⏎";
    QTest::newRow("mask typed, not ticked") << PanelChange([](FormatOptionsPanel& panel) {
        control<QLineEdit>(panel, "resultFormatEdit")->setText(QStringLiteral("0.0"));
    }) << "12.345⇥kg⇥⏎";
    QTest::newRow("mask ticked, then typed") << PanelChange([](FormatOptionsPanel& panel) {
        control<QCheckBox>(panel, "resultFormatBox")->setChecked(true);
        auto* mask = control<QLineEdit>(panel, "resultFormatEdit");
        mask->selectAll();
        QTest::keyClicks(mask, QStringLiteral("000.0"));
    }) << "012.3⇥kg⇥⏎";
    QTest::newRow("advanced, with the default script") << PanelChange(tick("advancedBox", true)) << "12.345";
    QTest::newRow("advanced, a script typed") << PanelChange([](FormatOptionsPanel& panel) {
        control<QCheckBox>(panel, "advancedBox")->setChecked(true);
        auto* memo = control<QPlainTextEdit>(panel, "scriptEdit");
        memo->selectAll();
        QTest::keyClicks(memo, QStringLiteral(":$74:c"));
        QTest::keyClick(memo, Qt::Key_Return);
        QTest::keyClicks(memo, QStringLiteral(":m:#09:u:$1B"));
    }) << "[F5]1⏎12.345⇥kg[Esc]";
    QTest::newRow("script written, advanced off") << PanelChange([](FormatOptionsPanel& panel) {
        control<QPlainTextEdit>(panel, "scriptEdit")->setPlainText(QStringLiteral("x"));
    }) << "12.345⇥kg⇥⏎";
    QTest::newRow("advanced, and back") << PanelChange([](FormatOptionsPanel& panel) {
        control<QCheckBox>(panel, "advancedBox")->setChecked(true);
        control<QCheckBox>(panel, "advancedBox")->setChecked(false);
    }) << "12.345⇥kg⇥⏎";
    QTest::newRow("nothing at all to type") << PanelChange([](FormatOptionsPanel& panel) {
        control<QCheckBox>(panel, "advancedBox")->setChecked(true);
        control<QPlainTextEdit>(panel, "scriptEdit")->clear();
    }) << "";
}

// Each change shows in the preview before anything else happens: no event loop turns in between.
void TestFormatOptionsPanel::previewFollowsEachOptionAtOnce()
{
    QFETCH(PanelChange, change);

    const std::unique_ptr<FormatOptionsPanel> panel = panelInTheCLocale();
    change(*panel);

    QTEST(preview(*panel), "shown");
}

void TestFormatOptionsPanel::previewShowsTheLatestResultOnceOneArrives()
{
    const std::unique_ptr<FormatOptionsPanel> panel = panelInTheCLocale();
    auto statistics = std::make_unique<Statistics>();
    panel->setStatistics(statistics.get());
    QCOMPARE(preview(*panel), QStringLiteral("12.345⇥kg⇥⏎"));

    statistics->add(7.5, QStringLiteral("0.0"), "g", QStringLiteral("14 Mar 2026"), QStringLiteral("09:26:53"));
    statistics->announce();
    QTRY_COMPARE(preview(*panel), QStringLiteral("7.5⇥g⇥⏎"));

    // The options apply to the result that came, not to the example.
    group(*panel, "decimalSeparatorGroup")->setItemIndex(1);
    panel->setSendFieldsText(QStringLiteral("1011100"));
    QCOMPARE(preview(*panel), QStringLiteral("1⇥09:26:53⇥7,5⇥g⇥⏎"));

    // Cleared statistics hold no result, and are cleared without a word on another page: the example
    // again once this page shows.
    statistics->reset();
    panel->show();
    QVERIFY(preview(*panel).startsWith(QStringLiteral("1⇥")));
    QVERIFY(preview(*panel).endsWith(QStringLiteral("⇥12,345⇥kg⇥⏎")));
    panel->hide();

    // Statistics that are gone leave the example, not a dangling result.
    statistics->add(3, QStringLiteral("0"), "kg", QString(), QString());
    statistics.reset();
    panel->setSendFieldsText(QStringLiteral("0001100"));
    QCOMPARE(preview(*panel), QStringLiteral("12,345⇥kg⇥⏎"));
}

QTEST_MAIN(TestFormatOptionsPanel)
#include "tst_formatoptionspanel.moc"
