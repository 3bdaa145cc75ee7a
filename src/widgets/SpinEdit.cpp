// Spin edit (see SpinEdit.h).
#include "widgets/SpinEdit.h"

#include <QLineEdit>

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent) {}

void TSpinEdit::SetTypingEnabled(bool enabled) {
    // Only the text field becomes read-only; the spin box itself still steps.
    lineEdit()->setReadOnly(!enabled);
}

bool TSpinEdit::TypingEnabled() const {
    return !lineEdit()->isReadOnly();
}
