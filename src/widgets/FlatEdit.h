// TFlatEdit: a one-line edit drawn flat (a thin frame that takes the highlight colour while
// the edit has the focus).
#pragma once

#include <QLineEdit>

class TFlatEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TFlatEdit(QWidget* parent = nullptr);
};
