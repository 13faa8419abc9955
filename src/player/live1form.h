#pragma once

#include "liveform.h"

namespace Ui {
class Live1Form;
}

// One channel; also the surface of the technical information text.
class Live1Form : public LiveForm
{
    Q_OBJECT

public:
    explicit Live1Form(QWidget *parent = nullptr);
    ~Live1Form() override;

    void play(const QString &path);


private:
    Ui::Live1Form *ui = nullptr;
};
