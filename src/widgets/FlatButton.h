// TFlatButton: a push button drawn flat (a thin frame, no bevel) that lights up under the
// mouse. Its caption is translated like any button's.
#pragma once

#include <QPushButton>

class TFlatButton : public QPushButton {
    Q_OBJECT
public:
    explicit TFlatButton(const QString& text = QString(), QWidget* parent = nullptr);

    QSize sizeHint() const override;
};
