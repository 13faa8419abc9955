#include "mpvsurface.h"

#include <QMetaObject>
#include <QMutex>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QThread>
#include <QTimer>
#include <QVector>

#include <mpv/client.h>
#include <mpv/render_gl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>

class SurfaceRenderer;

// Renders the surfaces' frames on the thread it lives on as soon as libmpv hands them over, and
// shows them when the first of them is due, with the other channels' frames of that moment: the
// channels' pictures change together however long each took to render and however far apart
// their cores' clocks are within a frame. Asked from libmpv's threads, so its list is locked.
class RenderPass : public QObject
{
public:
    RenderPass();

    void enrol(SurfaceRenderer *renderer);
    void add(SurfaceRenderer *renderer);
    void remove(SurfaceRenderer *renderer);

    // Frames due up to the given time are taken unseen: the passes fell behind the cores.
    void dropThrough(qint64 time) { droppedThroughUs = std::max(droppedThroughUs, time); }
    bool dropping(qint64 frameTime) const { return frameTime <= droppedThroughUs; }

private:
    void run();
    void presentDue();

    QMutex lock;
    QVector<SurfaceRenderer *> pending;
    bool armed = false;
    // Only touched on the pass's thread.
    QVector<SurfaceRenderer *> enrolled;
    QTimer *presentTimer;
    qint64 droppedThroughUs = 0;
};

namespace {

// One render thread and pass for every surface: a thread starved of CPU delays all channels
// alike. They exist while any surface does.
struct RenderThread
{
    QThread *thread = nullptr; // null where the platform renders on the GUI thread only
    RenderPass *pass = nullptr;
    int users = 0;
};

RenderThread &renderThread()
{
    static RenderThread shared;
    return shared;
}

RenderPass *acquireRenderPass()
{
    RenderThread &shared = renderThread();
    if (shared.users++ == 0) {
        shared.pass = new RenderPass;
        // Where the platform cannot make a context current on another thread, frames are
        // rendered on the GUI thread as its events allow.
        if (QOpenGLContext::supportsThreadedOpenGL()) {
            shared.thread = new QThread;
            shared.thread->setObjectName(QStringLiteral("mpv render"));
            shared.pass->moveToThread(shared.thread);
            shared.thread->start();
        }
    }
    return shared.pass;
}

void releaseRenderPass()
{
    RenderThread &shared = renderThread();
    if (--shared.users > 0)
        return;
    if (shared.thread) {
        shared.pass->deleteLater(); // at the latest when the thread ends
        shared.thread->quit();
        shared.thread->wait();
        delete shared.thread;
        shared.thread = nullptr;
    } else {
        delete shared.pass;
    }
    shared.pass = nullptr;
}

// A frame due further ahead than this is shown at once: libmpv's video output gives up waiting
// for it after 200 ms anyway, and a wrong time must not freeze the picture.
constexpr qint64 longestWaitUs = 250000;

// Frames due within half a millisecond are shown together whatever their pace.
constexpr qint64 togetherUs = 500;

} // namespace

// Renders one surface on the pass's thread; what it shares with the GUI thread is atomic.
class SurfaceRenderer
{
public:
    SurfaceRenderer(QWindow *window, mpv_handle *player, RenderPass *pass,
                    std::function<void()> frameRendered)
        : window(window), player(player), pass(pass), frameRendered(std::move(frameRendered))
    {
    }

    bool initialize()
    {
        pass->enrol(this);
        context.reset(new QOpenGLContext);
        context->setShareContext(QOpenGLContext::globalShareContext());
        context->setFormat(window->requestedFormat());
        if (!context->create() || !context->makeCurrent(window))
            return false;
        mpv_opengl_init_params glInit{&SurfaceRenderer::procAddress, nullptr};
        char apiType[] = MPV_RENDER_API_TYPE_OPENGL;
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_API_TYPE, apiType},
            {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        const bool created = mpv_render_context_create(&render, player, params) >= 0;
        if (!created)
            render = nullptr;
        else
            mpv_render_context_set_update_callback(render, &SurfaceRenderer::onUpdate, this);
        context->doneCurrent();
        return created;
    }

    void shutdown()
    {
        if (render) {
            context->makeCurrent(window);
            mpv_render_context_set_update_callback(render, nullptr, nullptr);
            mpv_render_context_free(render);
            render = nullptr;
            context->doneCurrent();
        }
        context.reset();
        presentAtUs = 0;
        pass->remove(this);
    }

    // Called by the GUI thread: the window changed; the picture is drawn again.
    void setGeometry(int width, int height, bool exposed)
    {
        pixelWidth = width;
        pixelHeight = height;
        onScreen = exposed;
        redraw = true;
        pass->add(this);
    }

    // Draws the frame libmpv has for us into the back buffer without waiting for its time, and
    // notes when it is to be shown.
    void renderFrame()
    {
        if (!render)
            return;
        // libmpv also asks when nothing new is to be shown; a changed window is drawn again.
        const bool newFrame = mpv_render_context_update(render) & MPV_RENDER_UPDATE_FRAME;
        if (!redraw.exchange(false) && !newFrame)
            return;
        if (!context->makeCurrent(window))
            return;
        mpv_render_frame_info next{};
        mpv_render_context_get_info(render, {MPV_RENDER_PARAM_NEXT_FRAME_INFO, &next});
        const bool timed = (next.flags & MPV_RENDER_FRAME_INFO_PRESENT)
            && !(next.flags & MPV_RENDER_FRAME_INFO_REDRAW) && next.target_time > 0;
        // A frame that reaches us when the next one is already due is taken unseen, and so are the
        // other channels' frames of that moment: the render thread catches up with the cores, and
        // the channels skip the same frame instead of one falling behind. Never two in a row: the
        // picture keeps moving however loaded the machine.
        bool drop = false;
        if (timed && frameIntervalUs > 0 && !droppedLast) {
            if (mpv_get_time_us(player) - next.target_time > frameIntervalUs) {
                pass->dropThrough(next.target_time + frameIntervalUs / 2);
                drop = true;
            } else {
                drop = pass->dropping(next.target_time);
            }
        }
        droppedLast = drop;
        // A surface not on screen (hidden view, minimised window) takes its frames all the same,
        // unseen: libmpv waits for each frame to be taken.
        int skip = onScreen && !drop ? 0 : 1;
        int block = 0;
        mpv_opengl_fbo fbo{static_cast<int>(context->defaultFramebufferObject()),
                           pixelWidth.load(), pixelHeight.load(), 0};
        int flipY = 1;
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
            {MPV_RENDER_PARAM_FLIP_Y, &flipY},
            {MPV_RENDER_PARAM_SKIP_RENDERING, &skip},
            {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        mpv_render_context_render(render, params);
        if (drop) {
            context->doneCurrent();
            lastShownUs = next.target_time;
            reportShown();
            return;
        }
        // Rasterised now, while the frame waits for its time: its swap is then only a copy.
        context->functions()->glFinish();
        context->doneCurrent();
        const qint64 now = mpv_get_time_us(player);
        presentAtUs = timed ? qBound(now, qint64(next.target_time), now + longestWaitUs) : now;
        presentTimed = timed;
        renderedAtUs = now;
    }

    // How far past another surface's frame time a frame of this one may be shown with it: within
    // half a frame of both, the two belong to the same moment of their recordings.
    qint64 joinWindow(const SurfaceRenderer &first) const
    {
        if (!frameIntervalUs || !first.frameIntervalUs)
            return togetherUs;
        return std::max(togetherUs, std::min(frameIntervalUs, first.frameIntervalUs) / 2);
    }

    // Whether this surface, playing at its own pace, has a frame that belongs with the first
    // one's frame and has not reached us yet.
    bool frameExpectedWith(const SurfaceRenderer &first) const
    {
        const qint64 time = first.presentAtUs;
        const qint64 expected = lastShownUs + frameIntervalUs;
        return !presentAtUs && frameIntervalUs > 0 && lastShownUs + 2 * frameIntervalUs > time
            && expected <= time + joinWindow(first);
    }

    // Microseconds in libmpv's clock when the drawn frame is to be shown; 0 when none waits.
    qint64 presentAt() const { return presentAtUs; }
    // When the drawn frame was ready to be shown.
    qint64 renderedAt() const { return renderedAtUs; }
    qint64 clock() const { return mpv_get_time_us(player); }

    // Shows the drawn frame.
    void show()
    {
        if (presentTimed) {
            const qint64 interval = presentAtUs - lastShownUs;
            frameIntervalUs = interval > 0 && interval < longestWaitUs ? interval : 0;
            lastShownUs = presentAtUs;
        } else {
            frameIntervalUs = 0;
        }
        presentAtUs = 0;
        if (onScreen && context->makeCurrent(window)) {
            context->swapBuffers(window);
            context->doneCurrent();
        }
    }

    // Tells libmpv the frame is shown: once told at all, its video output waits for that before
    // it takes the next frame, so the cores are paced by the pictures really shown.
    void reportShown()
    {
        mpv_render_context_report_swap(render);
        frameRendered();
    }

private:
    static void onUpdate(void *self)
    {
        auto *renderer = static_cast<SurfaceRenderer *>(self);
        renderer->pass->add(renderer);
    }

    static void *procAddress(void *, const char *name)
    {
        QOpenGLContext *current = QOpenGLContext::currentContext();
        return current ? reinterpret_cast<void *>(current->getProcAddress(name)) : nullptr;
    }

    QWindow *window;
    mpv_handle *player;
    RenderPass *pass;
    std::function<void()> frameRendered;
    std::unique_ptr<QOpenGLContext> context;
    mpv_render_context *render = nullptr;
    // On the pass's thread only.
    qint64 presentAtUs = 0;
    qint64 renderedAtUs = 0;
    bool presentTimed = false;
    qint64 lastShownUs = 0; // when the last timed frame was due
    qint64 frameIntervalUs = 0; // between the last two timed frames; 0 when not playing along
    bool droppedLast = false;
    std::atomic<int> pixelWidth{1};
    std::atomic<int> pixelHeight{1};
    std::atomic<bool> onScreen{false};
    std::atomic<bool> redraw{false};
};

RenderPass::RenderPass() : presentTimer(new QTimer(this))
{
    presentTimer->setSingleShot(true);
    presentTimer->setTimerType(Qt::PreciseTimer);
    connect(presentTimer, &QTimer::timeout, this, &RenderPass::presentDue);
}

void RenderPass::enrol(SurfaceRenderer *renderer)
{
    enrolled.append(renderer);
}

void RenderPass::add(SurfaceRenderer *renderer)
{
    QMutexLocker locked(&lock);
    if (!pending.contains(renderer))
        pending.append(renderer);
    if (std::exchange(armed, true))
        return;
    QMetaObject::invokeMethod(this, [this] { run(); }, Qt::QueuedConnection);
}

void RenderPass::remove(SurfaceRenderer *renderer)
{
    {
        QMutexLocker locked(&lock);
        pending.removeAll(renderer);
    }
    enrolled.removeAll(renderer);
}

void RenderPass::run()
{
    QVector<SurfaceRenderer *> batch;
    {
        QMutexLocker locked(&lock);
        batch.swap(pending);
        armed = false;
    }
    // Removed renderers are gone from the list before they are deleted, and both happen on
    // this thread, never during a pass.
    for (SurfaceRenderer *renderer : qAsConst(batch))
        renderer->renderFrame();
    presentDue();
}

void RenderPass::presentDue()
{
    // A frame waits this long past its time (or past its rendering, when that ended later) for
    // the frames other channels have due with it: a core or a pass a little late (a loaded
    // machine) does not leave its picture a frame behind the others.
    constexpr qint64 holdUs = 20000;
    // Timers fire on whole milliseconds and late rather than early: the last stretch is slept.
    constexpr qint64 sleepUs = 2000;
    for (;;) {
        SurfaceRenderer *first = nullptr;
        for (SurfaceRenderer *renderer : qAsConst(enrolled)) {
            if (renderer->presentAt() && (!first || renderer->presentAt() < first->presentAt()))
                first = renderer;
        }
        if (!first) {
            presentTimer->stop();
            return;
        }
        const qint64 due = first->presentAt();
        const qint64 now = first->clock();
        if (due > now + togetherUs) {
            if (due - now > sleepUs) {
                presentTimer->start(int((due - now - sleepUs / 2) / 1000));
                return;
            }
            QThread::usleep(static_cast<unsigned long>(due - now));
            continue;
        }
        if (now < std::max(due, first->renderedAt()) + holdUs) {
            const bool late = std::any_of(enrolled.begin(), enrolled.end(),
                                          [first](SurfaceRenderer *renderer) {
                                              return renderer->frameExpectedWith(*first);
                                          });
            if (late) {
                // Looked at again when the late frame is rendered, or in a millisecond.
                presentTimer->start(1);
                return;
            }
        }
        // The channels playing along change their pictures at the same moments, those of the
        // first frame due: one that is a few milliseconds ahead or behind in its own clock
        // would otherwise show the previous frame beside the others' next one for as long.
        QVector<SurfaceRenderer *> shown;
        for (SurfaceRenderer *renderer : qAsConst(enrolled)) {
            if (renderer->presentAt() && renderer->presentAt() <= due + renderer->joinWindow(*first))
                shown.append(renderer);
        }
        // All pictures first, then every core is told: the cores go on to their next frames
        // together.
        for (SurfaceRenderer *renderer : qAsConst(shown))
            renderer->show();
        for (SurfaceRenderer *renderer : qAsConst(shown))
            renderer->reportShown();
    }
}

namespace {

// Blocks until fn has run on the pass's thread (at once when that is this thread).
template<typename Fn>
void runOn(RenderPass *pass, Fn fn)
{
    if (pass->thread() == QThread::currentThread())
        fn();
    else
        QMetaObject::invokeMethod(pass, fn, Qt::BlockingQueuedConnection);
}

} // namespace

MpvSurface::MpvSurface(mpv_handle *player, std::function<void()> frameRendered)
{
    setSurfaceType(QSurface::OpenGLSurface);
    setFlag(Qt::WindowTransparentForInput);
    pass = acquireRenderPass();
    renderer = new SurfaceRenderer(this, player, pass, [this, frameRendered] {
        QMetaObject::invokeMethod(this, frameRendered, Qt::QueuedConnection);
    });
}

MpvSurface::~MpvSurface()
{
    runOn(pass, [this] {
        renderer->shutdown();
        delete renderer;
    });
    releaseRenderPass();
}

bool MpvSurface::start()
{
    create();
    bool ok = false;
    runOn(pass, [this, &ok] { ok = renderer->initialize(); });
    publishGeometry();
    return ok;
}

void MpvSurface::publishGeometry()
{
    const qreal ratio = devicePixelRatio();
    renderer->setGeometry(qMax(1, qRound(width() * ratio)), qMax(1, qRound(height() * ratio)),
                          isExposed());
}

void MpvSurface::exposeEvent(QExposeEvent *)
{
    publishGeometry();
}

void MpvSurface::resizeEvent(QResizeEvent *)
{
    publishGeometry();
}
