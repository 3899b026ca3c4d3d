// The hot keys of the scale-command buttons on the program-options panel, over a registrar that
// records what it is asked, and the key control that holds one key.

#include "support/recordinghotkeys.h"
#include "ui/hotkeyedit.h"
#include "ui/namedcontrol.h"
#include "ui/programoptionspanel.h"
#include "ui/scalehotkeys.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class TestScaleHotKeys : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void tickingRegistersClearingUnregisters_data();
    void tickingRegistersClearingUnregisters();
    void switchingOnAgainUsesTheKeyThenShown();
    void takenKeyShowsInItsControl();
    void reregisteredAsTakenShowsToo();
    void pressClicksItsButtonOnly_data();
    void pressClicksItsButtonOnly();
    void controlWithoutAKeyRegistersNothing();

    void keyControlHoldsOneKey_data();
    void keyControlHoldsOneKey();

private:
    template <typename T>
    T* control(const char* name)
    {
        return namedControl<T>(m_panel.get(), name);
    }

    std::unique_ptr<ProgramOptionsPanel> m_panel;
    RecordingHotKeys* m_registrar = nullptr;
    std::unique_ptr<ScaleHotKeys> m_hotKeys;
};

void TestScaleHotKeys::init()
{
    m_panel = std::make_unique<ProgramOptionsPanel>();
    auto registrar = std::make_unique<RecordingHotKeys>();
    m_registrar = registrar.get();
    m_hotKeys = std::make_unique<ScaleHotKeys>(*m_panel, std::move(registrar));
}

void TestScaleHotKeys::cleanup()
{
    m_hotKeys.reset();
    m_registrar = nullptr;
    m_panel.reset();
}

void TestScaleHotKeys::tickingRegistersClearingUnregisters_data()
{
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("keyCode"); // the default key's virtual-key code

    QTest::newRow("special") << "specialHotKeyBox"
                             << "specialHotKeyEdit"
                             << "KweltaHotKeySpecial"
                             << "0x76";
    QTest::newRow("tare") << "tareHotKeyBox"
                          << "tareHotKeyEdit"
                          << "KweltaHotKeyTare"
                          << "0x77";
    QTest::newRow("zero") << "zeroHotKeyBox"
                          << "zeroHotKeyEdit"
                          << "KweltaHotKeyZero"
                          << "0x78";
    QTest::newRow("print") << "printHotKeyBox"
                           << "printHotKeyEdit"
                           << "KweltaHotKeyPrint"
                           << "0x79";
}

void TestScaleHotKeys::tickingRegistersClearingUnregisters()
{
    QFETCH(QString, check);
    QFETCH(QString, key);
    QFETCH(QString, name);
    QFETCH(QString, keyCode);

    auto* box = control<QCheckBox>(qPrintable(check));
    auto* edit = control<HotKeyEdit>(qPrintable(key));
    QVERIFY(edit->isEnabled());

    // As the settings load ticks it: programmatically, not by a click.
    box->setChecked(true);
    QCOMPARE(m_registrar->calls, QStringList{QStringLiteral("register %1 %2 0").arg(name, keyCode)});
    QVERIFY(m_registrar->isRegistered(name));
    QVERIFY(!edit->isEnabled());

    box->setChecked(false);
    QCOMPARE(m_registrar->calls.last(), QStringLiteral("unregister %1").arg(name));
    QVERIFY(!m_registrar->isRegistered(name));
    QVERIFY(edit->isEnabled());
    QCOMPARE(m_registrar->calls.size(), 2);
}

void TestScaleHotKeys::switchingOnAgainUsesTheKeyThenShown()
{
    auto* box = control<QCheckBox>("tareHotKeyBox");
    box->setChecked(true);
    box->setChecked(false);
    control<HotKeyEdit>("tareHotKeyEdit")->setShortCutText(QStringLiteral("Shift+Ctrl+Alt+Num 5"));
    box->setChecked(true);
    QCOMPARE(m_registrar->calls, (QStringList{QStringLiteral("register KweltaHotKeyTare 0x77 0"),
                                              QStringLiteral("unregister KweltaHotKeyTare"),
                                              QStringLiteral("register KweltaHotKeyTare 0x65 7")}));
}

void TestScaleHotKeys::takenKeyShowsInItsControl()
{
    m_registrar->taken.insert({0x77, 0});
    auto* edit = control<HotKeyEdit>("tareHotKeyEdit");
    control<QCheckBox>("tareHotKeyBox")->setChecked(true);
    QVERIFY(edit->isKeyTaken());
    QCOMPARE(edit->toolTip(), QStringLiteral("Ten klawisz jest zajęty przez inny program."));
    QCOMPARE(edit->palette().color(QPalette::Text), QColor(Qt::red));
    // The other keys are free.
    control<QCheckBox>("zeroHotKeyBox")->setChecked(true);
    QVERIFY(!control<HotKeyEdit>("zeroHotKeyEdit")->isKeyTaken());
    QCOMPARE(control<HotKeyEdit>("zeroHotKeyEdit")->toolTip(), QString());

    // Another key that is free: the mark goes with the key.
    control<QCheckBox>("tareHotKeyBox")->setChecked(false);
    QVERIFY(!edit->isKeyTaken());
    edit->setShortCutText(QStringLiteral("Ctrl+F8"));
    control<QCheckBox>("tareHotKeyBox")->setChecked(true);
    QVERIFY(!edit->isKeyTaken());
    QCOMPARE(edit->toolTip(), QString());
    QCOMPARE(edit->palette().color(QPalette::Active, QPalette::Text),
             QPalette().color(QPalette::Active, QPalette::Text));
}

void TestScaleHotKeys::reregisteredAsTakenShowsToo()
{
    control<QCheckBox>("printHotKeyBox")->setChecked(true);
    const quint32 id = m_registrar->idForName(QStringLiteral("KweltaHotKeyPrint"));
    emit m_registrar->reregistered(id, HotKeyRegistrar::Result::Taken);
    QVERIFY(control<HotKeyEdit>("printHotKeyEdit")->isKeyTaken());
    emit m_registrar->reregistered(id, HotKeyRegistrar::Result::Registered);
    QVERIFY(!control<HotKeyEdit>("printHotKeyEdit")->isKeyTaken());
}

void TestScaleHotKeys::pressClicksItsButtonOnly_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("button");

    QTest::newRow("special") << "KweltaHotKeySpecial"
                             << "specialButton";
    QTest::newRow("tare") << "KweltaHotKeyTare"
                          << "tareButton";
    QTest::newRow("zero") << "KweltaHotKeyZero"
                          << "zeroButton";
    QTest::newRow("print") << "KweltaHotKeyPrint"
                           << "printButton";
}

void TestScaleHotKeys::pressClicksItsButtonOnly()
{
    QFETCH(QString, name);
    QFETCH(QString, button);

    QMap<QString, std::shared_ptr<QSignalSpy>> clicks;
    for (const char* each : {"specialButton", "tareButton", "zeroButton", "printButton"})
        clicks.insert(QString::fromLatin1(each),
                      std::make_shared<QSignalSpy>(control<QPushButton>(each), &QPushButton::clicked));
    for (const char* box : {"specialHotKeyBox", "tareHotKeyBox", "zeroHotKeyBox", "printHotKeyBox"})
        control<QCheckBox>(box)->setChecked(true);

    m_registrar->press(name);
    for (auto it = clicks.cbegin(); it != clicks.cend(); ++it)
        QCOMPARE(it.value()->count(), it.key() == button ? 1 : 0);
}

void TestScaleHotKeys::controlWithoutAKeyRegistersNothing()
{
    auto* edit = control<HotKeyEdit>("specialHotKeyEdit");
    edit->setShortCutText(QStringLiteral("not a key"));
    QCOMPARE(edit->text(), QString());
    control<QCheckBox>("specialHotKeyBox")->setChecked(true);
    QCOMPARE(m_registrar->calls, QStringList());
    QVERIFY(!edit->isEnabled());
}

void TestScaleHotKeys::keyControlHoldsOneKey_data()
{
    QTest::addColumn<QList<QKeyCombination>>("presses");
    QTest::addColumn<QString>("expected");

    using List = QList<QKeyCombination>;
    QTest::newRow("function key") << List{Qt::Key_F8} << "F8";
    QTest::newRow("all three modifiers") << List{Qt::AltModifier | Qt::ShiftModifier | Qt::ControlModifier | Qt::Key_F8}
                                         << "Shift+Ctrl+Alt+F8";
    QTest::newRow("letter") << List{Qt::ControlModifier | Qt::Key_A} << "Ctrl+A";
    QTest::newRow("the last key counts") << List{Qt::Key_F8, Qt::ControlModifier | Qt::Key_F9} << "Ctrl+F9";
    QTest::newRow("modifier alone") << List{Qt::Key_F8, Qt::ControlModifier | Qt::Key_Control} << "F8";
    QTest::newRow("Meta is no hot-key modifier") << List{Qt::MetaModifier | Qt::Key_F8} << "F8";
    QTest::newRow("keypad digit") << List{Qt::KeypadModifier | Qt::Key_5} << "Num 5";
    QTest::newRow("keypad Enter") << List{Qt::KeypadModifier | Qt::Key_Enter} << "Enter";
    QTest::newRow("Tab stays") << List{Qt::Key_Tab} << "Tab";
    QTest::newRow("Shift+Tab") << List{Qt::ShiftModifier | Qt::Key_Backtab} << "Shift+Tab";
    QTest::newRow("key without a name") << List{Qt::Key_F8, Qt::Key_VolumeUp} << "F8";
}

void TestScaleHotKeys::keyControlHoldsOneKey()
{
    QFETCH(QList<QKeyCombination>, presses);
    QFETCH(QString, expected);

    HotKeyEdit edit;
    edit.setShortCutText(QString());
    for (const QKeyCombination press : presses)
        QTest::keyClick(&edit, press.key(), press.keyboardModifiers());
    QCOMPARE(edit.shortCutText(), expected);
    QCOMPARE(edit.text(), expected);
}

QTEST_MAIN(TestScaleHotKeys)
#include "tst_scalehotkeys.moc"
