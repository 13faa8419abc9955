// The channel forms on real libmpv: relay from channel 1 only, fan-out of every operation,
// volume rules, the view cycles, screenshots, and channels kept in step.
#include "channelgroup.h"
#include "clipmaker.h"
#include "live1form.h"
#include "live2form.h"
#include "live3form.h"
#include "mpvwidget.h"
#include "roundtrip.h"

#include <QBoxLayout>
#include <QDir>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

MpvWidget *ch(QWidget *form, int n)
{
    return form->findChild<MpvWidget *>(QStringLiteral("live0%1Widget").arg(n));
}

double num(MpvWidget *w, const char *name)
{
    return w->mpvProperty(QString::fromLatin1(name)).toDouble();
}

bool paused(MpvWidget *w)
{
    return w->mpvProperty(QStringLiteral("pause")).toBool();
}

// Largest distance of any channel from channel 1 at one instant (seconds).
double spread(ChannelGroup *group)
{
    double worst = 0;
    for (double d : group->measureOffsets())
        if (!std::isnan(d))
            worst = qMax(worst, std::abs(d));
    return worst;
}

// One frame of the clips under test (seconds).
constexpr double frame = 1.0 / 30;

// Channels play in step when the median of readings taken over a while is within one frame and
// none is more than two apart. "time-pos" names the frame a core has queued, up to 50 ms before
// its picture shows, so at a frame change one core may read a frame further on; on a loaded
// machine a late frame adds another for a moment. A drift that is not closed shows in the median.
// Returns what is wrong, or an empty text.
QString stepFault(QVector<double> samples)
{
    if (samples.size() < 5)
        return QStringLiteral("only %1 readings").arg(samples.size());
    std::sort(samples.begin(), samples.end());
    const double median = samples[samples.size() / 2] / frame;
    const double worst = samples.last() / frame;
    if (median <= 1.1 && worst <= 2.1)
        return QString();
    return QStringLiteral("median %1 frames, max %2 frames").arg(median).arg(worst);
}

} // namespace

class TestLiveForms : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void formLayoutsAndTitles();
    void live1RelaysItsChannel();
    void live2RelaysChannelOneOnly();
    void live2EmptySecondPathPlaysChannelOne();
    void everyOperationReachesEveryChannel();
    void volumeRules();
    void live2ViewCycle();
    void live2ChannelTwoKeepsItsVolume();
    void live3ViewCycle();
    void live2SeekInViewTwo();
    void screenshotOnePngPerChannel();
    void channelsStartAndSeekInStep();
    void watchdogBringsStrayChannelBack();
    void watchdogPullsSmallDriftBackWithoutSeeking();
    void resumeRealignsChannelsPausedApart();
    void stopAtEndHoldsLastFramesAndPlaysAgain();
    void fileNamesBeyondLatin1ReachThePlayer();
    void driveContinuesAcrossClipsInStep();
    void queueSurvivesSeeksAndCancels();
    void reopeningBeforeEventsAreReadStaysPut();
    void hiddenChannelFollowsTheDrive();

private:
    template<typename Form>
    void waitStarted(Form *form, int channels);
    QString a, b, c, shortClip;
    QStringList sameContainer; // one recording's three cameras write the same format
    QVector<QStringList> drive; // drive[clip][channel]: three consecutive 3 s recordings
};

void TestLiveForms::initTestCase()
{
    const QString dir = QDir::current().filePath(QStringLiteral("clips"));
    ClipOptions o;
    o.seconds = 8;
    a = makeClip(dir, "20200101_120000_0001A.mp4", o);
    b = makeClip(dir, "20200101_120000_0001B.mov", o);
    c = makeClip(dir, "20200101_120000_0001C.ts", o);
    ClipOptions s;
    s.seconds = 3;
    shortClip = makeClip(dir, "short.mp4", s);
    QVERIFY(!a.isEmpty() && !b.isEmpty() && !c.isEmpty() && !shortClip.isEmpty());
    // Long enough for the watchdog to measure and close a drift before the recording ends.
    ClipOptions longer = o;
    longer.seconds = 25;
    for (const char *name : {"20200101_130000_0002A.mp4", "20200101_130000_0002B.mp4",
                             "20200101_130000_0002C.mp4"})
        sameContainer << makeClip(dir, name, longer);
    QVERIFY(!sameContainer.contains(QString()));
    ClipOptions clip = o;
    clip.seconds = 3;
    clip.gop = 30;
    for (int n = 1; n <= 3; ++n) {
        QStringList channels;
        for (const char *camera : {"A", "B", "C"})
            channels << makeClip(dir, QStringLiteral("20200101_1400%1_000%2%3.mp4")
                                          .arg(n * 3, 2, 10, QLatin1Char('0')).arg(n).arg(camera),
                                 clip);
        QVERIFY(!channels.contains(QString()));
        drive << channels;
    }
}

template<typename Form>
void TestLiveForms::waitStarted(Form *form, int channels)
{
    ChannelGroup *group = form->channelGroup();
    QTRY_VERIFY_WITH_TIMEOUT(!group->isHolding(), 20000);
    for (int i = 1; i <= channels; ++i)
        QTRY_VERIFY_WITH_TIMEOUT(ch(form, i)->mpvProperty("time-pos").isValid(), 20000);
}

void TestLiveForms::formLayoutsAndTitles()
{
    Live1Form f1;
    Live2Form f2;
    Live3Form f3;
    QCOMPARE(f1.size(), QSize(673, 477));
    QCOMPARE(f2.size(), QSize(850, 381));
    QCOMPARE(f3.size(), QSize(752, 417));
    QCOMPARE(f1.windowTitle(), QString("Form"));
    QVERIFY(f1.findChild<QVBoxLayout *>("verticalLayout"));
    auto *h2 = f2.findChild<QHBoxLayout *>("horizontalLayout");
    QVERIFY(h2);
    QCOMPARE(h2->spacing(), 0);
    QCOMPARE(h2->itemAt(0)->widget(), ch(&f2, 1));
    QCOMPARE(h2->itemAt(1)->widget(), ch(&f2, 2));
    QWidget *top = f3.findChild<QWidget *>("topWidget");
    QWidget *bottom = f3.findChild<QWidget *>("buttonWidget");
    QVERIFY(top && bottom);
    QCOMPARE(ch(&f3, 1)->parentWidget(), top);
    QCOMPARE(ch(&f3, 2)->parentWidget(), top);
    QCOMPARE(ch(&f3, 3)->parentWidget(), bottom);
    QVERIFY(f3.findChild<QVBoxLayout *>("verticalLayout_2"));
    QCOMPARE(f3.viewState(), 0);
}

void TestLiveForms::live1RelaysItsChannel()
{
    Live1Form form;
    form.show();
    QSignalSpy duration(&form, &LiveForm::LiveDuration);
    QSignalSpy position(&form, &LiveForm::LivePositionChanged);
    QSignalSpy started(&form, &LiveForm::LiveStartFile);
    QSignalSpy loaded(&form, &LiveForm::LiveFileLoaded);
    QSignalSpy pausedSpy(&form, &LiveForm::LivePause);
    QSignalSpy ended(&form, &LiveForm::LiveEndFile);
    QVERIFY(form.isIdle());
    form.play(shortClip);
    QVERIFY(ended.wait(30000));
    QCOMPARE(started.count(), 1);
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(duration.last().first().toInt(), 3);
    QVERIFY(position.count() >= 3);
    QCOMPARE(position.first().first().toInt(), 0);

    form.play(shortClip);
    waitStarted(&form, 1);
    QVERIFY(!form.isPaused());
    QTRY_VERIFY(!ch(&form, 1)->reportedPaused());
    pausedSpy.clear();
    form.setPlaying(false);
    QVERIFY(pausedSpy.wait(10000));
    QVERIFY(form.isPaused());

    QVERIFY(!form.osdInfoShown());
    form.setOsdInfoShown(true);
    QVERIFY(form.osdInfoShown());
    form.setMpvOption("osd-msg1", "info");
    QCOMPARE(ch(&form, 1)->mpvProperty("osd-msg1").toString(), QString("info"));
    QCOMPARE(form.commandWithResult(QVariantList{"expand-text", "${filename}"}).toString(),
             QString("short.mp4"));
    QVERIFY(mpv::qt::isError(form.commandWithResult(QVariantList{"bogus"})));
    form.stop();
    QTRY_VERIFY_WITH_TIMEOUT(form.isIdle(), 10000);
}

void TestLiveForms::live2RelaysChannelOneOnly()
{
    Live2Form form;
    form.show();
    QSignalSpy duration(&form, &LiveForm::LiveDuration);
    QSignalSpy position(&form, &LiveForm::LivePositionChanged);
    QSignalSpy started(&form, &LiveForm::LiveStartFile);
    // Channel 2 gets the short clip: its duration (3) and its end must never be relayed.
    form.play(a, shortClip);
    waitStarted(&form, 2);
    QTRY_VERIFY_WITH_TIMEOUT(!duration.isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(ch(&form, 2)->mpvProperty("idle-active").toBool(), 20000);
    for (const auto &args : qAsConst(duration))
        QCOMPARE(args.first().toInt(), 8);
    QCOMPARE(started.count(), 1);

    // View 2: channel 1 is paused, channel 2 plays alone and drives the time label: its
    // positions are relayed, and pause and play act on it alone.
    form.play(a, b);
    waitStarted(&form, 2);
    form.switchView();
    form.switchView();
    QCOMPARE(form.viewState(), 2);
    QTRY_VERIFY(paused(ch(&form, 1)));
    QTRY_VERIFY(!paused(ch(&form, 2)));
    QVERIFY(!form.isPaused());
    position.clear();
    QVERIFY(position.wait(3000));
    QVERIFY(qAbs(position.last().first().toInt() - num(ch(&form, 2), "time-pos")) <= 1.0);
    form.setPlaying(false);
    QTRY_VERIFY(paused(ch(&form, 2)));
    QVERIFY(form.isPaused());
    form.setPlaying(true);
    QTRY_VERIFY(!paused(ch(&form, 2)));
    QVERIFY(playerRoundTrip({ch(&form, 1), ch(&form, 2)}));
    QVERIFY(paused(ch(&form, 1))); // the hidden channel stays paused

    // A view change of a paused recording keeps it paused.
    form.setPlaying(false);
    QTRY_VERIFY(form.isPaused());
    form.switchView(); // 2 -> 0, both on screen
    QCOMPARE(form.viewState(), 0);
    QVERIFY(playerRoundTrip({ch(&form, 1), ch(&form, 2)}));
    QVERIFY(paused(ch(&form, 1)) && paused(ch(&form, 2)));
    QVERIFY(form.isPaused());
}

void TestLiveForms::live2EmptySecondPathPlaysChannelOne()
{
    Live2Form form;
    form.show();
    QSignalSpy position(&form, &LiveForm::LivePositionChanged);
    form.play(a, QString());
    QVERIFY(position.wait(20000));
    QTRY_VERIFY_WITH_TIMEOUT(!form.channelGroup()->isHolding(), 20000);
    QVERIFY(!form.isPaused());
    QVERIFY(ch(&form, 2)->mpvProperty("idle-active").toBool());
    QTRY_VERIFY_WITH_TIMEOUT(num(ch(&form, 1), "time-pos") > 1.0, 20000);
}

void TestLiveForms::everyOperationReachesEveryChannel()
{
    Live3Form form;
    form.show();
    form.play(a, b, c);
    waitStarted(&form, 3);

    form.setBrightness(10);
    form.setContrast(-5);
    form.setSaturation(20);
    form.setVideoZoom(2);
    form.setSpeed(1.5);
    for (int i = 1; i <= 3; ++i) {
        MpvWidget *w = ch(&form, i);
        QCOMPARE(num(w, "brightness"), 10.0);
        QCOMPARE(num(w, "contrast"), -5.0);
        QCOMPARE(num(w, "saturation"), 20.0);
        QCOMPARE(num(w, "video-zoom"), 2.0);
        QCOMPARE(num(w, "speed"), 1.5);
    }
    QCOMPARE(form.videoZoom().toDouble(), 2.0);
    form.setSpeed(1.0);

    form.setPlaying(false);
    QVERIFY(form.isPaused());
    for (int i = 1; i <= 3; ++i)
        QVERIFY(paused(ch(&form, i)));

    form.seekTo(4);
    QTRY_VERIFY_WITH_TIMEOUT(!form.channelGroup()->isHolding(), 20000);
    QVERIFY(form.isPaused()); // a seek keeps the paused state
    for (int i = 1; i <= 3; ++i) {
        QVERIFY(paused(ch(&form, i)));
        QTRY_VERIFY2_WITH_TIMEOUT(std::abs(num(ch(&form, i), "time-pos") - 4.0) < 0.05,
                                  qPrintable(QString("channel %1 at %2").arg(i).arg(num(ch(&form, i), "time-pos"))),
                                  10000);
    }
    QVector<double> before;
    for (int i = 1; i <= 3; ++i)
        before << num(ch(&form, i), "time-pos");
    form.frameStep();
    for (int i = 1; i <= 3; ++i)
        QTRY_VERIFY_WITH_TIMEOUT(num(ch(&form, i), "time-pos") > before[i - 1] + 0.02, 10000);
    form.frameBackStep();
    for (int i = 1; i <= 3; ++i)
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(num(ch(&form, i), "time-pos") - before[i - 1]) < 0.01,
                                 10000);
    QVERIFY(form.isPaused());

    form.setPlaying(true);
    QTRY_VERIFY_WITH_TIMEOUT(!paused(ch(&form, 1)) && !paused(ch(&form, 2)) && !paused(ch(&form, 3)),
                             10000);
    QVERIFY(!form.isPaused());
    form.stop();
    for (int i = 1; i <= 3; ++i)
        QTRY_VERIFY_WITH_TIMEOUT(ch(&form, i)->mpvProperty("idle-active").toBool(), 10000);
    QVERIFY(form.isIdle());
}

void TestLiveForms::volumeRules()
{
    Live3Form three;
    three.show();
    three.play(a, b, c);
    three.setVolume(60);
    QCOMPARE(num(ch(&three, 1), "volume"), 60.0);
    QCOMPARE(num(ch(&three, 2), "volume"), 0.0);
    QCOMPARE(num(ch(&three, 3), "volume"), 0.0);
    three.stop();

    Live2Form two;
    two.show();
    two.setVolume(45);
    two.play(a, b);
    // play keeps channel 1's volume and mutes channel 2
    QCOMPARE(num(ch(&two, 1), "volume"), 45.0);
    QCOMPARE(num(ch(&two, 2), "volume"), 0.0);
    waitStarted(&two, 2);
    two.switchView();
    two.switchView();
    QCOMPARE(two.viewState(), 2);
    QCOMPARE(num(ch(&two, 2), "volume"), 45.0); // took channel 1's volume when unpaused
    two.setVolume(30);
    QCOMPARE(num(ch(&two, 2), "volume"), 30.0);
    QCOMPARE(num(ch(&two, 1), "volume"), 45.0);
    two.stop();
}

void TestLiveForms::live2ViewCycle()
{
    Live2Form form;
    form.show();
    form.setVolume(50);
    form.play(a, b);
    waitStarted(&form, 2);
    MpvWidget *c1 = ch(&form, 1), *c2 = ch(&form, 2);

    form.switchView(); // 0 -> 1
    QCOMPARE(form.viewState(), 1);
    QVERIFY(!c1->isHidden() && c2->isHidden());
    QVERIFY(!paused(c1) && paused(c2));
    QCOMPARE(num(c2, "volume"), 0.0);

    form.switchView(); // 1 -> 2
    QCOMPARE(form.viewState(), 2);
    QVERIFY(c1->isHidden() && !c2->isHidden());
    QVERIFY(paused(c1) && !paused(c2));
    QCOMPARE(num(c2, "volume"), 50.0);

    // The information text goes to the picture on screen, channel 2 here.
    form.setOsdInfoShown(true);
    form.setMpvOption("osd-msg1", "shown");
    QVERIFY(form.osdInfoShown());
    QVERIFY(c2->osdInfoShown() && !c1->osdInfoShown());
    QCOMPARE(c2->mpvProperty("osd-msg1").toString(), QString("shown"));
    QCOMPARE(c1->mpvProperty("osd-msg1").toString(), QString());
    QCOMPARE(form.commandWithResult(QVariantList{"expand-text", "${filename}"}).toString(),
             QFileInfo(b).fileName());
    form.setMpvOption("osd-msg1", QString());
    form.setOsdInfoShown(false);
    QCOMPARE(c2->mpvProperty("osd-msg1").toString(), QString());

    form.switchView(); // 2 -> 0
    QCOMPARE(form.viewState(), 0);
    QVERIFY(!c1->isHidden() && !c2->isHidden());
    QVERIFY(!paused(c1) && !paused(c2));
    QCOMPARE(num(c1, "volume"), 50.0);
    QCOMPARE(num(c2, "volume"), 0.0);
    form.stop();
}

void TestLiveForms::live2ChannelTwoKeepsItsVolume()
{
    Live2Form form;
    form.show();
    form.setVolume(50);
    form.play(a, b);
    waitStarted(&form, 2);
    form.switchView(); // view 1: channel 2 paused and muted
    form.setPlaying(true); // plays what is on screen only: channel 2 stays paused
    QTRY_VERIFY(!paused(ch(&form, 1)));
    QVERIFY(playerRoundTrip({ch(&form, 1), ch(&form, 2)}));
    QVERIFY(paused(ch(&form, 2)));
    form.switchView(); // view 2: channel 2 starts with channel 1's volume
    QTRY_VERIFY(!paused(ch(&form, 2)));
    QCOMPARE(num(ch(&form, 2), "volume"), 50.0);
    QVERIFY(paused(ch(&form, 1)));
    form.stop();
}

void TestLiveForms::live3ViewCycle()
{
    Live3Form form;
    form.show();
    form.setVolume(70);
    form.play(a, b, c);
    waitStarted(&form, 3);
    MpvWidget *w[3] = {ch(&form, 1), ch(&form, 2), ch(&form, 3)};
    QWidget *top = form.findChild<QWidget *>("topWidget");
    QWidget *bottom = form.findChild<QWidget *>("buttonWidget");

    struct Step
    {
        bool shown[3];
        bool topShown, bottomShown;
        bool playing[3];
        double volume[3];
    };
    const Step steps[] = {
        {{true, false, false}, true, false, {true, false, false}, {70, 0, 0}},
        {{false, true, false}, true, false, {false, true, false}, {70, 70, 0}},
        {{false, false, true}, false, true, {false, false, true}, {70, 70, 70}},
        {{true, true, true}, true, true, {true, true, true}, {70, 0, 0}},
    };
    for (int s = 0; s < 4; ++s) {
        form.switchView();
        QCOMPARE(form.viewState(), (s + 1) % 4);
        const Step &e = steps[s];
        QCOMPARE(top->isHidden(), !e.topShown);
        QCOMPARE(bottom->isHidden(), !e.bottomShown);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(w[i]->isHidden(), !e.shown[i]);
            QCOMPARE(paused(w[i]), !e.playing[i]);
            QCOMPARE(form.channelGroup()->isChannelPaused(i), !e.playing[i]);
            QCOMPARE(num(w[i], "volume"), e.volume[i]);
        }
    }
    // Back in view 0 with every channel playing: the watchdog pulls them into step again.
    QTRY_VERIFY_WITH_TIMEOUT(
        !form.channelGroup()->isHolding() && spread(form.channelGroup()) < 1.5 * frame, 20000);
    form.stop();
}

void TestLiveForms::live2SeekInViewTwo()
{
    Live2Form form;
    form.show();
    form.play(a, b);
    waitStarted(&form, 2);
    form.switchView();
    form.switchView();
    QSignalSpy position(&form, &LiveForm::LivePositionChanged);
    form.seekTo(5);
    QTRY_VERIFY_WITH_TIMEOUT(!form.channelGroup()->isHolding(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!position.isEmpty() && position.last().first().toInt() == 5, 10000);
    QVERIFY(paused(ch(&form, 1))); // channel 1 stays paused in view 2
    QCOMPARE(std::floor(num(ch(&form, 1), "time-pos")), 5.0);
    QVERIFY(!paused(ch(&form, 2)));
    QVERIFY(num(ch(&form, 2), "time-pos") >= 4.99);
    form.stop();
}

void TestLiveForms::screenshotOnePngPerChannel()
{
    Live3Form form;
    form.show();
    form.play(a, b, c);
    waitStarted(&form, 3);
    form.setPlaying(false);
    const QString folder = QDir::current().filePath("captures");
    QDir().mkpath(folder);
    QSignalSpy finished(form.channelGroup(), &ChannelGroup::screenshotsFinished);
    form.screenshot(folder);
    form.setPlaying(true); // as the window does right after; held until the last picture
    QVERIFY(form.channelGroup()->isHolding());
    QVERIFY(finished.wait(30000));
    QCOMPARE(QDir(folder).entryList(QDir::Files),
             (QStringList{"screenshot-01.png", "screenshot-02.png", "screenshot-03.png"}));
    for (int i = 1; i <= 3; ++i)
        QCOMPARE(ch(&form, i)->mpvProperty("screenshot-directory").toString(), folder);
    QTRY_VERIFY_WITH_TIMEOUT(!paused(ch(&form, 1)) && !paused(ch(&form, 3)), 10000);
    // A second capture continues the numbering.
    form.screenshot(folder);
    QVERIFY(finished.wait(30000));
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 6);
    QVERIFY(QFileInfo::exists(QDir(folder).filePath("screenshot-06.png")));
    form.stop();
}

void TestLiveForms::channelsStartAndSeekInStep()
{
    Live3Form form;
    form.show();
    ChannelGroup *group = form.channelGroup();
    form.play(sameContainer[0], sameContainer[1], sameContainer[2]);
    waitStarted(&form, 3);
    auto checkInStep = [&](const char *when) {
        // About a second of playback, read at the position ticks.
        QSignalSpy tick(&form, &LiveForm::LivePositionChanged);
        QVector<double> samples;
        for (int i = 0; i < 12; ++i) {
            tick.wait(100);
            if (!group->isHolding())
                samples << spread(group);
        }
        const QString fault = stepFault(samples);
        QVERIFY2(fault.isEmpty(), qPrintable(QString("%1: %2").arg(when, fault)));
    };
    checkInStep("start");
    form.seekTo(2);
    QTRY_VERIFY_WITH_TIMEOUT(!group->isHolding(), 20000);
    QVERIFY(!form.isPaused());
    checkInStep("after seek");
    form.setPlaying(false);
    form.setPlaying(true);
    checkInStep("after pause and resume");
    form.stop();
}

void TestLiveForms::watchdogBringsStrayChannelBack()
{
    Live3Form form;
    form.show();
    ChannelGroup *group = form.channelGroup();
    form.play(sameContainer[0], sameContainer[1], sameContainer[2]);
    waitStarted(&form, 3);
    const int before = group->resyncCount();
    // Knock channel 2 half a second ahead behind the group's back.
    const double pos = num(ch(&form, 2), "time-pos");
    ch(&form, 2)->command(QVariantList{"seek", pos + 0.5, "absolute+exact"});
    QTRY_VERIFY_WITH_TIMEOUT(spread(group) > 0.2, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(group->resyncCount() > before, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!group->isHolding() && spread(group) <= 1.1 * frame, 20000);
    QVERIFY(!form.isPaused());
    form.stop();
}

void TestLiveForms::watchdogPullsSmallDriftBackWithoutSeeking()
{
    Live3Form form;
    form.show();
    ChannelGroup *group = form.channelGroup();
    form.play(sameContainer[0], sameContainer[1], sameContainer[2]);
    waitStarted(&form, 3);
    const int resyncsBefore = group->resyncCount();
    const int nudgesBefore = group->nudgeCount();
    // Three frames ahead: too little for a re-seek, far too much to leave.
    const double pos = num(ch(&form, 3), "time-pos");
    ch(&form, 3)->command(QVariantList{"seek", pos + 0.1, "absolute+exact"});
    QTRY_VERIFY_WITH_TIMEOUT(spread(group) > 0.05, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(group->nudgeCount() > nudgesBefore, 5000);
    // Speed pulses close the gap: readings settle within a frame and the watchdog's own
    // sub-frame estimate within a third of one, with every channel playing throughout.
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(group->frameClockOffsets().value(2, 1.0)) < frame / 3,
                             15000);
    QSignalSpy tick(&form, &LiveForm::LivePositionChanged);
    QVector<double> samples;
    for (int i = 0; i < 12; ++i) {
        tick.wait(100);
        samples << spread(group);
    }
    const QString fault = stepFault(samples);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QCOMPARE(group->resyncCount(), resyncsBefore);
    QVERIFY(!form.isPaused() && !paused(ch(&form, 2)) && !paused(ch(&form, 3)));
    // Pulses end by themselves: every channel comes back to the group's speed (on a loaded
    // machine the watchdog may start another short pulse meanwhile, which ends as well).
    const auto atGroupSpeed = [&] {
        for (int i = 1; i <= 3; ++i)
            if (!qFuzzyCompare(num(ch(&form, i), "speed"), 1.0))
                return false;
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(atGroupSpeed(), 5000);
    form.stop();
}

void TestLiveForms::resumeRealignsChannelsPausedApart()
{
    Live3Form form;
    form.show();
    ChannelGroup *group = form.channelGroup();
    form.play(sameContainer[0], sameContainer[1], sameContainer[2]);
    waitStarted(&form, 3);
    form.setPlaying(false);
    // Channel 2 stops three frames away, as a core that took the pause late would.
    const double pos = num(ch(&form, 1), "time-pos");
    ch(&form, 2)->command(QVariantList{"seek", pos + 0.1, "absolute+exact"});
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(num(ch(&form, 2), "time-pos") - pos) > 0.05, 5000);
    QSignalSpy released(group, &ChannelGroup::released);
    form.setPlaying(true);
    QVERIFY(group->isHolding()); // sought back first, released together
    QVERIFY(!form.isPaused());
    QVERIFY(released.wait(20000));
    QVERIFY(!paused(ch(&form, 1)) && !paused(ch(&form, 2)) && !paused(ch(&form, 3)));
    // In step from the first readings, before the watchdog could have done anything: a
    // reading every frame and a half.
    QVector<double> samples;
    for (int i = 0; i < 7; ++i) {
        QTest::qWait(qRound(1500 * frame));
        samples << spread(group);
    }
    const QString fault = stepFault(samples);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    form.stop();
}

void TestLiveForms::fileNamesBeyondLatin1ReachThePlayer()
{
    ClipOptions o;
    o.seconds = 2;
    o.width = 160;
    o.height = 120;
    const QString name = QStringLiteral("東京_Москва_Straße.mp4");
    const QString wide = makeClip(QDir::current().filePath(QStringLiteral("wide")), name, o);
    QVERIFY(!wide.isEmpty());
    Live1Form form;
    form.show();
    form.play(wide);
    waitStarted(&form, 1);
    QCOMPARE(ch(&form, 1)->mpvProperty("path").toString(), wide);
    const QString expanded =
        form.commandWithResult(QVariantList{"expand-text", "${filename}"}).toString();
    QCOMPARE(expanded, name);
    // And the information text with it shows as it is.
    form.setOsdInfoShown(true);
    form.setMpvOption("osd-msg1", expanded);
    QCOMPARE(ch(&form, 1)->mpvProperty("osd-msg1").toString(), name);
    form.stop();
}

void TestLiveForms::stopAtEndHoldsLastFramesAndPlaysAgain()
{
    Live2Form form;
    form.show();
    form.setStopAtEnd(true);
    QSignalSpy ended(&form, &LiveForm::LiveEndFile);
    QSignalSpy pausedSpy(&form, &LiveForm::LivePause);
    form.play(shortClip, shortClip);
    waitStarted(&form, 2);
    QTRY_VERIFY_WITH_TIMEOUT(form.atEnd(), 20000);
    // Both channels keep their file and its last frame; nothing went black or idle.
    for (int i = 1; i <= 2; ++i) {
        QTRY_VERIFY_WITH_TIMEOUT(paused(ch(&form, i)), 10000);
        QVERIFY(!ch(&form, i)->mpvProperty("idle-active").toBool());
        QVERIFY(num(ch(&form, i), "time-pos") > 2.5);
    }
    QVERIFY(form.isPaused());
    QVERIFY(!pausedSpy.isEmpty()); // the window hears of it and shows the play icon
    QCOMPARE(ended.count(), 0);

    // Play starts the recording again from its beginning, on every channel.
    form.setPlaying(true);
    QTRY_VERIFY_WITH_TIMEOUT(!form.channelGroup()->isHolding() && !form.isPaused(), 20000);
    QVERIFY(!form.atEnd());
    for (int i = 1; i <= 2; ++i)
        QVERIFY(num(ch(&form, i), "time-pos") < 2.0);
    // And plays to the end again.
    QTRY_VERIFY_WITH_TIMEOUT(form.atEnd(), 20000);

    // Seeking back from the end and playing works as anywhere else.
    form.seekTo(1);
    form.setPlaying(true);
    QTRY_VERIFY_WITH_TIMEOUT(!form.channelGroup()->isHolding() && !form.isPaused(), 20000);
    QVERIFY(num(ch(&form, 1), "time-pos") < 2.5);
}

namespace {

// Frames as each channel shows them: (clip number, position), counted from start-file events so
// that nothing waits for a core while it changes files.
struct FrameTrail
{
    QVector<int> clip;
    QVector<QVector<QPair<int, double>>> frames;

    explicit FrameTrail(LiveForm *form, int channels) : clip(channels, -1), frames(channels)
    {
        for (int i = 0; i < channels; ++i) {
            MpvWidget *w = form->channelGroup()->channel(i);
            QObject::connect(w, &MpvWidget::mpv_on_START_FILE, form, [this, i] { ++clip[i]; });
            QObject::connect(w, &MpvWidget::framePositionChanged, form, [this, i](double pos) {
                frames[i].append({clip[i], pos});
            });
        }
    }
    // Last position shown of `n` and first of `n + 1` on channel i (NaN when never shown).
    QPair<double, double> boundary(int i, int n) const
    {
        double last = NAN, first = NAN;
        for (const auto &f : frames[i]) {
            if (f.first == n)
                last = f.second;
            else if (f.first == n + 1 && std::isnan(first))
                first = f.second;
        }
        return {last, first};
    }
};

} // namespace

void TestLiveForms::driveContinuesAcrossClipsInStep()
{
    Live3Form form;
    form.show();
    form.setStopAtEnd(true);
    ChannelGroup *group = form.channelGroup();
    FrameTrail trail(&form, 3);
    // What the window hears, in order: a new recording, then its duration and position.
    QStringList heard;
    int advances = 0;
    connect(&form, &LiveForm::LiveRecordingAdvanced, this, [&] {
        heard << "advanced";
        ++advances;
        form.setNextRecording(advances + 1 < drive.size() ? drive[advances + 1] : QStringList());
    });
    connect(&form, &LiveForm::LiveDuration, this, [&](int d) { heard << QString("duration %1").arg(d); });
    connect(&form, &LiveForm::LivePositionChanged, this,
            [&](int p) { heard << QString("position %1").arg(p); });
    form.play(drive[0][0], drive[0][1], drive[0][2]);
    form.setNextRecording(drive[1]);
    waitStarted(&form, 3);
    QSignalSpy pausedSpy(&form, &LiveForm::LivePause);

    for (int n = 1; n < drive.size(); ++n) {
        QTRY_VERIFY_WITH_TIMEOUT(advances == n, 15000);
        // Each channel plays its own camera's next clip, none paused, none left behind.
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(ch(&form, i + 1)->mpvProperty("path").toString(), drive[n][i]);
            QVERIFY(!paused(ch(&form, i + 1)));
        }
        QVERIFY(!form.isPaused());
        // In step from the first readings after the boundary, two frames apart.
        QVector<double> samples;
        for (int k = 0; k < 12; ++k) {
            QTest::qWait(qRound(2000 * frame));
            if (!group->isHolding())
                samples << spread(group);
        }
        const QString fault = stepFault(samples);
        QVERIFY2(fault.isEmpty(), qPrintable(QString("clip %1: %2").arg(n).arg(fault)));
    }
    // No next recording after the last: it stops on its last frame and says so once.
    QTRY_VERIFY_WITH_TIMEOUT(form.atEnd(), 15000);
    for (int i = 1; i <= 3; ++i) {
        QTRY_VERIFY_WITH_TIMEOUT(paused(ch(&form, i)), 5000);
        QVERIFY(!ch(&form, i)->mpvProperty("idle-active").toBool());
        QCOMPARE(ch(&form, i)->mpvProperty("path").toString(), drive.last()[i - 1]);
    }
    QCOMPARE(advances, drive.size() - 1);
    QTRY_VERIFY(!pausedSpy.isEmpty());
    QVERIFY(playerRoundTrip({ch(&form, 1), ch(&form, 2), ch(&form, 3)}));
    QCOMPARE(pausedSpy.count(), 1); // the queued clips' paused starts are not pauses

    // Every frame of a clip up to its last was shown, and the next clip began at its start.
    for (int i = 0; i < 3; ++i) {
        for (int n = 0; n + 1 < drive.size(); ++n) {
            const auto b = trail.boundary(i, n);
            QVERIFY2(b.first > 2.9 && b.second < 0.05,
                     qPrintable(QString("channel %1 clip %2: last %3 s, next first %4 s")
                                    .arg(i + 1).arg(n).arg(b.first).arg(b.second)));
        }
    }
    // Each advance is followed by the new recording's first second and its duration (which a
    // core may report a moment after the clip has started).
    QCOMPARE(heard.count("advanced"), 2);
    for (int k = heard.indexOf("advanced"); k >= 0; k = heard.indexOf("advanced", k + 1)) {
        const int end = heard.indexOf("advanced", k + 1);
        const QStringList after = heard.mid(k + 1, end < 0 ? -1 : end - k - 1);
        const QStringList positions = after.filter(QStringLiteral("position "));
        QVERIFY2(!positions.isEmpty() && positions.first() == "position 0",
                 qPrintable(heard.join(", ")));
        QVERIFY2(after.contains("duration 3"), qPrintable(heard.join(", ")));
    }
    // Between an advance and the clip before it, nothing of the next clip leaked out early:
    // positions before each "advanced" only climb.
    int last = -1;
    for (const QString &h : qAsConst(heard)) {
        if (h == "advanced")
            last = -1;
        else if (h.startsWith("position ")) {
            const int p = h.mid(9).toInt();
            QVERIFY2(p >= last, qPrintable(heard.join(", ")));
            last = p;
        }
    }
    form.stop();
}

void TestLiveForms::queueSurvivesSeeksAndCancels()
{
    Live2Form form;
    form.show();
    form.setStopAtEnd(true);
    QSignalSpy advanced(&form, &LiveForm::LiveRecordingAdvanced);
    form.play(drive[0][0], drive[0][1]);
    form.setNextRecording({drive[1][0], drive[1][1]});
    waitStarted(&form, 2);
    // Seeks, a pause, frame steps and a resume before the end keep the queue.
    form.seekTo(2);
    QTRY_VERIFY_WITH_TIMEOUT(!form.channelGroup()->isHolding(), 10000);
    form.seekTo(0);
    QTRY_VERIFY_WITH_TIMEOUT(!form.channelGroup()->isHolding(), 10000);
    form.setPlaying(false);
    form.frameStep();
    form.frameStep();
    form.frameBackStep();
    QTRY_VERIFY_WITH_TIMEOUT(num(ch(&form, 1), "time-pos") > 0.02, 10000);
    form.setPlaying(true);
    QVERIFY(advanced.wait(15000));
    QCOMPARE(advanced.count(), 1);
    QCOMPARE(ch(&form, 1)->mpvProperty("path").toString(), drive[1][0]);
    QCOMPARE(ch(&form, 2)->mpvProperty("path").toString(), drive[1][1]);
    QVERIFY(!form.isPaused());

    // Queued and cancelled again: the recording ends on its own last frame.
    form.setNextRecording({drive[2][0], drive[2][1]});
    form.setNextRecording({});
    QTRY_VERIFY_WITH_TIMEOUT(form.atEnd(), 15000);
    QVERIFY(playerRoundTrip({ch(&form, 1), ch(&form, 2)}));
    QCOMPARE(advanced.count(), 1);
    for (int i = 1; i <= 2; ++i) {
        QCOMPARE(ch(&form, i)->mpvProperty("path").toString(), drive[1][i - 1]);
        QVERIFY(paused(ch(&form, i)));
    }
    QVERIFY(form.isPaused());
    // Queued when the recording has already ended: it goes on at once.
    form.setNextRecording({drive[2][0], drive[2][1]});
    QVERIFY(advanced.wait(15000));
    QCOMPARE(ch(&form, 1)->mpvProperty("path").toString(), drive[2][0]);
    QTRY_VERIFY_WITH_TIMEOUT(!form.isPaused(), 5000);

    // A new play drops what was queued: the played recording ends where it ends.
    form.setNextRecording({drive[1][0], drive[1][1]});
    form.play(drive[0][0], drive[0][1]);
    waitStarted(&form, 2);
    QTRY_VERIFY_WITH_TIMEOUT(form.atEnd(), 15000);
    QVERIFY(playerRoundTrip({ch(&form, 1), ch(&form, 2)}));
    QCOMPARE(advanced.count(), 2);
    QCOMPARE(ch(&form, 1)->mpvProperty("path").toString(), drive[0][0]);
    form.stop();
}

void TestLiveForms::reopeningBeforeEventsAreReadStaysPut()
{
    // A second recording opened while the cores' events of the first are still unread (two
    // clicks in a row): the first file's start is not the second's, nor is the second's start
    // a move on to the queued clip.
    Live2Form form;
    form.show();
    QSignalSpy advanced(&form, &LiveForm::LiveRecordingAdvanced);
    form.play(drive[2][0], drive[2][1]);
    // The cores start the file while this thread does not look at their events (the "path"
    // property is set once a core has announced the start).
    for (int i = 1; i <= 2; ++i) {
        QElapsedTimer waited;
        waited.start();
        while (ch(&form, i)->mpvProperty("path").toString() != drive[2][i - 1]) {
            QVERIFY(waited.elapsed() < 20000);
            QThread::msleep(5);
        }
    }
    form.play(drive[0][0], drive[0][1]);
    form.setNextRecording({drive[1][0], drive[1][1]});
    waitStarted(&form, 2);
    QVERIFY(playerRoundTrip({ch(&form, 1), ch(&form, 2)}));
    QCOMPARE(advanced.count(), 0);
    QCOMPARE(ch(&form, 1)->mpvProperty("path").toString(), drive[0][0]);
    QCOMPARE(ch(&form, 2)->mpvProperty("path").toString(), drive[0][1]);
    form.stop();
}

void TestLiveForms::hiddenChannelFollowsTheDrive()
{
    // View 2 of Live2Form: channel 1 is hidden and paused, channel 2 plays alone. When channel 2
    // moves on, channel 1 moves on with it, so the recordings on screen stay one recording.
    Live2Form form;
    form.show();
    form.setStopAtEnd(true);
    QSignalSpy advanced(&form, &LiveForm::LiveRecordingAdvanced);
    form.play(drive[0][0], drive[0][1]);
    // A long next clip: the check of both channels playing is not raced by its end.
    form.setNextRecording({sameContainer[0], sameContainer[1]});
    waitStarted(&form, 2);
    form.switchView();
    form.switchView();
    QCOMPARE(form.viewState(), 2);
    QVERIFY(advanced.wait(15000));
    QCOMPARE(ch(&form, 1)->mpvProperty("path").toString(), sameContainer[0]);
    QCOMPARE(ch(&form, 2)->mpvProperty("path").toString(), sameContainer[1]);
    QVERIFY(paused(ch(&form, 1)));
    QVERIFY(!paused(ch(&form, 2)));
    // Back to both on screen: the channels play the same clip in step (the view's change may
    // take effect a moment after the call, with both still at the clip's start, and beside a
    // busy core the watchdog takes a while to pull the channel that waited into step).
    form.switchView();
    QTRY_VERIFY_WITH_TIMEOUT(!form.channelGroup()->isHolding() && !paused(ch(&form, 1))
                                 && !paused(ch(&form, 2))
                                 && spread(form.channelGroup()) < 1.5 * frame,
                             20000);
    form.stop();
}

QTEST_MAIN(TestLiveForms)
#include "test_liveforms.moc"
