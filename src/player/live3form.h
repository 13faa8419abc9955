#pragma once

#include "liveform.h"

namespace Ui {
class Live3Form;
}

// Channels 1 and 2 side by side above channel 3; switchView cycles all -> 1 -> 2 -> 3 alone.
class Live3Form : public LiveForm
{
    Q_OBJECT

public:
    explicit Live3Form(QWidget *parent = nullptr);
    ~Live3Form() override;

    void play(const QString &path1, const QString &path2, const QString &path3);
    void switchView();
    int viewState() const { return m_viewState; }

private:
    // In channel order: pauses every other channel that plays; unpauses the given one if it
    // was paused and, when takeVolume, gives it channel 1's volume.
    void soloChannel(int index, bool takeVolume, bool playing);

    Ui::Live3Form *ui = nullptr;
    int m_viewState = 0;
};
