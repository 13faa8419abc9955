#include "keymap.h"

#include <QHash>
#include <QKeySequence>
#include <QSet>
#include <QtTest>

Q_DECLARE_METATYPE(KeyAction)

inline uint qHash(KeyAction action, uint seed = 0)
{
    return ::qHash(int(action), seed);
}

class TestKeyMap : public QObject
{
    Q_OBJECT

private slots:
    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<KeyAction>("action");
        QTest::addColumn<int>("seek");
        const int none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
        QTest::newRow("space") << int(Qt::Key_Space) << none << KeyAction::PlayPause << 0;
        QTest::newRow("media toggle") << int(Qt::Key_MediaTogglePlayPause) << none
                                      << KeyAction::PlayPause << 0;
        QTest::newRow("right") << int(Qt::Key_Right) << none << KeyAction::SeekForward5 << 5;
        QTest::newRow("left") << int(Qt::Key_Left) << none << KeyAction::SeekBack5 << -5;
        QTest::newRow("shift right") << int(Qt::Key_Right) << shift << KeyAction::SeekForward1 << 1;
        QTest::newRow("shift left") << int(Qt::Key_Left) << shift << KeyAction::SeekBack1 << -1;
        QTest::newRow("ctrl right") << int(Qt::Key_Right) << ctrl << KeyAction::SeekForward60 << 60;
        QTest::newRow("ctrl left") << int(Qt::Key_Left) << ctrl << KeyAction::SeekBack60 << -60;
        QTest::newRow("keypad left") << int(Qt::Key_Left) << int(Qt::KeypadModifier)
                                     << KeyAction::SeekBack5 << -5;
        QTest::newRow("ctrl+shift left is nothing") << int(Qt::Key_Left) << (shift | ctrl)
                                                    << KeyAction::None << 0;
        QTest::newRow("up") << int(Qt::Key_Up) << none << KeyAction::VolumeUp << 0;
        QTest::newRow("down") << int(Qt::Key_Down) << none << KeyAction::VolumeDown << 0;
        QTest::newRow("m") << int(Qt::Key_M) << none << KeyAction::Mute << 0;
        QTest::newRow("f") << int(Qt::Key_F) << none << KeyAction::FullScreen << 0;
        QTest::newRow("ctrl f is the desktop's") << int(Qt::Key_F) << ctrl << KeyAction::None << 0;
        QTest::newRow("escape") << int(Qt::Key_Escape) << none << KeyAction::LeaveFullScreen << 0;
        QTest::newRow("comma") << int(Qt::Key_Comma) << none << KeyAction::FrameBack << 0;
        QTest::newRow("period") << int(Qt::Key_Period) << none << KeyAction::FrameForward << 0;
        QTest::newRow("delete") << int(Qt::Key_Delete) << none << KeyAction::RemoveEntry << 0;
        QTest::newRow("shift delete is nothing") << int(Qt::Key_Delete) << shift
                                                 << KeyAction::None << 0;
        QTest::newRow("i marks in") << int(Qt::Key_I) << none << KeyAction::MarkIn << 0;
        QTest::newRow("shift i informs") << int(Qt::Key_I) << shift << KeyAction::Info << 0;
        QTest::newRow("ctrl i is nothing") << int(Qt::Key_I) << ctrl << KeyAction::None << 0;
        QTest::newRow("o marks out") << int(Qt::Key_O) << none << KeyAction::MarkOut << 0;
        QTest::newRow("[") << int(Qt::Key_BracketLeft) << none << KeyAction::PreviousEvent << 0;
        QTest::newRow("]") << int(Qt::Key_BracketRight) << none << KeyAction::NextEvent << 0;
        QTest::newRow("e") << int(Qt::Key_E) << none << KeyAction::ExportRoute << 0;
        QTest::newRow("r") << int(Qt::Key_R) << none << KeyAction::Resume << 0;
        QTest::newRow("other") << int(Qt::Key_Q) << none << KeyAction::None << 0;
    }
    void keys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(KeyAction, action);
        QFETCH(int, seek);
        QCOMPARE(keyActionFor(key, Qt::KeyboardModifiers(modifiers)), action);
        QCOMPARE(seekSecondsOf(action), seek);
    }

    // The help lists what the key map does: every action once, with every key that reaches it.
    void helpNamesEveryKey()
    {
        const QList<QPair<QString, QString>> rows = KeyHelp::rows();
        QHash<QString, QString> keysOf; // action text -> keys text
        for (const auto &row : rows) {
            QVERIFY(!row.first.isEmpty());
            QVERIFY(!row.second.isEmpty());
            QVERIFY2(!keysOf.contains(row.second), qPrintable(row.second));
            keysOf.insert(row.second, row.first);
        }
        QSet<KeyAction> reached;
        for (const KeyBinding &binding : keyBindings()) {
            QCOMPARE(keyActionFor(binding.key, binding.modifiers), binding.action);
            const QString name = QKeySequence(binding.key | int(binding.modifiers))
                                     .toString(QKeySequence::NativeText);
            const QString keys = keysOf.value(KeyHelp::actionText(binding.action));
            QVERIFY2(keys.split(QStringLiteral(", ")).contains(name),
                     qPrintable(name + QStringLiteral(" not in ") + keys));
            reached.insert(binding.action);
        }
        QCOMPARE(reached.size(), rows.size());
        for (int a = int(KeyAction::PlayPause); a <= int(KeyAction::ExportRoute); ++a)
            QVERIFY2(reached.contains(KeyAction(a)), qPrintable(QString::number(a)));
    }
};

QTEST_GUILESS_MAIN(TestKeyMap)
#include "test_keymap.moc"
