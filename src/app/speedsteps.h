#pragma once

#include <QSpinBox>
#include <QString>
#include <QVariant>

// The playback speed steps of the speed box: -4..4, moved two at a time.
namespace SpeedSteps {

constexpr int minimum = -4;
constexpr int maximum = 4;

// The mpv speed of a step: slow speeds travel as doubles, normal and fast ones as integers.
QVariant speedForStep(int step);

// What the box shows for a step: the speed it plays at ("1/16x", "1/2x", "1x", "16x").
QString textForStep(int step);

} // namespace SpeedSteps

// The speed box: the same steps, each shown as the speed it plays at.
class SpeedSpinBox : public QSpinBox
{
    Q_OBJECT
public:
    using QSpinBox::QSpinBox;

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString &text) const override;
    QValidator::State validate(QString &input, int &pos) const override;
};
