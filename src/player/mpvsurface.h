#pragma once

#include <QWindow>

#include <functional>

struct mpv_handle;
class RenderPass;
class SurfaceRenderer;

// The native window a player draws its picture into, as mpv's own window does: no OpenGL widget
// composed into the top-level window, which costs a second full-size pass per frame. Input passes
// through it to the widget below.
//
// Frames are rendered on a render thread shared by all surfaces as soon as libmpv hands them
// over, and shown when due, the channels playing along together at the moments of the first
// frame due; libmpv is told of every picture shown and times its next frame from there, so the
// channels' pictures change together however long each took to render.
// libmpv's video output waits (up to 200 ms) for each frame, and the GUI thread waits on the
// player core in every synchronous command: rendering on the GUI thread would let a pause or a
// seek of one channel stall its picture, and the channels drift apart by that much.
class MpvSurface : public QWindow
{
public:
    // frameRendered runs on the GUI thread after each frame.
    MpvSurface(mpv_handle *player, std::function<void()> frameRendered);
    // Frees the render context (before the player may go); the last surface stops the thread.
    ~MpvSurface() override;

    // Creates the GL context and libmpv's render context; false when either fails. Called before
    // any file plays: a file loaded before the player has a render context plays without picture.
    bool start();

protected:
    void exposeEvent(QExposeEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void publishGeometry();

    RenderPass *pass = nullptr; // shared by every surface
    SurfaceRenderer *renderer = nullptr; // used on the pass's thread
};
