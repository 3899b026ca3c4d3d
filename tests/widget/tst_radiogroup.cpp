#include "ui/radiogroup.h"

#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

class TestRadioGroup : public QObject
{
    Q_OBJECT

private slots:
    void itemIndexFollowsCodeAndClicks();
};

// Built the way uic builds a form: the group first, then its buttons, no show in between.
void TestRadioGroup::itemIndexFollowsCodeAndClicks()
{
    RadioGroup group;
    auto* layout = new QVBoxLayout(&group);
    for (const char* text : {"nic", "średnik", "Tab", "Enter"})
        layout->addWidget(new QRadioButton(QString::fromUtf8(text), &group));
    QSignalSpy changes(&group, &RadioGroup::itemIndexChanged);

    QCOMPARE(group.count(), 4);
    QCOMPARE(group.itemIndex(), -1);

    group.setItemIndex(2);
    QCOMPARE(group.itemIndex(), 2);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.takeFirst().at(0).toInt(), 2);

    group.findChildren<QRadioButton*>().at(3)->click();
    QCOMPARE(group.itemIndex(), 3);
    QCOMPARE(changes.takeFirst().at(0).toInt(), 3);

    // Putting in the value it already has is no change.
    group.setItemIndex(3);
    QVERIFY(changes.isEmpty());

    group.setItemIndex(-1);
    QCOMPARE(group.itemIndex(), -1);
    QCOMPARE(changes.takeFirst().at(0).toInt(), -1);

    group.setItemIndex(9);
    QCOMPARE(group.itemIndex(), -1);
    QVERIFY(changes.isEmpty());
}

QTEST_MAIN(TestRadioGroup)
#include "tst_radiogroup.moc"
