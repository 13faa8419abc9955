#include "keymap.h"

KeyAction keyActionFor(int key, Qt::KeyboardModifiers modifiers)
{
    // The keypad flag comes with arrow keys on some keyboards; it changes nothing.
    modifiers &= ~Qt::KeypadModifier;
    const bool shift = modifiers == Qt::ShiftModifier;
    const bool ctrl = modifiers == Qt::ControlModifier;
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        const bool forward = key == Qt::Key_Right;
        if (modifiers == Qt::NoModifier)
            return forward ? KeyAction::SeekForward5 : KeyAction::SeekBack5;
        if (shift)
            return forward ? KeyAction::SeekForward1 : KeyAction::SeekBack1;
        if (ctrl)
            return forward ? KeyAction::SeekForward60 : KeyAction::SeekBack60;
        return KeyAction::None;
    }
    if (key == Qt::Key_I && shift)
        return KeyAction::Info;
    if (modifiers != Qt::NoModifier)
        return KeyAction::None;
    switch (key) {
    case Qt::Key_Space:
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaPause:
    case Qt::Key_MediaTogglePlayPause:
        return KeyAction::PlayPause;
    case Qt::Key_Up:
        return KeyAction::VolumeUp;
    case Qt::Key_Down:
        return KeyAction::VolumeDown;
    case Qt::Key_M:
        return KeyAction::Mute;
    case Qt::Key_F:
        return KeyAction::FullScreen;
    case Qt::Key_Escape:
        return KeyAction::LeaveFullScreen;
    case Qt::Key_Comma:
        return KeyAction::FrameBack;
    case Qt::Key_Period:
        return KeyAction::FrameForward;
    case Qt::Key_Delete:
        return KeyAction::RemoveEntry;
    case Qt::Key_I:
        return KeyAction::MarkIn;
    case Qt::Key_O:
        return KeyAction::MarkOut;
    case Qt::Key_BracketLeft:
        return KeyAction::PreviousEvent;
    case Qt::Key_BracketRight:
        return KeyAction::NextEvent;
    case Qt::Key_E:
        return KeyAction::ExportRoute;
    case Qt::Key_R:
        return KeyAction::Resume;
    default:
        return KeyAction::None;
    }
}

int seekSecondsOf(KeyAction action)
{
    switch (action) {
    case KeyAction::SeekBack5:
        return -5;
    case KeyAction::SeekForward5:
        return 5;
    case KeyAction::SeekBack1:
        return -1;
    case KeyAction::SeekForward1:
        return 1;
    case KeyAction::SeekBack60:
        return -60;
    case KeyAction::SeekForward60:
        return 60;
    default:
        return 0;
    }
}
