// TSpinEdit: a number box with up and down arrows whose typing can be switched off, so the
// value can only be stepped (arrows, keys, wheel) and never be left half-typed.
#pragma once

#include <QSpinBox>

class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    void SetTypingEnabled(bool enabled);
    bool TypingEnabled() const;
};
