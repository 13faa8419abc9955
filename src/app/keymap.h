#pragma once

#include <QCoreApplication>
#include <QList>
#include <QPair>
#include <QString>
#include <QVector>
#include <Qt>

// What a key does in the main window. A plain table, so the keys can be listed and tested
// without a window.
enum class KeyAction {
    None,
    PlayPause,
    SeekBack5,
    SeekForward5,
    SeekBack1,
    SeekForward1,
    SeekBack60,
    SeekForward60,
    VolumeUp,
    VolumeDown,
    Mute,
    FullScreen,
    LeaveFullScreen,
    FrameBack,
    FrameForward,
    RemoveEntry,
    Info,
    Resume, // back to where the recording was left last time, when that was offered
    PreviousEvent,
    NextEvent,
    MarkIn,  // start of an incident clip
    MarkOut, // its end
    ExportRoute,
};

struct KeyBinding
{
    int key;
    Qt::KeyboardModifiers modifiers;
    KeyAction action;
};

// Every key of the window with the modifiers it takes, in the order the help lists them. Shift
// and Ctrl change the seek keys only, and Shift makes I the information key (I alone marks the
// start of an incident clip, O its end); a key with other modifiers (Alt, Meta) does nothing
// here, so the desktop's own shortcuts keep working.
const QVector<KeyBinding> &keyBindings();

// The action of a key in keyBindings(); the keypad flag is ignored.
KeyAction keyActionFor(int key, Qt::KeyboardModifiers modifiers);

// Seconds of a seek action (negative backwards), 0 for any other action.
int seekSecondsOf(KeyAction action);

// The key map in words, for the help: a row per action, its keys as the keyboard names them and
// what it does, in the language of the interface.
class KeyHelp
{
    Q_DECLARE_TR_FUNCTIONS(KeyHelp)
public:
    static QList<QPair<QString, QString>> rows();
    static QString actionText(KeyAction action);
};
