#include "videoadjustwidget.h"
#include "ui_videoadjustwidget.h"

namespace {
const char valueStyle[] = "background-color:#00000000;font-size:14px;color:#ffffff;";
constexpr int minimumLevel = -100;
constexpr int maximumLevel = 100;
} // namespace

VideoAdjustWidget::VideoAdjustWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::VideoAdjustWidget)
{
    ui->setupUi(this);
    translationLoader.loadLanguage();
    ui->retranslateUi(this);

    connect(ui->brightSlider, &QSlider::valueChanged, this, &VideoAdjustWidget::brightSliderValue);
    connect(ui->saturationSlider, &QSlider::valueChanged, this,
            &VideoAdjustWidget::saturationSliderValue);
    connect(ui->contrastSlider, &QSlider::valueChanged, this,
            &VideoAdjustWidget::contrastSliderValue);
    for (QSlider *slider : {ui->brightSlider, ui->saturationSlider, ui->contrastSlider})
        slider->setRange(minimumLevel, maximumLevel);
    connect(ui->adAdjustResetBtn, &QPushButton::clicked, this,
            &VideoAdjustWidget::adAdjustResetOnClick);

    // The icon buttons say what they stand for.
    ui->brightMinBtn->setToolTip(tr("Brightness"));
    ui->saturationMinBtn->setToolTip(tr("Saturation"));
    ui->contrastMinBtn->setToolTip(tr("Contrast"));

    const QString style = QString::fromLatin1(valueStyle);
    ui->adAdjustResetBtn->setStyleSheet(style);
    ui->brightValueLabel->setStyleSheet(style);
    ui->saturationValueLabel->setStyleSheet(style);
    ui->contrastValueLabel->setStyleSheet(style);
}

VideoAdjustWidget::~VideoAdjustWidget()
{
    delete ui;
}

void VideoAdjustWidget::setResetText(const QString &text)
{
    ui->adAdjustResetBtn->setText(text);
}

void VideoAdjustWidget::brightSliderValue(int value)
{
    ui->brightValueLabel->setText(QString::number(value));
    emit setBrightSliderValue(value);
}

void VideoAdjustWidget::saturationSliderValue(int value)
{
    ui->saturationValueLabel->setText(QString::number(value));
    emit setSaturationSliderValue(value);
}

void VideoAdjustWidget::contrastSliderValue(int value)
{
    ui->contrastValueLabel->setText(QString::number(value));
    emit setContrastSliderValue(value);
}

void VideoAdjustWidget::adAdjustResetOnClick()
{
    const QString zero = QStringLiteral("0");
    ui->brightValueLabel->setText(zero);
    ui->saturationValueLabel->setText(zero);
    ui->contrastValueLabel->setText(zero);
    // A slider already at 0 emits nothing; the reset signal below covers that case, since the
    // player may hold a value the panel never showed.
    ui->brightSlider->setValue(0);
    ui->saturationSlider->setValue(0);
    ui->contrastSlider->setValue(0);
    emit setAdAdjustResetOnClick();
}

void VideoAdjustWidget::brightMinOnClick()
{
    emit setBrightMin();
}

void VideoAdjustWidget::brightMaxOnClick()
{
    emit setBrightMax();
}

void VideoAdjustWidget::saturationMinOnClick()
{
    emit setSaturationMin();
}

void VideoAdjustWidget::saturationMaxOnClick()
{
    emit setSaturationMax();
}

void VideoAdjustWidget::contrastMinOnClick()
{
    emit setContrastMin();
}

void VideoAdjustWidget::contrastMaxOnClick()
{
    emit setContrastMax();
}
