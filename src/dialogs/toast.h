#pragma once

#include <QWidget>

namespace Ui {
class Toast;
}

// A short message that fades in centred on the primary screen with its top edge at half the
// screen height, stays for a second and fades out: about three seconds in all. Each toast runs
// its own timeline and disposes of itself; several may be on screen at once.
class Toast : public QWidget
{
    Q_OBJECT

public:
    static constexpr int fadeMilliseconds = 1000;
    // From the start of the fade-in to the start of the fade-out.
    static constexpr int holdMilliseconds = 2000;

    // Creates and shows one toast and returns at once; the toast deletes itself. parent may be
    // null; with a parent the toast also goes when the parent is destroyed.
    static void showToast(const QString &text, QWidget *parent);

    ~Toast() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    explicit Toast(QWidget *parent);
    void fadeOut();

    Ui::Toast *ui;
};
