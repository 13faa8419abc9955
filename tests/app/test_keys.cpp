// The first minute with the real window: keys on a fresh start, the end of a recording, a capture
// while paused, and files opened twice.
#include "channelgroup.h"
#include "clipmaker.h"
#include "guitestmain.h"
#include "liveform.h"
#include "mainwindow.h"
#include "mpvwidget.h"
#include "settingsstore.h"
#include "videolibrary.h"
#include "roundtrip.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QSlider>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

// Answers the next modal dialog that appears: a message box by the given button, a folder
// dialog by choosing folder (or cancelling without one). Notes what it saw.
class Answerer : public QObject
{
public:
    QStringList seen;
    QMessageBox::StandardButton button = QMessageBox::No;
    QString folder;

    Answerer()
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            seen << modal->objectName();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                texts << box->text();
                box->button(button)->click();
            } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
                if (folder.isEmpty()) {
                    dialog->reject();
                } else {
                    dialog->setDirectory(folder);
                    dialog->selectFile(folder);
                    QMetaObject::invokeMethod(dialog, "accept");
                }
            } else if (auto *other = qobject_cast<QDialog *>(modal)) {
                other->reject();
            }
        });
        timer.start(50);
    }
    QStringList texts;

private:
    QTimer timer;
};

} // namespace

class TestKeys : public QObject
{
    Q_OBJECT
    MainWindow *window = nullptr;
    QString clipDir, clip, shortClip;

    template<typename T = QWidget>
    T *find(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    QListWidget *list() const { return find<QListWidget>("listWidget"); }
    LiveForm *form() const
    {
        return qobject_cast<LiveForm *>(find<QStackedWidget>("stackedWidget")->currentWidget());
    }
    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(window, Qt::Key(k), modifiers);
    }
    bool import(const QStringList &paths)
    {
        QSignalSpy done(window->videoLibrary(), &VideoLibrary::importFinished);
        window->videoLibrary()->addPaths(paths);
        return done.wait(60000);
    }
    void open(const QString &path)
    {
        const int row = window->videoLibrary()->rowOfPath(path);
        QVERIFY(row >= 0);
        list()->setCurrentRow(row);
        QMetaObject::invokeMethod(window, "ItemDoubleClicked", Q_ARG(QListWidgetItem *, list()->item(row)));
        QTRY_VERIFY_WITH_TIMEOUT(form() && !form()->isIdle() && !form()->isPaused(), 20000);
    }
    // Whether the play button shows the picture of the given icon file.
    bool playButtonShows(const char *iconFile) const
    {
        return find<QToolButton>("playBtn")->icon().pixmap(24).toImage()
               == QIcon(QLatin1String(iconFile)).pixmap(24).toImage();
    }

private slots:
    void initTestCase()
    {
        const QString scratch = qEnvironmentVariable("ZEVIDUD_TEST_SCRATCH", QDir::tempPath());
        clipDir = scratch + QStringLiteral("/keys");
        ClipOptions o;
        o.seconds = 30;
        o.width = 160;
        o.height = 120;
        clip = makeClip(clipDir, QStringLiteral("long.mp4"), o);
        o.seconds = 3;
        shortClip = makeClip(clipDir, QStringLiteral("short.mp4"), o);
        QVERIFY(!clip.isEmpty() && !shortClip.isEmpty());
        SettingsStore().writeValue(QStringLiteral("thumbnailPath"), scratch + QStringLiteral("/thumbs/"));
        QDir().mkpath(scratch + QStringLiteral("/thumbs"));
        window = new MainWindow;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(import({clip, shortClip}));
        QCOMPARE(list()->count(), 2);
    }
    void cleanupTestCase() { delete window; }

    void noControlTakesTheKeyboard()
    {
        for (QWidget *w : window->findChildren<QWidget *>()) {
            if (qobject_cast<QAbstractButton *>(w) || qobject_cast<QAbstractSlider *>(w)
                || qobject_cast<QAbstractSpinBox *>(w))
                QVERIFY2(w->focusPolicy() == Qt::NoFocus, qPrintable(w->objectName()));
        }
    }

    void windowStateIsRemembered()
    {
        window->showNormal();
        window->resize(1400, 820);
        QTRY_COMPARE(window->size(), QSize(1400, 820));
        auto *splitter = window->findChild<QSplitter *>(QStringLiteral("splitter"));
        QVERIFY(splitter);
        QList<int> sizes = splitter->sizes();
        QVERIFY(sizes.size() >= 2);
        sizes[0] += 60;
        sizes[1] -= 60;
        splitter->setSizes(sizes);
        sizes = splitter->sizes();
        // What closing the window does before it quits the application.
        window->saveWindowState();
        delete window;

        window = new MainWindow;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_COMPARE(window->size(), QSize(1400, 820));
        QCOMPARE(window->findChild<QSplitter *>(QStringLiteral("splitter"))->sizes(), sizes);

        // Full screen too: closed in it, opened in it.
        key(Qt::Key_F);
        QTRY_VERIFY(!find("rightWidget")->isVisible());
        window->saveWindowState();
        delete window;
        window = new MainWindow;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_VERIFY(!find("rightWidget")->isVisible());
        key(Qt::Key_F);
        QTRY_VERIFY(find("rightWidget")->isVisible());
        QTRY_COMPARE(window->size(), QSize(1400, 820));
    }

    void keysOnAFreshStartTouchNothingElse()
    {
        Answerer answerer;
        const int volume = find<QSlider>("volumeSlider")->value();
        // Clicked controls keep no focus that Space could press.
        QTest::mouseClick(find<QToolButton>("volumeMinBtn"), Qt::LeftButton);
        find<QSlider>("volumeSlider")->setValue(volume);
        QTest::mouseClick(find<QToolButton>("captureBtn"), Qt::LeftButton);
        list()->setCurrentRow(0);
        for (int k : {Qt::Key_Space, Qt::Key_Left, Qt::Key_Space, Qt::Key_Right, Qt::Key_Space})
            key(k);
        QVERIFY(guiRoundTrip());
        QCOMPARE(list()->count(), 2);
        QCOMPARE(find<QSlider>("volumeSlider")->value(), volume);
        QVERIFY2(answerer.seen.isEmpty(), qPrintable(answerer.seen.join(',')));
    }

    void volumeAndMuteKeys()
    {
        auto *slider = find<QSlider>("volumeSlider");
        slider->setValue(40);
        key(Qt::Key_Up);
        QCOMPARE(slider->value(), 45);
        key(Qt::Key_Down);
        key(Qt::Key_Down);
        QCOMPARE(slider->value(), 35);
        QCOMPARE(find<QLabel>("volumeValueLabel")->text(), QStringLiteral("35"));
        // The speaker shows whether the sound is on, however it was muted.
        auto *mute = find<QToolButton>("volumeMinBtn");
        const auto picture = [mute] { return mute->icon().pixmap(24, 24).toImage(); };
        const QImage sounding = picture();
        key(Qt::Key_M);
        QCOMPARE(slider->value(), 0);
        const QImage muted = picture();
        QVERIFY(muted != sounding);
        key(Qt::Key_M);
        QCOMPARE(slider->value(), 35);
        QCOMPARE(picture(), sounding);
        // The mute button is the same toggle.
        mute->click();
        QCOMPARE(slider->value(), 0);
        QCOMPARE(picture(), muted);
        mute->click();
        QCOMPARE(slider->value(), 35);
        QCOMPARE(picture(), sounding);
        for (int i = 0; i < 30; ++i)
            key(Qt::Key_Up);
        QCOMPARE(slider->value(), 100);
    }

    void fullScreenKeyAndEscape()
    {
        key(Qt::Key_F);
        QTRY_VERIFY(!find("rightWidget")->isVisible());
        key(Qt::Key_Escape);
        QTRY_VERIFY(find("rightWidget")->isVisible());
        key(Qt::Key_F);
        QTRY_VERIFY(!find("rightWidget")->isVisible());
        key(Qt::Key_F);
        QTRY_VERIFY(find("rightWidget")->isVisible());
    }

    void playbackKeys()
    {
        open(clip);
        QTRY_VERIFY_WITH_TIMEOUT(find<QSlider>("videoSlide")->maximum() == 30, 20000);
        key(Qt::Key_Space);
        QTRY_VERIFY(form()->isPaused());
        QVERIFY(playButtonShows(":/images/icon_video_play.png"));
        auto *slide = find<QSlider>("videoSlide");
        const int start = slide->value();
        key(Qt::Key_Right);
        QCOMPARE(slide->value(), start + 5);
        key(Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(slide->value(), 30); // not past the end
        key(Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(slide->value(), 29);
        key(Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(slide->value(), 0);
        key(Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(slide->value(), 1);
        QVERIFY(form()->isPaused()); // seeking keeps the pause
        key(Qt::Key_Space);
        QTRY_VERIFY(!form()->isPaused());
    }

    void captureKeepsAPausedRecordingPaused()
    {
        const QString shots = clipDir + QStringLiteral("/shots");
        QDir().mkpath(shots);
        key(Qt::Key_Space);
        QTRY_VERIFY(form()->isPaused());
        QSignalSpy captured(form()->channelGroup(), &ChannelGroup::screenshotsFinished);
        {
            Answerer answerer;
            answerer.folder = shots;
            find<QToolButton>("captureBtn")->click();
        }
        QVERIFY(form()->isPaused());
        QVERIFY(captured.wait(30000));
        QVERIFY(playerRoundTrip(form()->findChildren<MpvWidget *>()));
        QVERIFY(form()->isPaused());
        // A playing recording plays on after the capture.
        key(Qt::Key_Space);
        QTRY_VERIFY(!form()->isPaused());
        {
            Answerer answerer; // cancelled
            find<QToolButton>("captureBtn")->click();
        }
        QTRY_VERIFY(!form()->isPaused());
    }

    void languageSwitchKeepsWhatTheLabelsShow()
    {
        find<QSlider>("volumeSlider")->setValue(65);
        find<QSlider>("zoomSlider")->setValue(2);
        QTRY_COMPARE(find<QLabel>("totalTimeLabel")->text(), QStringLiteral("00:30"));
        const QString current = find<QLabel>("currentTimeLabel")->text();
        SettingsStore().writeValue(QStringLiteral("language"), QStringLiteral("2"));
        QVERIFY(QMetaObject::invokeMethod(window, "updateTR"));
        QCOMPARE(find<QLabel>("totalTimeLabel")->text(), QStringLiteral("00:30"));
        QCOMPARE(find<QLabel>("volumeValueLabel")->text(), QStringLiteral("65"));
        QCOMPARE(find<QLabel>("zoomValue")->text(), QStringLiteral("3X"));
        QVERIFY(find<QLabel>("currentTimeLabel")->text() >= current);
        QCOMPARE(find<QToolButton>("playBtn")->toolTip(), QStringLiteral("Wiedergabe oder Pause (Leertaste)"));
        SettingsStore().writeValue(QStringLiteral("language"), QStringLiteral("0"));
        QVERIFY(QMetaObject::invokeMethod(window, "updateTR"));
        QCOMPARE(find<QToolButton>("playBtn")->toolTip(), QStringLiteral("Play or pause (Space)"));
        find<QSlider>("zoomSlider")->setValue(0);
    }

    void aRecordingOpenedAgainOffersWhereItWasLeft()
    {
        open(clip);
        key(Qt::Key_Space);
        QTRY_VERIFY(form()->isPaused());
        key(Qt::Key_Left, Qt::ControlModifier);
        for (int i = 0; i < 4; ++i)
            key(Qt::Key_Right);
        QCOMPARE(find<QSlider>("videoSlide")->value(), 20);
        open(shortClip); // leaving the long one remembers second 20
        QTRY_VERIFY_WITH_TIMEOUT(find<QSlider>("videoSlide")->maximum() == 3, 20000);
        key(Qt::Key_R); // nothing was offered for the short one
        QVERIFY(find<QSlider>("videoSlide")->value() <= 3);
        open(clip);
        bool offered = false;
        for (QWidget *w : QApplication::topLevelWidgets())
            offered = offered || (w->inherits("Toast") && w->isVisible()
                                  && w->findChild<QLabel *>()->text().contains(QLatin1String("00:20")));
        QVERIFY(offered);
        QTRY_VERIFY_WITH_TIMEOUT(find<QSlider>("videoSlide")->maximum() == 30, 20000);
        QVERIFY(find<QSlider>("videoSlide")->value() < 20); // offered, not forced
        key(Qt::Key_R);
        QCOMPARE(find<QSlider>("videoSlide")->value(), 20);
        QTRY_VERIFY_WITH_TIMEOUT(form()->channelGroup() && !form()->channelGroup()->isHolding(), 10000);
    }

    void endOfRecordingHoldsAndPlaysAgain()
    {
        open(shortClip);
        QTRY_VERIFY_WITH_TIMEOUT(form()->atEnd(), 20000);
        QVERIFY(!form()->isIdle());
        QTRY_VERIFY(playButtonShows(":/images/icon_video_play.png"));
        key(Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(!form()->isPaused() && !form()->atEnd(), 20000);
        QVERIFY(find<QSlider>("videoSlide")->value() <= 1);
        QCOMPARE(find<QLabel>("currentTimeLabel")->text().left(4), QStringLiteral("00:0"));
        QVERIFY(playButtonShows(":/images/icon_video_stop.png"));
        QTRY_VERIFY_WITH_TIMEOUT(form()->atEnd(), 20000);
        // Restart from the end works too: back to the start, paused.
        find<QToolButton>("resetPlayBtn")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form()->atEnd(), 10000);
        // The end's last position may still be on its way from the core: the slider settles.
        QTRY_COMPARE_WITH_TIMEOUT(find<QSlider>("videoSlide")->value(), 0, 5000);
        QVERIFY(form()->isPaused());
        QVERIFY(playButtonShows(":/images/icon_video_play.png"));
    }

    void deleteKeyAsksFirst()
    {
        list()->setCurrentRow(window->videoLibrary()->rowOfPath(shortClip));
        {
            Answerer answerer; // No
            key(Qt::Key_Delete);
            QCOMPARE(answerer.seen, QStringList{QLatin1String(VideoLibrary::deleteOneBoxName)});
            QVERIFY(answerer.texts.first().contains(QLatin1String("short.mp4")));
        }
        QCOMPARE(list()->count(), 2);
        {
            Answerer answerer;
            answerer.button = QMessageBox::Yes;
            key(Qt::Key_Delete);
        }
        QCOMPARE(list()->count(), 1);
        QCOMPARE(window->videoLibrary()->rowOfPath(shortClip), -1);
    }

    void fileOpenedAgainIsSelectedNotAdded()
    {
        QVERIFY(import({clip, QDir(clipDir).filePath(QStringLiteral("./long.mp4")), clip}));
        QCOMPARE(list()->count(), 1);
        QCOMPARE(list()->currentRow(), 0);
        QVERIFY(import({shortClip, shortClip}));
        QCOMPARE(list()->count(), 2);
    }

    void aFileWithoutVideoSaysSo()
    {
        // Sound alone (the player loads it), and data alone (the player gives it up): after a
        // picture, neither leaves it on screen, and the window says why there is none.
        ClipOptions sound;
        sound.seconds = 3;
        const QString voice = makeClip(clipDir, QStringLiteral("voice.m4a"), sound);
        const QString data = QDir(clipDir).filePath(QStringLiteral("data.mp4"));
        QFile subtitles(QDir(clipDir).filePath(QStringLiteral("data.srt")));
        QVERIFY(subtitles.open(QIODevice::WriteOnly));
        subtitles.write("1\n00:00:00,000 --> 00:00:02,000\n$GPRMC\n");
        subtitles.close();
        QCOMPARE(QProcess::execute(ffmpegProgram(), {"-y", "-loglevel", "error", "-i",
                                                     subtitles.fileName(), "-c:s", "mov_text", data}),
                 0);
        QVERIFY(import({voice, data}));
        const auto litShare = [this] {
            auto *channel = form()->findChild<MpvWidget *>(QStringLiteral("live01Widget"));
            const QRect area(channel->mapToGlobal(QPoint(0, 0)), channel->size());
            const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).copy(area).toImage();
            int lit = 0, all = 0;
            for (int y = 0; y < shot.height(); y += 4)
                for (int x = 0; x < shot.width(); x += 4, ++all)
                    lit += qGray(shot.pixel(x, y)) > 40;
            return double(lit) / qMax(1, all);
        };
        const auto toastSays = [](const QString &text) {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->inherits("Toast") && w->isVisible()
                    && w->findChild<QLabel *>()->text().contains(text))
                    return true;
            return false;
        };
        for (const QString &path : {voice, data}) {
            open(clip);
            QTRY_VERIFY_WITH_TIMEOUT(litShare() > 0.2, 10000);
            const int row = window->videoLibrary()->rowOfPath(path);
            list()->setCurrentRow(row);
            QMetaObject::invokeMethod(window, "ItemDoubleClicked",
                                      Q_ARG(QListWidgetItem *, list()->item(row)));
            const QString name = QFileInfo(path).fileName();
            QTRY_VERIFY_WITH_TIMEOUT(toastSays(QStringLiteral("No video stream in ") + name), 20000);
            QTRY_VERIFY2_WITH_TIMEOUT(litShare() < 0.01, qPrintable(name), 10000);
        }
    }
};

ZEVIDUD_GUI_TEST_MAIN(TestKeys)
#include "test_keys.moc"
