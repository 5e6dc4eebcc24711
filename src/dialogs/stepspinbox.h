// A spin box that tells when its arrows (or the arrow keys) step it, apart from typing.
#pragma once

#include <QSpinBox>

class StepSpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit StepSpinBox(QWidget* parent = nullptr);

    void stepBy(int steps) override;

signals:
    // After a step, with the new value; typing into the edit never emits it.
    void Stepped(int value);
};
