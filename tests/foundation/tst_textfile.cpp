#include "CodePage1250.h"
#include "Errors.h"
#include "TextFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestTextFile : public QObject
{
    Q_OBJECT
private slots:
    void roundTripEveryByte();
    void caseMapping_data();
    void caseMapping();
    void lineEnds_data();
    void lineEnds();
    void writesCp1250WithCrLf();
    void missingFileRaises();
};

void TestTextFile::roundTripEveryByte()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    QCOMPARE(CodePage1250::encode(CodePage1250::decode(all)), all);
    QCOMPARE(CodePage1250::decode("\xF5\xFB\x8A"), QString::fromUtf8("őűŠ"));
    QCOMPARE(CodePage1250::encode(QString::fromUtf8("a€Ж")), QByteArray("a\x80?"));
}

void TestTextFile::caseMapping_data()
{
    QTest::addColumn<QString>("lower");
    QTest::addColumn<QString>("upper");
    QTest::newRow("ascii") << "abc xyz" << "ABC XYZ";
    QTest::newRow("hungarian") << QString::fromUtf8("árvíztűrő tükörfúrógép") << QString::fromUtf8("ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP");
    QTest::newRow("czech-polish") << QString::fromUtf8("čšžřťďňěůąęłśźż") << QString::fromUtf8("ČŠŽŘŤĎŇĚŮĄĘŁŚŹŻ");
}

void TestTextFile::caseMapping()
{
    QFETCH(QString, lower);
    QFETCH(QString, upper);
    QCOMPARE(CodePage1250::toUpper(lower), upper);
    QCOMPARE(CodePage1250::toLower(upper), lower);
    QVERIFY(CodePage1250::sameText(lower, upper));
    QCOMPARE(CodePage1250::compareText(lower, upper), 0);
    // Micro and sharp s have no capital inside the code page: they stay.
    QCOMPARE(CodePage1250::toUpper(QString::fromUtf8("µß")), QString::fromUtf8("µß"));
}

void TestTextFile::lineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lf") << QByteArray("a\nb") << QStringList{"a", "b"};
    QTest::newRow("mixed-empty") << QByteArray("a\r\n\nb\r") << QStringList{"a", "", "b"};
    QTest::newRow("empty") << QByteArray() << QStringList{};
}

void TestTextFile::lineEnds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    QCOMPARE(TextFile::readLines(path), lines);
}

void TestTextFile::writesCp1250WithCrLf()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("w.txt");
    TextFile::writeLines(path, {QString::fromUtf8("Főkönyv=ő"), "x"});
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("F\xF5k\xF6nyv=\xF5\r\nx\r\n"));
}

void TestTextFile::missingFileRaises()
{
    QTemporaryDir dir;
    QVERIFY_THROWS_EXCEPTION(EFileError, TextFile::readLines(dir.filePath("none.txt")));
    QVERIFY_THROWS_EXCEPTION(EFileError, TextFile::writeText(dir.filePath("no/such/dir/x.txt"), "x"));
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
