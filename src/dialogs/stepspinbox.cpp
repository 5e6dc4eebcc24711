// A spin box whose steps are told apart from typed numbers.
#include "dialogs/stepspinbox.h"

StepSpinBox::StepSpinBox(QWidget* parent) : QSpinBox(parent) {}

void StepSpinBox::stepBy(int steps) {
    QSpinBox::stepBy(steps);
    emit Stepped(value());
}
