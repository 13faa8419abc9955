#include "clipmaker.h"
#include "guitestmain.h"
#include "keymap.h"
#include "live1form.h"
#include "live2form.h"
#include "live3form.h"
#include "fileoper.h"
#include "mainwindow.h"
#include "mpvwidget.h"
#include "pagescript.h"
#include "settingdialog.h"
#include "settingsstore.h"
#include "startup.h"
#include "videolibrary.h"
#include "webmapwidget.h"
#include "roundtrip.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QWebEnginePage>
#include <qcustomplot.h>

// The whole player driven as a user would: the demo recording set is imported, opened in every
// play mode, every control of the bar is used, the language is switched and the program is
// restarted. Each state is saved as a screenshot (ZEVIDUD_SCREENSHOT_DIR, else the scratch folder).
class TestEndToEnd : public QObject
{
    Q_OBJECT

    QString scratch;
    QString demoA, demoB, demoC, plainClip;
    MainWindow *window = nullptr;

    template<typename T = QWidget>
    T *find(const char *name) const
    {
        T *w = window->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qWarning() << "no widget" << name;
        return w;
    }
    QToolButton *button(const char *name) const { return find<QToolButton>(name); }

    QList<MpvWidget *> channelsOf(QWidget *form) const
    {
        QList<MpvWidget *> list;
        for (const char *name : {"live01Widget", "live02Widget", "live03Widget"})
            if (auto *w = form->findChild<MpvWidget *>(QString::fromLatin1(name)))
                list << w;
        return list;
    }
    QWidget *currentForm() const { return find<QStackedWidget>("stackedWidget")->currentWidget(); }

    void screenshot(const QString &name)
    {
        QString dir = qEnvironmentVariable("ZEVIDUD_SCREENSHOT_DIR");
        if (dir.isEmpty())
            dir = scratch + QStringLiteral("/screenshots");
        QDir().mkpath(dir);
        QCoreApplication::processEvents();
        // The window and whatever dialog or message stands over it.
        QRect area = window->frameGeometry();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w != window && w->isWindow() && !w->inherits("QMenu"))
                area |= w->frameGeometry();
        QScreen *screen = QGuiApplication::primaryScreen();
        const QPixmap shot = screen->grabWindow(0).copy(area & screen->geometry());
        QVERIFY(shot.save(dir + QLatin1Char('/') + name));
    }

    int rowOf(const QString &path) const
    {
        const QList<FileBean> &beans = window->videoLibrary()->beans();
        for (int i = 0; i < beans.size(); ++i)
            if (beans.at(i).filePath == path)
                return i;
        return -1;
    }

    void doubleClickRow(int row)
    {
        auto *list = find<QListWidget>("listWidget");
        QListWidgetItem *item = list->item(row);
        QVERIFY(item);
        list->scrollToItem(item);
        const QPoint centre = list->visualItemRect(item).center();
        // A double click as the window system delivers it: press, release, then the second
        // press arrives as a double click.
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(list->currentRow(), row);
    }

    // Evaluates a script in the map page and waits for its result.
    QVariant evaluate(const QString &script)
    {
        return evaluateInPage(find<WebMapWidget>("mapWidget")->page(), script, 20000);
    }

    void startWindow()
    {
        window = new MainWindow;
        window->show();
        window->setWindowTitle(QStringLiteral("KORVELL ZEVIDUD PLAYER"));
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }

    // The settings dialog the button opens (null when none came).
    SettingDialog *openSettings()
    {
        button("setBtn")->click();
        SettingDialog *dialog = nullptr;
        QTest::qWaitFor([&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if ((dialog = qobject_cast<SettingDialog *>(w)) && w->isVisible())
                    return true;
            dialog = nullptr;
            return false;
        }, 10000);
        return dialog;
    }

    void openInMode(int playMode, const QString &path)
    {
        SettingsStore().writeValue(QStringLiteral("playMode"), QString::number(playMode));
        doubleClickRow(rowOf(path));
    }

private slots:
    void initTestCase()
    {
        scratch = qEnvironmentVariable("ZEVIDUD_TEST_SCRATCH", QDir::tempPath());
        const QString demoDir = scratch + QStringLiteral("/demo");
        QProcess maker;
        maker.setProcessChannelMode(QProcess::ForwardedChannels);
        maker.start(QStringLiteral(ZEVIDUD_MAKE_DEMO),
                    {demoDir, QStringLiteral("--minutes"), QStringLiteral("0.4")});
        QVERIFY(maker.waitForFinished(300000));
        QCOMPARE(maker.exitCode(), 0);
        const QStringList made = QDir(demoDir).entryList({"*.MP4"}, QDir::Files, QDir::Name);
        QCOMPARE(made.size(), 3);
        demoA = demoDir + QLatin1Char('/') + made.at(0);
        demoB = demoDir + QLatin1Char('/') + made.at(1);
        demoC = demoDir + QLatin1Char('/') + made.at(2);
        QVERIFY(demoA.endsWith(QLatin1String("A.MP4")));

        ClipOptions plain;
        plain.seconds = 6;
        plainClip = makeClip(scratch + QStringLiteral("/plain"), QStringLiteral("plain_clip.mp4"), plain);
        QVERIFY(!plainClip.isEmpty());

        applyApplicationLook(*qApp);
        // Start-up records the thumbnail folder before the window can import anything.
        SettingsStore().writeValue(QStringLiteral("thumbnailPath"),
                                   scratch + QStringLiteral("/thumbs/"));
        QDir().mkpath(scratch + QStringLiteral("/thumbs"));
        startWindow();
    }

    void cleanupTestCase() { delete window; }

    void importListsEveryFileWithItsThumbnail()
    {
        QSignalSpy finished(window->videoLibrary(), &VideoLibrary::importFinished);
        window->openFilesFromCommandLine({});
        window->videoLibrary()->addPaths({demoA, demoB, demoC, plainClip});
        QVERIFY(finished.wait(120000));
        QCOMPARE(find<QListWidget>("listWidget")->count(), 4);
        for (const QString &path : {demoA, plainClip})
            QVERIFY2(QFile::exists(FileOper::thumbnailFileFor(scratch + "/thumbs/", path)),
                     qPrintable(path));
        screenshot(QStringLiteral("library.png"));
    }

    void threeChannelPlaybackFollowedByTheTelemetry()
    {
        openInMode(2, demoA);
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromLatin1(currentForm()->metaObject()->className()),
                                  QStringLiteral("Live3Form"), 10000);
        QCOMPARE(window->currentFormIndex(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(find<QLabel>("totalTimeLabel")->text(), QStringLiteral("00:24"), 30000);
        QCOMPARE(find<QSlider>("videoSlide")->maximum(), 24);
        QCOMPARE(window->assistInfos().size(), 24);
        QVERIFY(find("mapWidget")->isVisible());
        QVERIFY(find("widget_4")->isVisible());

        const QList<MpvWidget *> channels = channelsOf(currentForm());
        QCOMPARE(channels.size(), 3);
        QCOMPARE(channels.at(1)->mpvProperty("path").toString(), demoB);
        QCOMPARE(channels.at(2)->mpvProperty("path").toString(), demoC);

        // Playback moves the time label, the slider, the labels, the cursor and the car.
        QTRY_VERIFY_WITH_TIMEOUT(find<QSlider>("videoSlide")->value() >= 4, 30000);
        const int second = find<QSlider>("videoSlide")->value();
        QCOMPARE(find<QLabel>("currentTimeLabel")->text(), QStringLiteral("00:%1").arg(second, 2, 10, QLatin1Char('0')));
        QVERIFY(find<QLabel>("xCoordLabel")->text().startsWith(QLatin1String("X:")));
        QVERIFY(find<QLabel>("zCoordLabel")->text() != QLatin1String("Z:0"));
        QVERIFY(find<QLabel>("speedLabel")->text().endsWith(QLatin1String("KM/H")));
        auto *plot = find<QCustomPlot>("customPlot");
        QCOMPARE(plot->graphCount(), 5);
        QCOMPARE(plot->graph(0)->dataCount(), 24);
        QCOMPARE(plot->xAxis->range().upper, 24.0);

        QVERIFY(evaluate("routeLines.length").toInt() >= 1);
        double markerLat = 0;
        QTRY_VERIFY_WITH_TIMEOUT((markerLat = evaluate("carMarker.getLatLng().lat").toDouble()) > 50.0, 20000);
        bool anyMatch = false;
        for (const AssistInfo &s : window->assistInfos())
            anyMatch = anyMatch || qAbs(s.latitude.toDouble() - markerLat) < 1e-6;
        QVERIFY2(anyMatch, "the car marker stands on a sample of the recording");
        screenshot(QStringLiteral("three-channel.png"));

        // The information text names the telemetry layout, on the picture of channel 1.
        QVERIFY(window->currentLayoutCode() > 0);
        QTest::keyClick(window, Qt::Key_I, Qt::ShiftModifier);
        const QString info = channels.first()->mpvProperty("osd-msg1").toString();
        QVERIFY2(info.contains(QLatin1String("Telemetry : ")), qPrintable(info));
        QVERIFY(info.contains(QFileInfo(demoA).fileName()));
        QTest::keyClick(window, Qt::Key_I, Qt::ShiftModifier);
        QCOMPARE(channels.first()->mpvProperty("osd-msg1").toString(), QString());
    }

    void controlsReachEveryChannel()
    {
        const QList<MpvWidget *> channels = channelsOf(currentForm());
        auto *form = qobject_cast<LiveForm *>(currentForm());
        QVERIFY(form);

        // A click on the seek bar jumps there: back to second 2 of 24, on every channel.
        auto *seekBar = find<QSlider>("videoSlide");
        QTest::mouseClick(seekBar, Qt::LeftButton, {},
                          QPoint(seekBar->width() * 2 / 24, seekBar->height() / 2));
        for (MpvWidget *c : channels)
            QTRY_VERIFY_WITH_TIMEOUT(c->mpvProperty("time-pos").toDouble() < 3.5, 10000);

        button("playBtn")->click();
        QTRY_VERIFY(form->isPaused());
        for (MpvWidget *c : channels)
            QTRY_VERIFY(c->mpvProperty("pause").toBool());
        button("playBtn")->click();
        QTRY_VERIFY(!form->isPaused());

        button("playBtn")->click();
        QTRY_VERIFY(form->isPaused());
        // Every core has taken the pause (and shown the frame it stopped on) before the step.
        for (MpvWidget *c : channels)
            QTRY_VERIFY(c->mpvProperty("pause").toBool());
        QVERIFY(playerRoundTrip(channels));
        const double before = channels.first()->mpvProperty("time-pos").toDouble();
        button("playNextFrmBtn")->click();
        QTRY_VERIFY_WITH_TIMEOUT(channels.first()->mpvProperty("time-pos").toDouble() > before + 0.01, 10000);
        const double stepped = channels.first()->mpvProperty("time-pos").toDouble();
        button("playLastFrmBtn")->click();
        QTRY_VERIFY_WITH_TIMEOUT(channels.first()->mpvProperty("time-pos").toDouble() < stepped - 0.01, 10000);

        find<QSpinBox>("speedSpinBox")->setValue(2);
        for (MpvWidget *c : channels)
            QTRY_COMPARE(c->mpvProperty("speed").toDouble(), 8.0);
        find<QSpinBox>("speedSpinBox")->setValue(-4);
        for (MpvWidget *c : channels)
            QTRY_COMPARE(c->mpvProperty("speed").toDouble(), 0.0625);
        find<QSpinBox>("speedSpinBox")->setValue(0);
        for (MpvWidget *c : channels)
            QTRY_COMPARE(c->mpvProperty("speed").toDouble(), 1.0);

        button("zoomMaxBtn")->click();
        button("zoomMaxBtn")->click();
        QCOMPARE(find<QLabel>("zoomValue")->text(), QStringLiteral("3X"));
        for (MpvWidget *c : channels)
            QTRY_COMPARE(c->mpvProperty("video-zoom").toInt(), 2);
        button("zoomMinBtn")->click();
        button("zoomMinBtn")->click();
        button("zoomMinBtn")->click();
        QCOMPARE(find<QLabel>("zoomValue")->text(), QStringLiteral("1X"));
        QCOMPARE(channels.first()->mpvProperty("video-zoom").toInt(), 0);

        find<QSlider>("volumeSlider")->setValue(70);
        QCOMPARE(find<QLabel>("volumeValueLabel")->text(), QStringLiteral("70"));
        QCOMPARE(SettingsStore().readValue("volume"), QStringLiteral("70"));
        QTRY_COMPARE(channels.at(0)->mpvProperty("volume").toInt(), 70);
        QCOMPARE(channels.at(1)->mpvProperty("volume").toInt(), 0);
        button("volumeMinBtn")->click();
        QCOMPARE(find<QSlider>("volumeSlider")->value(), 0);
        QCOMPARE(SettingsStore().readValue("volume"), QStringLiteral("0"));
        find<QSlider>("volumeSlider")->setValue(55);

        // Views: 1 alone, 2 alone, 3 alone, then all three again.
        const QList<QList<bool>> views = {{true, false, false}, {false, true, false},
                                          {false, false, true}, {true, true, true}};
        for (const QList<bool> &view : views) {
            button("videoSwitchBtn")->click();
            for (int i = 0; i < 3; ++i)
                QCOMPARE(channels.at(i)->isVisibleTo(currentForm()), view.at(i));
        }
        // The recording was paused (frame steps): changing the view keeps it paused, and play
        // then starts every channel on screen.
        QVERIFY(form->isPaused());
        for (MpvWidget *c : channels)
            QVERIFY(c->mpvProperty("pause").toBool());
        button("playBtn")->click();
        for (MpvWidget *c : channels)
            QTRY_VERIFY(!c->mpvProperty("pause").toBool());

        button("resetPlayBtn")->click();
        QTRY_VERIFY(form->isPaused());
        QTRY_VERIFY_WITH_TIMEOUT(channels.first()->mpvProperty("time-pos").toDouble() < 0.5, 10000);
    }

    void captureWritesOnePicturePerChannel()
    {
        const QString folder = scratch + QStringLiteral("/captures");
        QDir().mkpath(folder);
        // The chooser opens at the stored capture folder; accepting it as it is picks that one.
        SettingsStore().writeValue(QStringLiteral("capturePath"), folder);
        bool chooserSeen = false;
        QTimer answer;
        answer.setInterval(200);
        connect(&answer, &QTimer::timeout, this, [&] {
            auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!chooser || !chooser->isVisible())
                return;
            answer.stop();
            chooserSeen = true;
            QCOMPARE(chooser->directory().absolutePath(), folder);
            QMetaObject::invokeMethod(chooser, "accept", Qt::QueuedConnection);
        });
        answer.start();
        button("captureBtn")->click();
        answer.stop();
        QVERIFY(chooserSeen);
        QTRY_COMPARE_WITH_TIMEOUT(QDir(folder).entryList({"screenshot-*.png"}, QDir::Files).size(), 3, 20000);

        // The recording was paused (back at its start) before the capture, and stays so.
        QVERIFY(playerRoundTrip(channelsOf(currentForm())));
        QVERIFY(qobject_cast<LiveForm *>(currentForm())->isPaused());
        QWidget *toast = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->inherits("Toast") && w->isVisible())
                toast = w;
        QVERIFY(toast);
        QVERIFY(toast->findChild<QLabel *>()->text().contains(QLatin1String("Image Saved")));
        screenshot(QStringLiteral("capture.png"));
    }

    void otherPlayModesAndARecordingWithoutTelemetry()
    {
        openInMode(1, demoB);
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromLatin1(currentForm()->metaObject()->className()),
                                  QStringLiteral("Live2Form"), 10000);
        QList<MpvWidget *> channels = channelsOf(currentForm());
        QTRY_COMPARE_WITH_TIMEOUT(channels.at(1)->mpvProperty("path").toString(), demoC, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(find<QSlider>("videoSlide")->value() >= 1, 30000);
        screenshot(QStringLiteral("two-channel.png"));

        openInMode(0, demoC);
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromLatin1(currentForm()->metaObject()->className()),
                                  QStringLiteral("Live1Form"), 10000);
        channels = channelsOf(currentForm());
        QTRY_COMPARE_WITH_TIMEOUT(channels.at(0)->mpvProperty("path").toString(), demoC, 10000);
        // A mode chosen in the settings applies to what plays at once, at the same moment.
        QTRY_VERIFY_WITH_TIMEOUT(find<QSlider>("videoSlide")->value() >= 2, 30000);
        SettingDialog *dialog = openSettings();
        QVERIFY(dialog);
        dialog->findChild<QRadioButton *>(QStringLiteral("playModeRadio3Btn"))->click();
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromLatin1(currentForm()->metaObject()->className()),
                                  QStringLiteral("Live3Form"), 10000);
        channels = channelsOf(currentForm());
        QTRY_COMPARE_WITH_TIMEOUT(channels.at(0)->mpvProperty("path").toString(), demoC, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(channels.at(1)->mpvProperty("path").toString(), demoA, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(find<QSlider>("videoSlide")->value() >= 2, 10000);
        dialog->close();

        openInMode(2, plainClip);
        QTRY_COMPARE_WITH_TIMEOUT(channelsOf(currentForm()).at(0)->mpvProperty("path").toString(), plainClip, 10000);
        // An ordinary recording reads as the fallback layout; its blocks carry nothing to show.
        QVERIFY(!find("mapWidget")->isVisible());
        QVERIFY(!find("widget_4")->isVisible());

        // Information text: the first Shift+I shows it, the second removes it (I marks an incident).
        auto *live1 = qobject_cast<Live1Form *>(currentForm());
        QVERIFY(live1);
        QTest::keyClick(window, Qt::Key_I, Qt::ShiftModifier);
        QVERIFY(live1->osdInfoShown());
        screenshot(QStringLiteral("information.png"));
        QTest::keyClick(window, Qt::Key_I, Qt::ShiftModifier);
        QVERIFY(!live1->osdInfoShown());

        QTest::keyClick(window, Qt::Key_Space);
        QTRY_VERIFY(live1->isPaused());
        QTest::keyClick(window, Qt::Key_Space);
        QTRY_VERIFY(!live1->isPaused());

        button("fullScreenBtn")->click();
        QTRY_VERIFY(window->isFullScreen());
        QVERIFY(!find("rightWidget")->isVisible());
        QTest::keyClick(window, Qt::Key_Escape);
        QTRY_VERIFY(!window->isFullScreen());
        QVERIFY(find("rightWidget")->isVisible());
        QVERIFY(!find("widget_4")->isVisible());
    }

    void languageSwitchRetranslatesAtOnce()
    {
        SettingDialog *dialog = openSettings();
        QVERIFY(dialog);
        const QList<QPair<const char *, QString>> languages = {
            {"languageRadio2Btn", QStringLiteral("セッティング")},
            {"languageRadio3Btn", QStringLiteral("die Einstellungen")},
            {"languageRadio1Btn", QStringLiteral("Settings")}};
        for (const auto &[radio, settingsText] : languages) {
            dialog->findChild<QRadioButton *>(QString::fromLatin1(radio))->click();
            QCOMPARE(button("setBtn")->text(), settingsText);
            QCOMPARE(window->windowTitle(), QStringLiteral("KORVELL ZEVIDUD PLAYER"));
            screenshot(QStringLiteral("settings-%1.png").arg(QLatin1String(radio)));
        }
        dialog->close();

        button("helpBtn")->click();
        QWidget *help = nullptr;
        QTRY_VERIFY([&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->inherits("HelpWindowDialog") && w->isVisible())
                    help = w;
            return help != nullptr;
        }());
        QVERIFY(help->findChild<QLabel *>(QStringLiteral("versionValueLabel")));
        QCOMPARE(help->findChild<QLabel *>(QStringLiteral("versionValueLabel"))->text(),
                 QStringLiteral(ZEVIDUD_VERSION));
        // The window's keys are listed, a row per action.
        QCOMPARE(help->findChild<QTableWidget *>(QStringLiteral("keysTable"))->rowCount(),
                 KeyHelp::rows().size());
        QCOMPARE(help->findChild<QLabel *>(QStringLiteral("titleLabel"))->text(), QStringLiteral("Help"));
        screenshot(QStringLiteral("help.png"));
        help->close();
    }

    void restartKeepsTheListAndThePreferences()
    {
        SettingsStore().writeValue(QStringLiteral("language"), QStringLiteral("3"));
        SettingsStore().writeValue(QStringLiteral("speed"), QStringLiteral("1"));
        // A volume chosen just before quitting is kept.
        find<QSlider>("volumeSlider")->setValue(65);
        QFile::remove(plainClip);
        // The recording open at the restart comes back where it was left, paused.
        doubleClickRow(rowOf(demoA));
        auto *slider = find<QSlider>("videoSlide");
        // Playing this recording (the slider may still show the one before).
        QTRY_VERIFY_WITH_TIMEOUT(
            channelsOf(currentForm()).at(0)->mpvProperty("path").toString() == demoA
                && channelsOf(currentForm()).at(0)->mpvProperty("time-pos").toDouble() >= 1,
            20000);
        button("playBtn")->click();
        QTRY_VERIFY(qobject_cast<LiveForm *>(currentForm())->isPaused());
        // A drag of the slider to 12 s.
        slider->setValue(12);
        emit slider->sliderMoved(12);
        QTRY_COMPARE_WITH_TIMEOUT(channelsOf(currentForm()).at(0)->mpvProperty("time-pos").toInt(),
                                  12, 20000);
        window->close();
        delete window;
        window = nullptr;
        startWindow();
        auto *list = find<QListWidget>("listWidget");
        QCOMPARE(list->count(), 3);
        QCOMPARE(window->videoLibrary()->beans().at(0).filePath, demoA);
        QCOMPARE(find<QSlider>("volumeSlider")->value(), 65);
        QTRY_COMPARE_WITH_TIMEOUT(list->currentRow(), rowOf(demoA), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(find<QSlider>("videoSlide")->value(), 12, 20000);
        QTRY_VERIFY(qobject_cast<LiveForm *>(currentForm())->isPaused());
        QVERIFY(find<QLabel>("speedLabel")->text().endsWith(QStringLiteral("MPH")));
        QCOMPARE(button("setBtn")->text(), QStringLiteral("Настройки"));
        QCOMPARE(SettingsStore().readValue("playMode"), QStringLiteral("2"));
        QTRY_VERIFY_WITH_TIMEOUT(find<WebMapWidget>("mapWidget")->isMapReady(), 30000);
        screenshot(QStringLiteral("restart-russian.png"));
    }
};

ZEVIDUD_GUI_TEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
