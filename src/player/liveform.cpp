#include "liveform.h"

#include "channelgroup.h"
#include "mpvwidget.h"

#include <cmath>

LiveForm::LiveForm(QWidget *parent) : QWidget(parent) {}

LiveForm::~LiveForm() = default;

void LiveForm::attachChannels(const QVector<MpvWidget *> &list)
{
    channels = list;
    group = new ChannelGroup(channels, this);
    connect(group, &ChannelGroup::advanced, this, &LiveForm::onAdvanced);
    for (MpvWidget *w : qAsConst(channels)) {
        connect(w, &MpvWidget::durationChanged, this, &LiveForm::setSliderRange);
        connect(w, &MpvWidget::positionChanged, this, &LiveForm::positionChanged);
        connect(w, &MpvWidget::mpv_on_START_FILE, this, &LiveForm::on_START_FILE);
        connect(w, &MpvWidget::mpv_on_FILE_LOADED, this, &LiveForm::on_FILE_LOADED);
        connect(w, &MpvWidget::mpv_on_PAUSE, this, &LiveForm::on_PAUSE);
        connect(w, &MpvWidget::mpv_on_END_FILE, this, &LiveForm::on_END_FILE);
        connect(w, &MpvWidget::nothingToPlay, this, [this] {
            if (fromFirstChannel())
                emit LiveNothingToPlay();
        });
    }
}

int LiveForm::drivingIndex() const
{
    for (int i = 0; i < channels.size(); ++i) {
        if (!channels.at(i)->isHidden())
            return i;
    }
    return 0;
}

bool LiveForm::fromFirstChannel() const
{
    // The channel on screen drives the time label, slider and map: channel 1, unless a view
    // shows another channel alone.
    return !channels.isEmpty() && sender() == channels.at(drivingIndex());
}

void LiveForm::setSliderRange(int duration)
{
    // The next recording's figures wait for LiveRecordingAdvanced.
    if (fromFirstChannel() && !group->isAdvancing())
        emit LiveDuration(duration);
}

void LiveForm::positionChanged(int pos)
{
    if (fromFirstChannel() && !group->isAdvancing())
        emit LivePositionChanged(pos);
}

void LiveForm::on_START_FILE()
{
    if (fromFirstChannel())
        emit LiveStartFile();
}

void LiveForm::on_FILE_LOADED()
{
    if (fromFirstChannel())
        emit LiveFileLoaded();
}

void LiveForm::on_PAUSE()
{
    // A queued clip starts paused until every channel shows it: no pause of the recording.
    if (group->isAdvancing() && !isPaused())
        return;
    if (fromFirstChannel())
        emit LivePause();
}

void LiveForm::on_END_FILE()
{
    if (fromFirstChannel())
        emit LiveEndFile();
}

void LiveForm::startNextAt(int seconds)
{
    group->setNextStart(seconds);
}

void LiveForm::loadChannels(const QStringList &paths)
{
    group->load(paths);
}

bool LiveForm::channelPaused(int index) const
{
    return group->isChannelPaused(index);
}

void LiveForm::setChannelPlaying(int index, bool playing)
{
    group->setChannelPlaying(index, playing);
}

void LiveForm::muteAllButFirst()
{
    if (channels.isEmpty())
        return;
    const QString volume = QStringLiteral("volume");
    channels[0]->setMpvProperty(volume, channels[0]->mpvProperty(volume));
    for (int i = 1; i < channels.size(); ++i)
        channels[i]->setMpvProperty(volume, QStringLiteral("0"));
}

MpvWidget *LiveForm::shownChannel() const
{
    for (MpvWidget *w : channels) {
        if (!w->isHidden())
            return w;
    }
    return channels.value(0);
}

QVariant LiveForm::commandWithResult(const QVariant &params)
{
    MpvWidget *w = shownChannel();
    return w ? w->commandWithResult(params) : QVariant();
}

void LiveForm::setMpvOption(const QString &name, const QString &value)
{
    // Options of the information text on every channel: the one shown may change with the view.
    for (MpvWidget *w : qAsConst(channels)) {
        if (w == shownChannel() || name != QLatin1String("osd-msg1") || value.isEmpty())
            w->setMpvOption(name, value);
    }
}

bool LiveForm::osdInfoShown() const
{
    MpvWidget *w = shownChannel();
    return w && w->osdInfoShown();
}

void LiveForm::setOsdInfoShown(bool shown)
{
    for (MpvWidget *w : qAsConst(channels))
        w->setOsdInfoShown(shown && w == shownChannel());
}

void LiveForm::setStopAtEnd(bool stop)
{
    for (MpvWidget *w : qAsConst(channels))
        w->setMpvProperty(QStringLiteral("keep-open"), stop ? QStringLiteral("yes")
                                                            : QStringLiteral("no"));
}

bool LiveForm::atEnd() const
{
    return !channels.isEmpty() && !isIdle()
           && channels[drivingIndex()]->mpvProperty(QStringLiteral("eof-reached")).toBool();
}

void LiveForm::setPlaying(bool playing)
{
    // Play at the end of a recording means play it again.
    if (playing && atEnd())
        group->seekTo(0);
    bool anyHidden = false;
    for (MpvWidget *w : qAsConst(channels))
        anyHidden = anyHidden || w->isHidden();
    if (!anyHidden) {
        group->setPlaying(playing);
        return;
    }
    // A view that shows some channels alone plays only those; the others stay paused.
    for (int i = 0; i < channels.size(); ++i)
        group->setChannelPlaying(i, playing && !channels.at(i)->isHidden());
}

bool LiveForm::isPaused() const
{
    return group->isChannelPaused(drivingIndex());
}

bool LiveForm::isIdle() const
{
    return channels[drivingIndex()]->mpvProperty(QStringLiteral("idle-active")).toBool();
}

QVariant LiveForm::videoZoom() const
{
    return channels[0]->mpvProperty(QStringLiteral("video-zoom"));
}

void LiveForm::seekTo(int seconds)
{
    group->seekTo(seconds);
}

void LiveForm::frameStep()
{
    group->frameStep();
}

void LiveForm::frameBackStep()
{
    group->frameBackStep();
}

void LiveForm::setBrightness(int value)
{
    group->setOnAll(QStringLiteral("brightness"), value);
}

void LiveForm::setContrast(int value)
{
    group->setOnAll(QStringLiteral("contrast"), value);
}

void LiveForm::setSaturation(int value)
{
    group->setOnAll(QStringLiteral("saturation"), value);
}

void LiveForm::setVideoZoom(int value)
{
    group->setOnAll(QStringLiteral("video-zoom"), value);
}

void LiveForm::setSpeed(const QVariant &value)
{
    group->setSpeed(value);
}

void LiveForm::setVolume(const QVariant &value)
{
    bool anyHidden = false;
    for (MpvWidget *w : qAsConst(channels)) {
        if (w->isHidden())
            anyHidden = true;
        else
            w->setVolume(value);
    }
    if (!anyHidden)
        muteAllButFirst();
}

bool LiveForm::hasVideo() const
{
    const MpvWidget *w = channels.value(drivingIndex());
    return w && w->hasVideo();
}

void LiveForm::screenshot(const QString &folder)
{
    group->screenshot(folder);
}

void LiveForm::stop()
{
    group->stop();
}

void LiveForm::setNextRecording(const QStringList &paths)
{
    group->setNext(paths);
}

void LiveForm::onAdvanced()
{
    emit LiveRecordingAdvanced();
    MpvWidget *w = channels.value(drivingIndex());
    if (!w)
        return;
    // What the channel reported as it loaded, held back until now; no property is read.
    const double duration = w->reportedDuration();
    if (std::isfinite(duration))
        emit LiveDuration(static_cast<int>(std::trunc(duration)));
    const double position = w->reportedTimePos();
    emit LivePositionChanged(std::isfinite(position) ? static_cast<int>(std::trunc(position)) : 0);
}
