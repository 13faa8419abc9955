#include "keymap.h"

#include <QKeySequence>

const QVector<KeyBinding> &keyBindings()
{
    static const QVector<KeyBinding> bindings{
        {Qt::Key_Space, Qt::NoModifier, KeyAction::PlayPause},
        {Qt::Key_MediaPlay, Qt::NoModifier, KeyAction::PlayPause},
        {Qt::Key_MediaPause, Qt::NoModifier, KeyAction::PlayPause},
        {Qt::Key_MediaTogglePlayPause, Qt::NoModifier, KeyAction::PlayPause},
        {Qt::Key_Left, Qt::NoModifier, KeyAction::SeekBack5},
        {Qt::Key_Right, Qt::NoModifier, KeyAction::SeekForward5},
        {Qt::Key_Left, Qt::ShiftModifier, KeyAction::SeekBack1},
        {Qt::Key_Right, Qt::ShiftModifier, KeyAction::SeekForward1},
        {Qt::Key_Left, Qt::ControlModifier, KeyAction::SeekBack60},
        {Qt::Key_Right, Qt::ControlModifier, KeyAction::SeekForward60},
        {Qt::Key_Up, Qt::NoModifier, KeyAction::VolumeUp},
        {Qt::Key_Down, Qt::NoModifier, KeyAction::VolumeDown},
        {Qt::Key_M, Qt::NoModifier, KeyAction::Mute},
        {Qt::Key_F, Qt::NoModifier, KeyAction::FullScreen},
        {Qt::Key_Escape, Qt::NoModifier, KeyAction::LeaveFullScreen},
        {Qt::Key_Comma, Qt::NoModifier, KeyAction::FrameBack},
        {Qt::Key_Period, Qt::NoModifier, KeyAction::FrameForward},
        {Qt::Key_Delete, Qt::NoModifier, KeyAction::RemoveEntry},
        {Qt::Key_BracketLeft, Qt::NoModifier, KeyAction::PreviousEvent},
        {Qt::Key_BracketRight, Qt::NoModifier, KeyAction::NextEvent},
        {Qt::Key_I, Qt::NoModifier, KeyAction::MarkIn},
        {Qt::Key_O, Qt::NoModifier, KeyAction::MarkOut},
        {Qt::Key_E, Qt::NoModifier, KeyAction::ExportRoute},
        {Qt::Key_I, Qt::ShiftModifier, KeyAction::Info},
        {Qt::Key_R, Qt::NoModifier, KeyAction::Resume},
    };
    return bindings;
}

KeyAction keyActionFor(int key, Qt::KeyboardModifiers modifiers)
{
    // The keypad flag comes with arrow keys on some keyboards; it changes nothing.
    modifiers &= ~Qt::KeypadModifier;
    for (const KeyBinding &binding : keyBindings()) {
        if (binding.key == key && binding.modifiers == modifiers)
            return binding.action;
    }
    return KeyAction::None;
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

QList<QPair<QString, QString>> KeyHelp::rows()
{
    // Keys of one action sit next to each other in the table and share its row.
    QList<QPair<QString, QString>> rows;
    KeyAction last = KeyAction::None;
    for (const KeyBinding &binding : keyBindings()) {
        const QString key = QKeySequence(binding.key | int(binding.modifiers))
                                .toString(QKeySequence::NativeText);
        if (!rows.isEmpty() && binding.action == last)
            rows.last().first += QStringLiteral(", ") + key;
        else
            rows.append({key, actionText(binding.action)});
        last = binding.action;
    }
    return rows;
}

QString KeyHelp::actionText(KeyAction action)
{
    switch (action) {
    case KeyAction::None:
        return QString();
    case KeyAction::PlayPause:
        return tr("Play or pause");
    case KeyAction::SeekBack5:
        return tr("5 seconds back");
    case KeyAction::SeekForward5:
        return tr("5 seconds forward");
    case KeyAction::SeekBack1:
        return tr("1 second back");
    case KeyAction::SeekForward1:
        return tr("1 second forward");
    case KeyAction::SeekBack60:
        return tr("60 seconds back");
    case KeyAction::SeekForward60:
        return tr("60 seconds forward");
    case KeyAction::VolumeUp:
        return tr("Volume up");
    case KeyAction::VolumeDown:
        return tr("Volume down");
    case KeyAction::Mute:
        return tr("Mute or unmute");
    case KeyAction::FullScreen:
        return tr("Full screen on or off");
    case KeyAction::LeaveFullScreen:
        return tr("Leave full screen");
    case KeyAction::FrameBack:
        return tr("One frame back");
    case KeyAction::FrameForward:
        return tr("One frame forward");
    case KeyAction::RemoveEntry:
        return tr("Remove the selected file from the list");
    case KeyAction::Info:
        return tr("Information about the recording");
    case KeyAction::Resume:
        return tr("Continue where the recording was left last time");
    case KeyAction::PreviousEvent:
        return tr("Previous G-sensor event");
    case KeyAction::NextEvent:
        return tr("Next G-sensor event");
    case KeyAction::MarkIn:
        return tr("Mark the start of an incident clip");
    case KeyAction::MarkOut:
        return tr("Mark the end of an incident clip");
    case KeyAction::ExportRoute:
        return tr("Export the route");
    }
    return QString();
}
