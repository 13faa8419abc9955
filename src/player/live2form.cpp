#include "live2form.h"

#include "mpvwidget.h"
#include "ui_live2form.h"

Live2Form::Live2Form(QWidget *parent) : LiveForm(parent), ui(new Ui::Live2Form)
{
    ui->setupUi(this);
    attachChannels({ui->live01Widget, ui->live02Widget});
}

Live2Form::~Live2Form()
{
    delete ui;
}

void Live2Form::play(const QString &path1, const QString &path2)
{
    m_viewState = 0;
    ui->live01Widget->show();
    ui->live02Widget->show();
    loadChannels({path1, path2});
    muteAllButFirst();
}

void Live2Form::switchView()
{
    const QString volume = QStringLiteral("volume");
    // A view change shows other pictures; it does not start a paused recording.
    const bool playing = !isPaused();
    switch (m_viewState) {
    case 0:
        ui->live01Widget->show();
        ui->live02Widget->hide();
        if (playing && channelPaused(0))
            setChannelPlaying(0, true);
        if (!channelPaused(1))
            setChannelPlaying(1, false);
        m_viewState = 1;
        break;
    case 1:
        ui->live01Widget->hide();
        ui->live02Widget->show();
        if (!channelPaused(0))
            setChannelPlaying(0, false);
        if (playing && channelPaused(1))
            setChannelPlaying(1, true);
        // The channel shown alone is heard, whether or not it was still playing.
        ui->live02Widget->setMpvProperty(volume, ui->live01Widget->mpvProperty(volume));
        m_viewState = 2;
        break;
    case 2:
        ui->live01Widget->show();
        ui->live02Widget->show();
        if (playing && channelPaused(0))
            setChannelPlaying(0, true);
        if (playing && channelPaused(1))
            setChannelPlaying(1, true);
        muteAllButFirst();
        m_viewState = 0;
        break;
    default:
        break;
    }
}
