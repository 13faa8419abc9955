#pragma once

#include "liveform.h"

namespace Ui {
class Live2Form;
}

// Two channels side by side; switchView cycles both -> channel 1 alone -> channel 2 alone.
class Live2Form : public LiveForm
{
    Q_OBJECT

public:
    explicit Live2Form(QWidget *parent = nullptr);
    ~Live2Form() override;

    void play(const QString &path1, const QString &path2);
    void switchView();
    int viewState() const { return m_viewState; }

private:
    Ui::Live2Form *ui = nullptr;
    int m_viewState = 0;
};
