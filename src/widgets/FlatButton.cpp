// Flat push button (see FlatButton.h).
#include "widgets/FlatButton.h"

#include <algorithm>

TFlatButton::TFlatButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    // Palette roles keep the button right under dark and light themes alike.
    setStyleSheet(QStringLiteral("TFlatButton { border: 1px solid palette(mid); border-radius: 2px;"
                                 " background: palette(button); padding: 3px 12px; }"
                                 "TFlatButton:hover { background: palette(light); }"
                                 "TFlatButton:pressed { background: palette(midlight); }"
                                 "TFlatButton:focus, TFlatButton:default { border-color: palette(highlight); }"
                                 "TFlatButton:disabled { color: palette(mid); }"));
}

QSize TFlatButton::sizeHint() const {
    // A minimum width through the style sheet would pin the minimum size, and a layout could
    // then squeeze a longer (translated) caption; a wider hint keeps short captions even instead.
    QSize hint = QPushButton::sizeHint();
    hint.setWidth(std::max(hint.width(), 75));
    return hint;
}
