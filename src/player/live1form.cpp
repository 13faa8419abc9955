#include "live1form.h"

#include "ui_live1form.h"

Live1Form::Live1Form(QWidget *parent) : LiveForm(parent), ui(new Ui::Live1Form)
{
    ui->setupUi(this);
    attachChannels({ui->live01Widget});
}

Live1Form::~Live1Form()
{
    delete ui;
}

void Live1Form::play(const QString &path)
{
    loadChannels({path});
}

QVariant Live1Form::commandWithResult(const QVariant &params)
{
    return ui->live01Widget->commandWithResult(params);
}

void Live1Form::setMpvOption(const QString &name, const QString &value)
{
    ui->live01Widget->setMpvOption(name, value);
}

bool Live1Form::osdInfoShown() const
{
    return ui->live01Widget->osdInfoShown();
}

void Live1Form::setOsdInfoShown(bool shown)
{
    ui->live01Widget->setOsdInfoShown(shown);
}
