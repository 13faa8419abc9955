#include "toast.h"
#include "ui_toast.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>

namespace {
const char labelStyle[] =
    "background-color:#88000000;font-size:26px;color:#ffffff;border-radius:5px;";
} // namespace

Toast::Toast(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::Toast)
{
    ui->setupUi(this);
}

Toast::~Toast()
{
    delete ui;
}

void Toast::showToast(const QString &text, QWidget *parent)
{
    auto *toast = new Toast(parent);
    toast->setWindowFlags(toast->windowFlags() | Qt::Tool | Qt::FramelessWindowHint);
    toast->setAttribute(Qt::WA_TranslucentBackground);
    toast->ui->label->setStyleSheet(QString::fromLatin1(labelStyle));
    toast->setWindowFlags(toast->windowFlags() | Qt::WindowStaysOnTopHint);
    // A toast may name a file or a folder: its text is never markup.
    toast->ui->label->setTextFormat(Qt::PlainText);
    toast->ui->label->setText(text);
    // The size is taken before the position is worked out: a long text wraps and makes the toast
    // taller and narrower than its form.
    toast->adjustSize();

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        // Offsets by the screen's origin, which is not (0, 0) on every multi-screen layout.
        const QRect area = screen->geometry();
        toast->move(area.x() + (area.width() - toast->width()) / 2,
                    area.y() + (area.height() * 5) / 10);
    }

    auto *fadeIn = new QPropertyAnimation(toast, "windowOpacity", toast);
    fadeIn->setDuration(fadeMilliseconds);
    fadeIn->setStartValue(0.0);
    fadeIn->setEndValue(1.0);
    fadeIn->start(QAbstractAnimation::DeleteWhenStopped);
    toast->show();

    // The toast is the timer's context: a toast destroyed early (with its parent) cancels it.
    // A coarse timer may fire up to 5% early, cutting a tenth of a second off the hold.
    QTimer::singleShot(holdMilliseconds, Qt::PreciseTimer, toast, &Toast::fadeOut);
}

void Toast::fadeOut()
{
    auto *animation = new QPropertyAnimation(this, "windowOpacity", this);
    animation->setDuration(fadeMilliseconds);
    animation->setStartValue(1.0);
    animation->setEndValue(0.0);
    connect(animation, &QPropertyAnimation::finished, this, [this] {
        close();
        deleteLater();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void Toast::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 0));
    painter.drawRect(rect());
}
