// The toast's placement, look and timeline: it fades in, stays, fades out and is gone about
// three seconds after it was shown, whether or not it has a parent. Only the timeline check waits
// those seconds; every other check closes its toasts itself.
#include "toast.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QtTest>

namespace {

// The timeline users see: one second of fade-in, fade-out from the second second on, one second
// of fade-out.
constexpr int kFade = 1000;
constexpr int kHold = 2000;

QList<Toast *> liveToasts()
{
    QList<Toast *> toasts;
    for (QWidget *widget : QApplication::allWidgets()) {
        if (auto *toast = qobject_cast<Toast *>(widget))
            toasts << toast;
    }
    return toasts;
}

QPoint expectedPosition(const QWidget *toast)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return {screen.x() + (screen.width() - toast->width()) / 2,
            screen.y() + (screen.height() * 5) / 10};
}

QtMessageHandler testLogHandler = nullptr;

// The offscreen platform warns on every opacity step of every fade; those hundreds of lines would
// bury a failure's own message in the log.
void dropPlatformNoise(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    testLogHandler(type, context, message);
}

} // namespace

class TestToast : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { testLogHandler = qInstallMessageHandler(dropPlatformNoise); }

    void cleanup()
    {
        qDeleteAll(liveToasts());
        QVERIFY(liveToasts().isEmpty());
    }

    void placementAndLook()
    {
        Toast::showToast("Image Saved", nullptr);
        const QList<Toast *> toasts = liveToasts();
        QCOMPARE(toasts.size(), 1);
        Toast *toast = toasts.first();
        QVERIFY(toast->isVisible());
        QCOMPARE(toast->pos(), expectedPosition(toast));

        auto *label = toast->findChild<QLabel *>("label");
        QCOMPARE(label->text(), QString("Image Saved"));
        // The look comes from a style sheet: what counts is that it took effect on the text.
        QCOMPARE(label->font().pixelSize(), 26);
        // Shrunk to its text: narrower than the form, yet the text is not clipped.
        QVERIFY(toast->width() < 400);
        QVERIFY(label->contentsRect().width()
                >= label->fontMetrics().horizontalAdvance(label->text()));
        const Qt::WindowFlags flags = toast->windowFlags();
        QVERIFY(flags & Qt::FramelessWindowHint);
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(toast->testAttribute(Qt::WA_TranslucentBackground));
    }

    void markupInTheTextShowsLiterally()
    {
        const QString text = QStringLiteral("Saved to /cards/<b>x</b> & <img src=y>");
        Toast::showToast(text, nullptr);
        auto *label = liveToasts().first()->findChild<QLabel *>("label");
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->text(), text);
    }

    void fadesInStaysAndGoes()
    {
        // A toast whose owner goes at once: the toasts below run their whole timeline past the
        // moment it would have faded out, and nothing may fire on it meanwhile.
        {
            QWidget owner;
            owner.show();
            Toast::showToast("Image Saved", &owner);
            QVERIFY(owner.findChild<Toast *>());
        }
        QVERIFY(liveToasts().isEmpty());

        // Two at once, each on a timeline of its own.
        QElapsedTimer clock;
        clock.start();
        Toast::showToast("Image Saved", nullptr);
        Toast::showToast("Image Saved", nullptr);
        const QList<Toast *> shown = liveToasts();
        QCOMPARE(shown.size(), 2);
        QPointer<Toast> first = shown.at(0);
        QPointer<Toast> second = shown.at(1);
        QVERIFY(first->windowOpacity() < 0.5 && second->windowOpacity() < 0.5);
        QTRY_VERIFY_WITH_TIMEOUT(
            first->windowOpacity() == 1.0 && second->windowOpacity() == 1.0, 5000);
        // Fully shown no sooner than the end of the fade-in.
        QVERIFY(clock.elapsed() >= kFade - 50);
        QTRY_VERIFY_WITH_TIMEOUT(first.isNull() || first->windowOpacity() < 0.9, 8000);
        QVERIFY(clock.elapsed() >= kHold - 50);
        QTRY_VERIFY_WITH_TIMEOUT(first.isNull() || second.isNull(), 10000);
        // Gone only after fading out completely, each of them.
        const qint64 gone = clock.elapsed();
        QVERIFY2(gone >= kHold + kFade - 50, qPrintable(QString("gone after %1 ms").arg(gone)));
        QTRY_VERIFY_WITH_TIMEOUT(first.isNull() && second.isNull(), 10000);
        QVERIFY(liveToasts().isEmpty());
    }

    void longTextWrapsAndIsCentred()
    {
        const QString text = QString("The picture of every channel was saved. ").repeated(8);
        Toast::showToast(text, nullptr);
        Toast *toast = liveToasts().value(0);
        QVERIFY(toast);
        auto *label = toast->findChild<QLabel *>("label");
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(toast->width() < screen.width());
        QVERIFY(label->height() > 2 * label->fontMetrics().height());
        QCOMPARE(toast->pos(), expectedPosition(toast));
    }

    void twoToastsShareThePlace()
    {
        Toast::showToast("Image Saved", nullptr);
        Toast::showToast("Image Saved", nullptr);
        const QList<Toast *> toasts = liveToasts();
        QCOMPARE(toasts.size(), 2);
        QCOMPARE(toasts[0]->pos(), toasts[1]->pos());
        QVERIFY(toasts[0]->isVisible() && toasts[1]->isVisible());
    }

    void parentDestroyedFirst()
    {
        auto *owner = new QWidget;
        owner->show();
        Toast::showToast("Image Saved", owner);
        QPointer<Toast> toast = owner->findChild<Toast *>();
        QVERIFY(toast);
        QVERIFY(toast->isWindow());
        QCOMPARE(toast->pos(), expectedPosition(toast));
        delete owner;
        QVERIFY(toast.isNull());
        // That nothing fires on it later is seen in fadesInStaysAndGoes, which waits that long.
    }
};

QTEST_MAIN(TestToast)
#include "test_toast.moc"
