// MpvWidget against the real libmpv under Xvfb, on clips ffmpeg makes at test time.
#include "clipmaker.h"
#include "mpvwidget.h"
#include "roundtrip.h"

#include <QDir>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QWindow>
#include <QtTest>

#include <cmath>

class TestMpvWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void constructionSetsOptionsAndProperties();
    void durationAndWholeSecondPositions();
    void fileSignalsInOrder();
    void pauseSignalOnlyOnTransition();
    void propertiesCommandsAndErrors();
    void panDragAndDoubleClick();
    void screenshotIsAsyncPng();
    void seekLandsOnRequestedSecond_data();
    void seekLandsOnRequestedSecond();
    void pictureDrawnIntoNativeSurface();
    void hiddenPictureKeepsPlaying();

private:
    void load(const QString &path, bool paused);
    void sendMouse(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held);
    QString clipDir;
    QString mp4, mov, ts;
    QWidget *parent = nullptr;
    MpvWidget *w = nullptr;
};

void TestMpvWidget::initTestCase()
{
    clipDir = QDir::current().filePath(QStringLiteral("clips"));
    mp4 = makeClip(clipDir, "clip.mp4", {});
    ClipOptions shortClip;
    shortClip.seconds = 3;
    mov = makeClip(clipDir, "clip.mov", shortClip);
    // Keyframes every 2 s, as dashboard cameras write them: an inexact transport-stream seek
    // lands on the next keyframe, far from its target.
    ClipOptions longGop;
    longGop.seconds = 10;
    longGop.gop = 60;
    ts = makeClip(clipDir, "clip.ts", longGop);
    QVERIFY(!mp4.isEmpty() && !mov.isEmpty() && !ts.isEmpty());
}

void TestMpvWidget::init()
{
    parent = new QWidget;
    parent->resize(320, 240);
    w = new MpvWidget(parent);
    w->setGeometry(0, 0, 320, 240);
    parent->show();
    QVERIFY(QTest::qWaitForWindowExposed(parent));
}

void TestMpvWidget::cleanup()
{
    delete parent;
    parent = nullptr;
    w = nullptr;
}

void TestMpvWidget::load(const QString &path, bool paused)
{
    // Wait for the first frame, so that a later restart can only come from a later seek.
    QSignalSpy restarted(w, &MpvWidget::playbackRestarted);
    w->setMpvProperty("pause", paused);
    w->command(QVariantList{"loadfile", path});
    QVERIFY(restarted.wait(20000));
}

void TestMpvWidget::sendMouse(QEvent::Type type, QPoint pos, Qt::MouseButton button,
                              Qt::MouseButtons held)
{
    QMouseEvent event(type, pos, w->mapToGlobal(pos), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

void TestMpvWidget::constructionSetsOptionsAndProperties()
{
    QCOMPARE(w->sizeHint(), QSize(960, 540));
    QCOMPARE(w->mpvProperty("screenshot-format").toString(), QString("png"));
    QCOMPARE(w->mpvProperty("screenshot-template").toString(), QString("screenshot-%02n"));
    QCOMPARE(w->mpvProperty("osd-font-size").toLongLong(), 28LL);
    QCOMPARE(w->mpvProperty("osd-duration").toLongLong(), 2000LL);
    QCOMPARE(w->mpvProperty("osd-border-size").toDouble(), 2.0);
    QVERIFY(qAbs(w->mpvProperty("osd-bar-h").toDouble() - 2.8) < 1e-6);
    QCOMPARE(w->mpvProperty("osd-font").toString(), QString("STZhongsong"));
    QCOMPARE(w->mpvProperty("access-references").toBool(), false);
    QCOMPARE(w->mpvProperty("loop-file"), QVariant(false));
    QCOMPARE(w->mpvProperty("gpu-hwdec-interop").toString(), QString("no"));
    QVERIFY(w->mpvProperty("idle-active").toBool());
    QVERIFY(!w->osdInfoShown());
    w->setOsdInfoShown(true);
    QVERIFY(w->osdInfoShown());
}

void TestMpvWidget::durationAndWholeSecondPositions()
{
    QSignalSpy duration(w, &MpvWidget::durationChanged);
    QSignalSpy position(w, &MpvWidget::positionChanged);
    QSignalSpy ended(w, &MpvWidget::mpv_on_END_FILE);
    QSignalSpy frames(w, &MpvWidget::framePositionChanged);
    QVERIFY(std::isnan(w->reportedTimePos()) && std::isnan(w->reportedDuration()));
    load(mp4, false);
    QTRY_VERIFY_WITH_TIMEOUT(w->reportedTimePos() > 1.0, 10000);
    QCOMPARE(w->reportedDuration(), w->mpvProperty("duration").toDouble());
    QVERIFY(ended.wait(30000));
    // Unrounded positions, one per frame shown, rising through the whole clip; none once the
    // file is gone.
    QVERIFY2(frames.size() > 100, qPrintable(QString::number(frames.size())));
    for (int i = 1; i < frames.size(); ++i)
        QVERIFY(frames[i].first().toDouble() > frames[i - 1].first().toDouble());
    QVERIFY(frames.last().first().toDouble() > 4.9);
    QTRY_VERIFY(std::isnan(w->reportedTimePos()));
    QVERIFY(!duration.isEmpty());
    QCOMPARE(duration.last().first().toInt(), 5);
    QList<int> seconds;
    for (const auto &args : qAsConst(position))
        seconds << args.first().toInt();
    // One signal per whole second, in order, not one per frame.
    QVERIFY2(seconds.size() >= 5 && seconds.size() <= 6, qPrintable(QString::number(seconds.size())));
    for (int i = 0; i < seconds.size(); ++i)
        QCOMPARE(seconds[i], i);
}

void TestMpvWidget::fileSignalsInOrder()
{
    QStringList order;
    connect(w, &MpvWidget::mpv_on_START_FILE, this, [&] { order << "start"; });
    connect(w, &MpvWidget::mpv_on_FILE_LOADED, this, [&] { order << "loaded"; });
    connect(w, &MpvWidget::playbackRestarted, this, [&] { order << "restart"; });
    connect(w, &MpvWidget::mpv_on_END_FILE, this, [&] { order << "end"; });
    // A paused load still reports the restart: the channel group relies on it.
    load(mov, true);
    w->command(QVariantList{"stop"});
    QTRY_VERIFY_WITH_TIMEOUT(order.contains("end"), 20000);
    QCOMPARE(order, (QStringList{"start", "loaded", "restart", "end"}));
    QTRY_VERIFY(w->mpvProperty("idle-active").toBool());
}

void TestMpvWidget::pauseSignalOnlyOnTransition()
{
    load(mp4, false);
    QSignalSpy paused(w, &MpvWidget::mpv_on_PAUSE);
    w->setMpvProperty("pause", true);
    QVERIFY(paused.wait(10000));
    w->setMpvProperty("pause", true);
    w->setMpvProperty("volume", 50); // some other change to flush events through
    QTRY_COMPARE(w->mpvProperty("volume").toDouble(), 50.0);
    QVERIFY(playerRoundTrip({w}));
    QCOMPARE(paused.count(), 1);
    QVERIFY(w->reportedPaused());
    w->setMpvProperty("pause", false);
    QTRY_VERIFY(!w->reportedPaused());
    w->setMpvProperty("pause", true);
    QVERIFY(paused.wait(10000));
    QCOMPARE(paused.count(), 2);
}

void TestMpvWidget::propertiesCommandsAndErrors()
{
    w->setMpvProperty("brightness", 20);
    QCOMPARE(w->mpvProperty("brightness").toLongLong(), 20LL);
    w->setVolume(QStringLiteral("0"));
    QCOMPARE(w->mpvProperty("volume").toDouble(), 0.0);
    w->setVolume(75);
    QCOMPARE(w->mpvProperty("volume").toDouble(), 75.0);
    QVERIFY(!w->mpvProperty("no-such-property").isValid());

    const QVariant expanded = w->commandWithResult(QVariantList{"expand-text", "name ${screenshot-template}"});
    QCOMPARE(expanded.toString(), QString("name screenshot-%02n"));
    const QVariant failed = w->commandWithResult(QVariantList{"no-such-command"});
    QVERIFY(mpv::qt::isError(failed));
    QVERIFY(mpv::qt::errorCode(failed) < 0);

    w->setMpvOption("osd-msg1", "hello");
    QCOMPARE(w->mpvProperty("osd-msg1").toString(), QString("hello"));
    // Text beyond Latin-1 (file names from cameras sold in Japan or Russia) arrives intact.
    const QString wide = QStringLiteral("東京_Москва_Straße.mp4");
    w->setMpvOption("osd-msg1", wide);
    QCOMPARE(w->mpvProperty("osd-msg1").toString(), wide);
    w->setMpvOption("osd-font-size", "55");
    QCOMPARE(w->mpvProperty("osd-font-size").toLongLong(), 55LL);
}

void TestMpvWidget::panDragAndDoubleClick()
{
    // A press before the widget has seen any mouse move is ignored: the drag then measures
    // from the initial press point (0, 0).
    sendMouse(QEvent::MouseButtonPress, {100, 50}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(QEvent::MouseMove, {80, 60}, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(w->mpvProperty("video-pan-x").toDouble(), 0.25);
    QCOMPARE(w->mpvProperty("video-pan-y").toDouble(), 0.25);

    // Half the width to the right from a recorded press.
    sendMouse(QEvent::MouseButtonPress, {40, 120}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(QEvent::MouseMove, {200, 120}, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(w->mpvProperty("video-pan-x").toDouble(), 0.5);
    QCOMPARE(w->mpvProperty("video-pan-y").toDouble(), 0.0);

    // Non-accumulating: a second drag sets the pan from its own distance.
    sendMouse(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(QEvent::MouseMove, {100, 40}, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(w->mpvProperty("video-pan-x").toDouble(), 0.0);
    QCOMPARE(w->mpvProperty("video-pan-y").toDouble(), -0.25);

    // Moves without the left button change nothing; a right press records nothing.
    sendMouse(QEvent::MouseMove, {300, 200}, Qt::NoButton, Qt::RightButton);
    QCOMPARE(w->mpvProperty("video-pan-y").toDouble(), -0.25);

    sendMouse(QEvent::MouseButtonDblClick, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(w->mpvProperty("video-pan-x").toDouble(), 0.0);
    QCOMPARE(w->mpvProperty("video-pan-y").toDouble(), 0.0);
}

void TestMpvWidget::screenshotIsAsyncPng()
{
    load(mp4, true);
    QTRY_VERIFY_WITH_TIMEOUT(w->mpvProperty("time-pos").isValid(), 10000);
    const QString shots = QDir::current().filePath("shots");
    QDir().mkpath(shots);
    w->setMpvProperty("screenshot-directory", shots);
    QSignalSpy replied(w, &MpvWidget::commandReplied);
    QVERIFY(w->commandAsync(QVariantList{"screenshot"}, 77));
    QVERIFY(replied.wait(20000));
    QCOMPARE(replied.first().at(0).toULongLong(), 77ULL);
    QCOMPARE(replied.first().at(1).toInt(), 0);
    const QStringList files = QDir(shots).entryList(QDir::Files);
    QCOMPARE(files, QStringList{"screenshot-01.png"});
    QFile png(QDir(shots).filePath(files.first()));
    QVERIFY(png.open(QIODevice::ReadOnly));
    QCOMPARE(png.read(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
}

void TestMpvWidget::seekLandsOnRequestedSecond_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<int>("target");
    QTest::newRow("mp4") << "mp4" << 3;
    QTest::newRow("mov") << "mov" << 2;
    QTest::newRow("ts forward") << "ts" << 3;
    QTest::newRow("ts past keyframe") << "ts" << 5;
    QTest::newRow("ts late") << "ts" << 7;
}

void TestMpvWidget::seekLandsOnRequestedSecond()
{
    QFETCH(QString, which);
    QFETCH(int, target);
    const QString path = which == "mp4" ? mp4 : which == "mov" ? mov : ts;
    load(path, true);
    QSignalSpy restarted(w, &MpvWidget::playbackRestarted);
    QTRY_VERIFY_WITH_TIMEOUT(w->mpvProperty("time-pos").isValid(), 10000);
    restarted.clear();
    w->command(QVariantList{"seek", target, "absolute"});
    QVERIFY(restarted.wait(20000));
    const double pos = w->mpvProperty("time-pos").toDouble();
    // The transport stream starts at a non-zero timestamp; positions are relative to it.
    QVERIFY2(pos >= target - 0.04 && pos <= target + 0.04,
             qPrintable(QString("landed at %1 for %2").arg(pos).arg(target)));

    w->command(QVariantList{"frame-back-step"});
    QTRY_VERIFY_WITH_TIMEOUT(w->mpvProperty("time-pos").toDouble() < pos - 0.01, 20000);
    const double back = w->mpvProperty("time-pos").toDouble();
    QVERIFY2(qAbs((pos - back) - 1.0 / 30) < 0.01,
             qPrintable(QString("stepped back from %1 to %2").arg(pos).arg(back)));
}

void TestMpvWidget::pictureDrawnIntoNativeSurface()
{
    // The picture has a native window of its own that covers the widget and lets input through;
    // a widget with children of its own is only a container and gets none (it would hide them).
    QWindow *surface = w->surfaceWindow();
    QVERIFY(surface);
    QVERIFY(surface->flags() & Qt::WindowTransparentForInput);
    QTRY_VERIFY(surface->isExposed());
    QCOMPARE(surface->size(), w->size());
    w->resize(200, 100);
    QTRY_COMPARE(surface->size(), QSize(200, 100));

    QWidget holder;
    auto *container = new MpvWidget(&holder);
    auto *inside = new QWidget(container);
    holder.show();
    QVERIFY(QTest::qWaitForWindowExposed(&holder));
    QVERIFY(!container->surfaceWindow());
    QVERIFY(inside->isVisible());

    // One picture per frame while playing (a late frame may be dropped on a loaded machine).
    load(mp4, false);
    QSignalSpy rendered(w, &MpvWidget::frameRendered);
    const double from = w->mpvProperty("time-pos").toDouble();
    QTRY_VERIFY_WITH_TIMEOUT(w->mpvProperty("time-pos").toDouble() - from >= 1.0, 10000);
    const int frames = qRound((w->mpvProperty("time-pos").toDouble() - from) * ClipOptions().fps);
    QVERIFY2(rendered.size() * 2 >= frames && rendered.size() * 2 <= frames * 3,
             qPrintable(QString("%1 pictures for %2 frames").arg(rendered.size()).arg(frames)));
}

void TestMpvWidget::hiddenPictureKeepsPlaying()
{
    // A picture not on screen (a hidden view, a minimised window) is rendered unseen: libmpv
    // waits for each frame to be rendered and would otherwise crawl at one frame per 200 ms.
    load(mp4, true);
    w->hide();
    QTRY_VERIFY(!w->surfaceWindow()->isExposed());
    QSignalSpy rendered(w, &MpvWidget::frameRendered);
    const double start = w->mpvProperty("time-pos").toDouble();
    w->setMpvProperty("pause", false);
    // At that crawl a second of the clip would take five; at its own pace it takes one.
    QTRY_VERIFY_WITH_TIMEOUT(w->mpvProperty("time-pos").toDouble() - start >= 1.0, 3500);
    QVERIFY(rendered.size() * 2 >= ClipOptions().fps);
}

QTEST_MAIN(TestMpvWidget)
#include "test_mpvwidget.moc"
