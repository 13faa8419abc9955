#include "mpvwidget.h"

#include "mpvsurface.h"
#include "settingsstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QWindow>

#include <algorithm>

#include <mpv/client.h>

#include <clocale>
#include <cstring>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

// MPEG-TS has no index: the demuxer lands on the first keyframe after its byte-position guess,
// so an exact seek overshoots by up to a keyframe interval unless it starts this much earlier.
// Dashboard cameras write keyframes every 1 to 2 s; 3 s leaves a margin and costs only a few
// extra decoded frames per seek. MP4 and MOV carry an index and need no offset.
constexpr double transportStreamSeekOffset = 3.0;

int wholeSeconds(double value)
{
    // Truncation toward zero: 12.9 -> 12, -0.4 -> 0.
    return static_cast<int>(std::trunc(value));
}

bool hasRenderDevice()
{
    return !QDir(QStringLiteral("/dev/dri"))
                .entryList({QStringLiteral("renderD*")}, QDir::System)
                .isEmpty();
}

} // namespace

MpvWidget::MpvWidget(QWidget *parent, Qt::WindowFlags f)
    : QWidget(parent, f),
      lastTimePos(std::numeric_limits<double>::quiet_NaN()),
      lastDuration(std::numeric_limits<double>::quiet_NaN())
{
    mpv::qt::registerMetaTypes();

    // libmpv refuses to start when numbers are formatted with a decimal comma (de_DE and
    // friends). The application sets this too; a widget built before that must not fail.
    std::setlocale(LC_NUMERIC, "C");

    mpvHandle = mpv_create();
    if (!mpvHandle)
        throw std::runtime_error("could not create mpv context");
    // A refused option is a fault of ours: say which one and why, never drop it silently.
    auto checked = [](int result, const char *name) {
        if (result < 0)
            qWarning("mpv refused option %s: %s", name, mpv_error_string(result));
    };

    // The render-API output has to be chosen before initialisation: libmpv 0.35 no longer picks
    // it by itself, and "opengl-cb" is gone.
    checked(mpv_set_option_string(mpvHandle, "vo", "libmpv"), "vo");
    // Hardware decoding where mpv knows it to work, software otherwise, by itself. Without a
    // render device the interop probes find nothing and only print CUDA/VDPAU noise.
    checked(mpv_set_option_string(mpvHandle, "hwdec", "auto-safe"), "hwdec");
    if (!hasRenderDevice())
        checked(mpv_set_option_string(mpvHandle, "gpu-hwdec-interop", "no"), "gpu-hwdec-interop");
    // On a machine without a sound server libmpv falls through to SDL's audio output, whose
    // initialisation is not thread-safe: several players opening files at once crash in it.
    // Probe the usual outputs and otherwise play silently on the null output, which still
    // keeps an audio clock (an mpv.conf of ours may choose differently).
    checked(mpv_set_option_string(mpvHandle, "ao", "pipewire,pulse,alsa,null"), "ao");

    if (mpv_initialize(mpvHandle) < 0)
        throw std::runtime_error("could not initialize mpv context");

    // Options from an mpv.conf installed beside the player, then from the user's configuration
    // folder; never from the working folder, which may be a card or a downloaded folder.
    for (const QString &file : {QCoreApplication::applicationDirPath() + QStringLiteral("/mpv.conf"),
                                SettingsStore::configFolder() + QStringLiteral("/mpv.conf")}) {
        if (QFileInfo(file).isFile())
            mpv_load_config_file(mpvHandle, QFile::encodeName(file).constData());
    }
    checked(mpv_set_option_string(mpvHandle, "term-osd-bar", "no"), "term-osd-bar");

    const std::pair<const char *, const char *> options[] = {
        {"vo", "libmpv"},
        {"screenshot-format", "png"},
        {"screenshot-template", "screenshot-%02n"},
        {"force-window", "yes"},
        {"player-operation-mode", "pseudo-gui"},
    };
    for (const auto &option : options) {
        mpv::qt::NodeBuilder node(QString::fromUtf8(option.second));
        checked(mpv_set_option(mpvHandle, option.first, MPV_FORMAT_NODE, node.node()),
                option.first);
    }

    mpv_observe_property(mpvHandle, 0, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(mpvHandle, 0, "time-pos", MPV_FORMAT_DOUBLE);
    // libmpv 0.35 has no pause event; the observed property stands in for it.
    mpv_observe_property(mpvHandle, 0, "pause", MPV_FORMAT_FLAG);
    // Observed rather than read when the file has loaded: a read then waits for the core, which
    // may itself be waiting for this thread to render the new file's first frame.
    mpv_observe_property(mpvHandle, 0, "file-format", MPV_FORMAT_STRING);
    mpv_observe_property(mpvHandle, 0, "eof-reached", MPV_FORMAT_FLAG);
    mpv_set_wakeup_callback(mpvHandle, &MpvWidget::wakeupCallback, this);

    const std::pair<const char *, QVariant> properties[] = {
        {"osd-bar-h", 2.8},
        {"osd-border-size", 2},
        {"osd-color", QStringLiteral("#CCFFFFFF")},
        {"osd-font", QStringLiteral("STZhongsong")},
        {"osd-duration", 2000},
        {"osd-font-size", 28},
        {"access-references", QStringLiteral("no")},
        {"loop-file", QStringLiteral("no")},
    };
    for (const auto &property : properties) {
        mpv::qt::NodeBuilder node(property.second);
        checked(mpv_set_property(mpvHandle, property.first, MPV_FORMAT_NODE, node.node()),
                property.first);
    }
}

MpvWidget::~MpvWidget()
{
    // The render context must go before the player (the surface frees it with its GL context
    // current), and no frame may reach a widget that is being torn down.
    delete surfaceContainer; // owns the surface
    surfaceContainer = nullptr;
    surface = nullptr;
    if (mpvHandle) {
        mpv_set_wakeup_callback(mpvHandle, nullptr, nullptr);
        mpv_terminate_destroy(mpvHandle);
        mpvHandle = nullptr;
    }
}

void MpvWidget::command(const QVariant &params)
{
    mpv::qt::NodeBuilder node(params);
    mpv_command_node(mpvHandle, node.node(), nullptr);
}

QVariant MpvWidget::commandWithResult(const QVariant &params)
{
    mpv::qt::NodeBuilder node(params);
    mpv_node result{};
    const int err = mpv_command_node(mpvHandle, node.node(), &result);
    if (err < 0)
        return QVariant::fromValue(mpv::qt::ErrorReturn(err));
    const QVariant converted = mpv::qt::nodeToVariant(&result);
    mpv_free_node_contents(&result);
    return converted;
}

bool MpvWidget::commandAsync(const QVariant &params, quint64 replyId)
{
    mpv::qt::NodeBuilder node(params);
    return mpv_command_node_async(mpvHandle, replyId, node.node()) >= 0;
}

bool MpvWidget::hasVideo() const
{
    const QVariantList tracks = mpvProperty(QStringLiteral("track-list")).toList();
    return std::any_of(tracks.cbegin(), tracks.cend(), [](const QVariant &track) {
        return track.toMap().value(QStringLiteral("type")).toString() == QLatin1String("video");
    });
}

void MpvWidget::setMpvProperty(const QString &name, const QVariant &value)
{
    mpv::qt::NodeBuilder node(value);
    mpv_set_property(mpvHandle, name.toUtf8().constData(), MPV_FORMAT_NODE, node.node());
}

void MpvWidget::setMpvPropertyAsync(const QString &name, const QVariant &value)
{
    mpv::qt::NodeBuilder node(value);
    mpv_set_property_async(mpvHandle, 0, name.toUtf8().constData(), MPV_FORMAT_NODE, node.node());
}

QVariant MpvWidget::mpvProperty(const QString &name) const
{
    mpv_node node{};
    if (mpv_get_property(mpvHandle, name.toUtf8().constData(), MPV_FORMAT_NODE, &node) < 0)
        return QVariant();
    const QVariant value = mpv::qt::nodeToVariant(&node);
    mpv_free_node_contents(&node);
    return value;
}

void MpvWidget::setMpvOption(const QString &name, const QString &value)
{
    // libmpv takes UTF-8: a file name in the information text may be Japanese or Cyrillic.
    const int result =
        mpv_set_option_string(mpvHandle, name.toUtf8().constData(), value.toUtf8().constData());
    if (result < 0)
        qWarning("mpv refused option %s: %s", qPrintable(name), mpv_error_string(result));
}

void MpvWidget::setVolume(const QVariant &value)
{
    setMpvProperty(QStringLiteral("volume"), value);
}

void MpvWidget::wakeupCallback(void *ctx)
{
    // libmpv's thread: only hand the work to the GUI thread.
    QMetaObject::invokeMethod(static_cast<MpvWidget *>(ctx), "on_mpv_events",
                              Qt::QueuedConnection);
}

QWindow *MpvWidget::surfaceWindow() const
{
    return surface;
}

void MpvWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (surface || !findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).isEmpty())
        return;
    surface = new MpvSurface(mpvHandle, [this] { emit frameRendered(); });
    surfaceContainer = QWidget::createWindowContainer(surface, this);
    surfaceContainer->setAttribute(Qt::WA_TransparentForMouseEvents);
    surfaceContainer->setFocusPolicy(Qt::NoFocus);
    surfaceContainer->setGeometry(rect());
    surfaceContainer->show();
    if (!surface->start())
        qWarning("mpv: no OpenGL render context, the picture stays empty");
}

void MpvWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (surfaceContainer)
        surfaceContainer->setGeometry(rect());
}

void MpvWidget::on_mpv_events()
{
    while (mpvHandle) {
        mpv_event *event = mpv_wait_event(mpvHandle, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(event);
    }
}

void MpvWidget::handleEvent(const mpv_event *event)
{
    switch (event->event_id) {
    case MPV_EVENT_START_FILE:
        lastWholeSecond = -1;
        emit mpv_on_START_FILE(
            static_cast<const mpv_event_start_file *>(event->data)->playlist_entry_id);
        break;
    case MPV_EVENT_END_FILE: {
        const auto *end = static_cast<const mpv_event_end_file *>(event->data);
        emit mpv_on_END_FILE(end->playlist_entry_id);
        if (end->reason == MPV_END_FILE_REASON_ERROR && end->error == MPV_ERROR_NOTHING_TO_PLAY)
            emit nothingToPlay();
        break;
    }
    case MPV_EVENT_FILE_LOADED:
        emit mpv_on_FILE_LOADED();
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        emit playbackRestarted();
        break;
    case MPV_EVENT_COMMAND_REPLY:
        emit commandReplied(event->reply_userdata, event->error);
        break;
    case MPV_EVENT_PROPERTY_CHANGE:
        handlePropertyChange(static_cast<const mpv_event_property *>(event->data));
        break;
    default:
        break;
    }
}

void MpvWidget::handlePropertyChange(const mpv_event_property *property)
{
    struct Handler
    {
        const char *name;
        void (MpvWidget::*handle)(const mpv_event_property *);
    };
    static const Handler handlers[] = {
        {"duration", &MpvWidget::onDurationChange},
        {"time-pos", &MpvWidget::onTimePosChange},
        {"pause", &MpvWidget::onPauseChange},
        {"file-format", &MpvWidget::onFileFormatChange},
        {"eof-reached", &MpvWidget::onEofReachedChange},
    };
    for (const Handler &handler : handlers) {
        if (std::strcmp(property->name, handler.name) == 0) {
            (this->*handler.handle)(property);
            return;
        }
    }
}

void MpvWidget::onDurationChange(const mpv_event_property *property)
{
    if (property->format != MPV_FORMAT_DOUBLE) {
        lastDuration = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    lastDuration = *static_cast<double *>(property->data);
    emit durationChanged(wholeSeconds(lastDuration));
}

void MpvWidget::onTimePosChange(const mpv_event_property *property)
{
    if (property->format != MPV_FORMAT_DOUBLE) {
        lastTimePos = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    lastTimePos = *static_cast<double *>(property->data);
    emit framePositionChanged(lastTimePos);
    const int second = wholeSeconds(lastTimePos);
    if (second == lastWholeSecond)
        return;
    lastWholeSecond = second;
    emit positionChanged(second);
}

void MpvWidget::onPauseChange(const mpv_event_property *property)
{
    if (property->format != MPV_FORMAT_FLAG)
        return;
    const bool paused = *static_cast<int *>(property->data) != 0;
    const bool becamePaused = paused && !lastPaused;
    lastPaused = paused;
    if (becamePaused)
        emit mpv_on_PAUSE();
}

void MpvWidget::onEofReachedChange(const mpv_event_property *property)
{
    lastEofReached = property->format == MPV_FORMAT_FLAG && *static_cast<int *>(property->data);
}

void MpvWidget::onFileFormatChange(const mpv_event_property *property)
{
    if (property->format != MPV_FORMAT_STRING)
        return;
    const char *format = *static_cast<char **>(property->data);
    const bool transportStream = format && std::strstr(format, "mpegts");
    setMpvPropertyAsync(QStringLiteral("hr-seek-demuxer-offset"),
                        transportStream ? transportStreamSeekOffset : 0.0);
}

void MpvWidget::mouseMoveEvent(QMouseEvent *event)
{
    mouseSeen = true;
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const float dx = float(event->pos().x() - pressPos.x() + pressFrameTopLeft.x());
    const float dy = float(event->pos().y() - pressPos.y() + pressFrameTopLeft.y());
    setMpvProperty(QStringLiteral("video-pan-x"), QString("%1").arg(double(dx) / width()));
    setMpvProperty(QStringLiteral("video-pan-y"), QString("%1").arg(double(dy) / height()));
}

void MpvWidget::mousePressEvent(QMouseEvent *event)
{
    if (!mouseSeen)
        return;
    const int playMode = settings.readInt(QStringLiteral("playMode"));
    if (event->button() == Qt::LeftButton) {
        pressPos = event->pos();
        // In a side-by-side layout the right-hand channel's frame offset must be cancelled.
        if (geometry().x() != 0 && playMode != 0)
            pressPos.rx() += width();
        pressFrameTopLeft = frameGeometry().topLeft();
    }
}

void MpvWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!mouseSeen)
        return;
    if (event->button() == Qt::LeftButton) {
        setMpvProperty(QStringLiteral("video-pan-x"), QStringLiteral("0"));
        setMpvProperty(QStringLiteral("video-pan-y"), QStringLiteral("0"));
    }
}
