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
