#include "logtext.h"

#include <QtTest>

class TestLogText : public QObject
{
    Q_OBJECT

private slots:
    void controlCharactersAreEscaped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("logged");
        QTest::newRow("plain") << "/cards/0001.MP4" << "/cards/0001.MP4";
        QTest::newRow("wide letters stay") << "/東京/Москва.mp4" << "/東京/Москва.mp4";
        QTest::newRow("terminal escape") << QString("a\x1b[2Jb") << "a\\x1b[2Jb";
        QTest::newRow("line break fakes a line") << QString("x.mp4\ncmd: rm") << "x.mp4\\x0acmd: rm";
        QTest::newRow("carriage return, tab, nul")
            << QString::fromLatin1("a\rb\tc\0d", 7) << "a\\x0db\\x09c\\x00d";
        QTest::newRow("delete and C1 controls") << QString("a\x7f") + QChar(0x9b) << "a\\x7f\\x9b";
        QTest::newRow("right-to-left override") << QString("gpj.") + QChar(0x202e) + "x"
                                                << "gpj.\\x202ex";
        QTest::newRow("backslash itself") << "a\\x1b" << "a\\\\x1b";
    }
    void controlCharactersAreEscaped()
    {
        QFETCH(QString, text);
        QFETCH(QString, logged);
        QCOMPARE(printableText(text), logged);
    }
};

QTEST_GUILESS_MAIN(TestLogText)
#include "test_logtext.moc"
