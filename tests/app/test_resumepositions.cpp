// Where recordings were left, in this test's own settings file.
#include "resumepositions.h"
#include "settingsstore.h"

#include <QSettings>
#include <QtTest>

class TestResumePositions : public QObject
{
    Q_OBJECT

    static QSettings store()
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                         SettingsStore::organization, SettingsStore::application);
    }

private slots:
    void init() { store().clear(); }

    void rememberedPerRecording()
    {
        ResumePositions::store("/cards/a/0001.MP4", 95, 180);
        ResumePositions::store("/cards/b/0001.MP4", 30, 180);
        QCOMPARE(ResumePositions::load("/cards/a/0001.MP4"), 95);
        QCOMPARE(ResumePositions::load("/cards/b/0001.MP4"), 30);
        QCOMPARE(ResumePositions::load("/cards/a/./0001.MP4"), 95); // same file
        QCOMPARE(ResumePositions::load("/cards/c/0001.MP4"), 0);
        QCOMPARE(ResumePositions::load(QString()), 0);
        ResumePositions::store("/cards/a/0001.MP4", 120, 180);
        QCOMPARE(ResumePositions::load("/cards/a/0001.MP4"), 120);
    }

    void positionsNearEitherEndAreForgotten()
    {
        ResumePositions::store("/v/x.mp4", 95, 180);
        ResumePositions::store("/v/x.mp4", 175, 180); // watched to the end
        QCOMPARE(ResumePositions::load("/v/x.mp4"), 0);
        ResumePositions::store("/v/x.mp4", 95, 180);
        ResumePositions::store("/v/x.mp4", 3, 180); // back at the start
        QCOMPARE(ResumePositions::load("/v/x.mp4"), 0);
        ResumePositions::store("/v/y.mp4", 400, 0); // duration unknown
        QCOMPARE(ResumePositions::load("/v/y.mp4"), 400);
    }

    void damagedEntriesOfferNothing()
    {
        ResumePositions::store("/v/x.mp4", 95, 180);
        QSettings s = store();
        s.beginGroup("positions");
        const QString key = s.childKeys().value(0);
        for (const char *bad : {"abc", "95", "-5,1", "95,x", ""}) {
            s.setValue(key, QString::fromLatin1(bad));
            s.sync();
            QCOMPARE(ResumePositions::load("/v/x.mp4"), 0);
        }
    }

    void onlyTheMostRecentAreKept()
    {
        {
            QSettings s = store();
            s.beginGroup("positions");
            // Older entries, written as another run would have left them.
            for (int i = 0; i < ResumePositions::maxEntries; ++i)
                s.setValue(QStringLiteral("old%1").arg(i), QStringLiteral("50,%1").arg(1000 + i));
            s.setValue("damaged", "x");
        }
        ResumePositions::store("/v/new.mp4", 60, 0);
        QSettings s = store();
        s.beginGroup("positions");
        QCOMPARE(s.childKeys().size(), ResumePositions::maxEntries);
        QVERIFY(!s.contains("damaged"));
        QVERIFY(!s.contains("old0"));
        QVERIFY(s.contains(QStringLiteral("old%1").arg(ResumePositions::maxEntries - 1)));
        QCOMPARE(ResumePositions::load("/v/new.mp4"), 60);
    }
};

QTEST_GUILESS_MAIN(TestResumePositions)
#include "test_resumepositions.moc"
