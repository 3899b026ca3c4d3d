#include "processing/scriptcomposition.h"

#include <QTest>

class TestScriptComposition : public QObject
{
    Q_OBJECT

private slots:
    void composes_data();
    void composes();
};

void TestScriptComposition::composes_data()
{
    QTest::addColumn<QString>("fields");
    QTest::addColumn<int>("between");
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("script");

    QTest::newRow("value and unit, Tab between, Enter after") << "0001100" << 2 << 3 << ":m:#09:u:#09:#0D:#0A";
    QTest::newRow("every field, semicolons") << "1111111" << 1 << 1 << ":c;:d;:t;:m;:u;:s;:a;";
    QTest::newRow("the last field takes no separator between") << "0000001" << 1 << 0 << ":a";
    QTest::newRow("a field before an unsent last one keeps its separator") << "1000000" << 2 << 0 << ":c:#09";
    QTest::newRow("nothing sent, the closing separator alone") << "0000000" << 0 << 3 << ":#0D:#0A";
    QTest::newRow("separator items outside the list insert nothing") << "0001100" << 7 << -1 << ":m:u";
    QTest::newRow("a shorter list closes after its own last field") << "0001" << 1 << 2 << ":m:#09";
    QTest::newRow("positions beyond the seven fields are ignored") << "000110011" << 1 << 0 << ":m;:u;";
    QTest::newRow("only '1' sends a field") << "0002x00" << 1 << 0 << "";
    QTest::newRow("no list at all") << "" << 1 << 3 << "";
}

void TestScriptComposition::composes()
{
    QFETCH(QString, fields);
    QFETCH(int, between);
    QFETCH(int, after);

    QTEST(composeScript(fields, between, after), "script");
}

QTEST_APPLESS_MAIN(TestScriptComposition)
#include "tst_scriptcomposition.moc"
