// A drive of consecutive clips played in the whole window: the demo maker writes three
// three-camera recordings of 6 s each; the player goes on from one to the next by itself with
// every channel, steps by recording, jumps to a moment of the drive from the map's route, the
// G graph and the seek keys, and stops at the end of a clip when continuing is switched off.
#include "drivecontroller.h"
#include "guitestmain.h"
#include "liveform.h"
#include "mainwindow.h"
#include "mpvwidget.h"
#include "settingsstore.h"
#include "startup.h"
#include "videolibrary.h"
#include "webmapwidget.h"
#include "roundtrip.h"

#include <QDir>
#include <QListWidget>
#include <QProcess>
#include <QSlider>
#include <QStackedWidget>
#include <QToolButton>
#include <qcustomplot.h>

class TestDrivePlayback : public QObject
{
    Q_OBJECT

    QString scratch;
    QStringList clipsA; // the A file of each recording, in order
    MainWindow *window = nullptr;

    template<typename T = QWidget>
    T *find(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    LiveForm *form() const
    {
        return qobject_cast<LiveForm *>(find<QStackedWidget>("stackedWidget")->currentWidget());
    }
    int clip() const { return window->drive()->currentClip(); }
    int position() const { return find<QSlider>("videoSlide")->value(); }
    QString listedPath() const
    {
        const int row = find<QListWidget>("listWidget")->currentRow();
        return window->videoLibrary()->beans().value(row).filePath;
    }
    // Every channel of the form in use plays the file of the same recording.
    bool channelsOfOneRecording(int clipIndex) const
    {
        const QString stem = QFileInfo(clipsA.at(clipIndex)).completeBaseName().chopped(1);
        const QList<MpvWidget *> channels = form()->findChildren<MpvWidget *>();
        if (channels.size() != 3)
            return false;
        for (MpvWidget *channel : channels)
            if (!channel->mpvProperty("path").toString().contains(stem))
                return false;
        return true;
    }

    void openFirstClip()
    {
        const int row = window->videoLibrary()->rowOfPath(clipsA.first());
        QVERIFY(row >= 0);
        find<QListWidget>("listWidget")->setCurrentRow(row);
        emit find<QListWidget>("listWidget")->itemDoubleClicked(
            find<QListWidget>("listWidget")->item(row));
        QTRY_COMPARE_WITH_TIMEOUT(window->drive()->drive().recordingCount(), 3, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(window->drive()->isComplete(), 20000);
    }

private slots:
    void initTestCase()
    {
        scratch = qEnvironmentVariable("ZEVIDUD_TEST_SCRATCH", QDir::tempPath());
        const QString demoDir = scratch + QStringLiteral("/drive");
        QProcess maker;
        maker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        maker.start(QStringLiteral(ZEVIDUD_MAKE_DEMO), {demoDir, "--minutes", "0.1", "--clips", "3"});
        QVERIFY(maker.waitForFinished(300000));
        QCOMPARE(maker.exitCode(), 0);
        QStringList all;
        for (const QString &name : QDir(demoDir).entryList({"*.MP4"}, QDir::Files, QDir::Name)) {
            all << demoDir + QLatin1Char('/') + name;
            if (name.endsWith(QLatin1String("A.MP4")))
                clipsA << all.last();
        }
        QCOMPARE(clipsA.size(), 3);

        applyApplicationLook(*qApp);
        SettingsStore().writeValue(QStringLiteral("thumbnailPath"), scratch + "/thumbs/");
        SettingsStore().writeValue(QStringLiteral("playMode"), QStringLiteral("2"));
        window = new MainWindow;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QSignalSpy imported(window->videoLibrary(), &VideoLibrary::importFinished);
        window->videoLibrary()->addPaths(all);
        QVERIFY(imported.wait(120000));
    }

    void cleanupTestCase() { delete window; }

    void playsIntoTheNextRecordingByItself()
    {
        openFirstClip();
        QCOMPARE(clip(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(channelsOfOneRecording(0), 10000);
        // Six seconds of the first clip, then the second plays on its own, every camera.
        QTRY_COMPARE_WITH_TIMEOUT(clip(), 1, 15000);
        QCOMPARE(listedPath(), clipsA.at(1));
        QTRY_VERIFY_WITH_TIMEOUT(channelsOfOneRecording(1), 5000);
        QVERIFY(!form()->isIdle());
        QVERIFY(!form()->isPaused());
        // The telemetry shown is the new recording's (the demo log runs on across files).
        QCOMPARE(window->assistInfos().size(), 6);
    }

    void routeAndGraphJumpToTheirMoment()
    {
        // A click on the route in the third recording, 2.5 s into it. The jump seeks once the
        // recording reports its duration: until then the clip, the slider and the graph are
        // still the previous recording's.
        QSignalSpy durations(form(), &LiveForm::LiveDuration);
        emit find<WebMapWidget>("mapWidget")->routeClicked(12000 + 2500);
        QTRY_VERIFY_WITH_TIMEOUT(!durations.isEmpty(), 10000);
        QCOMPARE(clip(), 2);
        QCOMPARE(listedPath(), clipsA.at(2));
        QTRY_VERIFY_WITH_TIMEOUT(channelsOfOneRecording(2), 5000);
        // The new file's first position may still be on its way from the cores: it settles.
        QTRY_VERIFY2_WITH_TIMEOUT(qAbs(position() - 2) <= 1, qPrintable(QString::number(position())),
                                  5000);

        // Back to the first recording from its route, then a click on the graph at 3 s.
        durations.clear();
        emit find<WebMapWidget>("mapWidget")->routeClicked(500);
        QTRY_VERIFY_WITH_TIMEOUT(!durations.isEmpty(), 10000);
        QCOMPARE(clip(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(channelsOfOneRecording(0), 5000);
        form()->setPlaying(false);
        auto *plot = find<QCustomPlot>("customPlot");
        const int x = int(plot->xAxis->coordToPixel(3.0));
        QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(x, plot->height() / 2));
        QTRY_COMPARE_WITH_TIMEOUT(position(), 3, 5000);
    }

    void keysSeekAcrossRecordings()
    {
        // Keys seek in drive time: 5 s on from second 3 of the first 6 s recording is second 2
        // of the second, and 5 s back from there the first recording again.
        QTRY_COMPARE_WITH_TIMEOUT(position(), 3, 5000);
        QTest::keyClick(window, Qt::Key_Right);
        QTRY_COMPARE_WITH_TIMEOUT(clip(), 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(channelsOfOneRecording(1), 5000);
        QTRY_VERIFY2_WITH_TIMEOUT(qAbs(position() - 2) <= 1, qPrintable(QString::number(position())),
                                  5000);
        form()->setPlaying(false);
        QTRY_VERIFY(form()->isPaused());
        const int from = position();
        QTest::keyClick(window, Qt::Key_Left);
        QTRY_COMPARE_WITH_TIMEOUT(clip(), 0, 10000);
        QTRY_VERIFY2_WITH_TIMEOUT(qAbs(position() - (6 + from - 5)) <= 1,
                                  qPrintable(QString::number(position())), 5000);
    }

    void previousAndNextStepByRecording()
    {
        find<QToolButton>("nextFileBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(clip(), 1, 10000);
        QCOMPARE(listedPath(), clipsA.at(1)); // not the B file of the same recording
        find<QToolButton>("lastFileBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(clip(), 0, 10000);
        QCOMPARE(listedPath(), clipsA.at(0));
    }

    void stopsAtTheEndWhenContinuingIsOff()
    {
        SettingsStore().writeValue(QStringLiteral("continueNextClip"), QStringLiteral("0"));
        openFirstClip();
        QTRY_VERIFY_WITH_TIMEOUT(form()->atEnd(), 15000);
        QVERIFY(playerRoundTrip(form()->findChildren<MpvWidget *>()));
        QCOMPARE(clip(), 0);
        QCOMPARE(listedPath(), clipsA.at(0));
        SettingsStore().writeValue(QStringLiteral("continueNextClip"), QStringLiteral("1"));
    }
};

ZEVIDUD_GUI_TEST_MAIN(TestDrivePlayback)
#include "test_drive_playback.moc"
