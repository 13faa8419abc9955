#include "speedsteps.h"

namespace SpeedSteps {

QVariant speedForStep(int step)
{
    switch (step) {
    case -4:
        return 0.0625;
    case -3:
        return 1.0 / 12.0;
    case -2:
        return 0.125;
    case -1:
        return 0.5;
    case 2:
        return 8;
    case 3:
        return 12;
    case 4:
        return 16;
    default:
        return 1;
    }
}

QString textForStep(int step)
{
    const QVariant speed = speedForStep(step);
    if (speed.type() == QVariant::Int)
        return QString::number(speed.toInt()) + QLatin1Char('x');
    return QStringLiteral("1/%1x").arg(qRound(1.0 / speed.toDouble()));
}

} // namespace SpeedSteps

QString SpeedSpinBox::textFromValue(int value) const
{
    return SpeedSteps::textForStep(value);
}

int SpeedSpinBox::valueFromText(const QString &text) const
{
    for (int step = minimum(); step <= maximum(); ++step) {
        if (SpeedSteps::textForStep(step) == text.trimmed())
            return step;
    }
    return value();
}

QValidator::State SpeedSpinBox::validate(QString &input, int &) const
{
    for (int step = minimum(); step <= maximum(); ++step) {
        const QString text = SpeedSteps::textForStep(step);
        if (text == input.trimmed())
            return QValidator::Acceptable;
        if (text.startsWith(input.trimmed()))
            return QValidator::Intermediate;
    }
    return QValidator::Invalid;
}
