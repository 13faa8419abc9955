#include "live3form.h"

#include "mpvwidget.h"
#include "ui_live3form.h"

Live3Form::Live3Form(QWidget *parent) : LiveForm(parent), ui(new Ui::Live3Form)
{
    ui->setupUi(this);
    attachChannels({ui->live01Widget, ui->live02Widget, ui->live03Widget});
}

Live3Form::~Live3Form()
{
    delete ui;
}

void Live3Form::play(const QString &path1, const QString &path2, const QString &path3)
{
    m_viewState = 0;
    ui->topWidget->show();
    ui->buttonWidget->show();
    ui->live01Widget->show();
    ui->live02Widget->show();
    ui->live03Widget->show();
    loadChannels({path1, path2, path3});
    muteAllButFirst();
}

void Live3Form::soloChannel(int index, bool takeVolume, bool playing)
{
    const QString volume = QStringLiteral("volume");
    for (int i = 0; i < 3; ++i) {
        if (i != index) {
            if (!channelPaused(i))
                setChannelPlaying(i, false);
            continue;
        }
        if (playing && channelPaused(i))
            setChannelPlaying(i, true);
        // The channel shown alone is heard, whether or not it was still playing.
        if (takeVolume)
            channel(i)->setMpvProperty(volume, channel(0)->mpvProperty(volume));
    }
}

void Live3Form::switchView()
{
    // A view change shows other pictures; it does not start a paused recording.
    const bool playing = !isPaused();
    switch (m_viewState) {
    case 0:
        ui->live01Widget->show();
        ui->live02Widget->hide();
        ui->live03Widget->hide();
        ui->topWidget->show();
        ui->buttonWidget->hide();
        soloChannel(0, false, playing);
        m_viewState = 1;
        break;
    case 1:
        ui->live01Widget->hide();
        ui->live02Widget->show();
        ui->live03Widget->hide();
        ui->topWidget->show();
        ui->buttonWidget->hide();
        soloChannel(1, true, playing);
        m_viewState = 2;
        break;
    case 2:
        ui->live01Widget->hide();
        ui->live02Widget->hide();
        ui->live03Widget->show();
        ui->topWidget->hide();
        ui->buttonWidget->show();
        soloChannel(2, true, playing);
        m_viewState = 3;
        break;
    case 3:
        ui->live01Widget->show();
        ui->live02Widget->show();
        ui->live03Widget->show();
        ui->topWidget->show();
        ui->buttonWidget->show();
        for (int i = 0; i < 3; ++i) {
            if (playing && channelPaused(i))
                setChannelPlaying(i, true);
        }
        muteAllButFirst();
        m_viewState = 0;
        break;
    default:
        break;
    }
}
