#pragma once

#include "translationloader.h"

#include <QWidget>

namespace Ui {
class VideoAdjustWidget;
}

// Brightness, saturation and contrast sliders (-100..100) with a reset button, shown in the drop
// down menu of the main window's adjustment button. It keeps no preference: every change is
// passed on by a signal and the main window applies it to the channel form in use.
class VideoAdjustWidget : public QWidget
{
    Q_OBJECT

public:
    explicit VideoAdjustWidget(QWidget *parent = nullptr);
    ~VideoAdjustWidget() override;

    // The reset button has no text of its own: the main window passes its translated "Reset".
    void setResetText(const QString &text);

signals:
    void setBrightSliderValue(int value);
    void setSaturationSliderValue(int value);
    void setContrastSliderValue(int value);
    void setAdAdjustResetOnClick();
    void setBrightMin();
    void setBrightMax();
    void setSaturationMin();
    void setSaturationMax();
    void setContrastMin();
    void setContrastMax();

public slots:
    void brightSliderValue(int value);
    void saturationSliderValue(int value);
    void contrastSliderValue(int value);
    void adAdjustResetOnClick();
    void brightMinOnClick();
    void brightMaxOnClick();
    void saturationMinOnClick();
    void saturationMaxOnClick();
    void contrastMinOnClick();
    void contrastMaxOnClick();

private:
    Ui::VideoAdjustWidget *ui;
    TranslationLoader translationLoader;
};
