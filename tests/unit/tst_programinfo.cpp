#include "core/programinfo.h"

#include <QFile>
#include <QTest>

class TestProgramInfo : public QObject
{
    Q_OBJECT

private slots:
    void fileUrlKeepsThePathsBytes_data();
    void fileUrlKeepsThePathsBytes();
};

void TestProgramInfo::fileUrlKeepsThePathsBytes_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("plain") << QByteArray("/usr/share/doc/kwelta");
    QTest::newRow("spaces") << QByteArray("/home/ala/Moje programy/share/doc/kwelta");
    QTest::newRow("UTF-8") << QByteArray("/home/ala/Wagi łódź/share/doc/kwelta");
    // Named under a Latin-1 locale: no character stands for these bytes.
    QTest::newRow("Latin-1") << QByteArray("/home/ren\xe9/share/doc/kwelta");
    QTest::newRow("URL's own characters") << QByteArray("/srv/a%41 #1?x=&y;/doc");
}

// A browser given the URL must reach the same bytes: the URL decodes to them, and where they are UTF-8
// QUrl's own reading of the local file agrees.
void TestProgramInfo::fileUrlKeepsThePathsBytes()
{
    QFETCH(QByteArray, path);
    const QUrl url = ProgramInfo::fileUrl(path);
    QVERIFY2(url.isValid(), qPrintable(url.errorString()));
    QCOMPARE(url.scheme(), QStringLiteral("file"));
    QVERIFY(url.host().isEmpty());
    QCOMPARE(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()), path);
    if (QFile::encodeName(QFile::decodeName(path)) == path)
        QCOMPARE(url.toLocalFile(), QFile::decodeName(path));
}

QTEST_GUILESS_MAIN(TestProgramInfo)
#include "tst_programinfo.moc"
