// Flat push button (see FlatButton.h).
#include "widgets/FlatButton.h"

TFlatButton::TFlatButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    // Palette roles keep the button right under dark and light themes alike.
    setStyleSheet(QStringLiteral("TFlatButton { border: 1px solid palette(mid); border-radius: 2px;"
                                 " background: palette(button); padding: 3px 12px; min-width: 48px; }"
                                 "TFlatButton:hover { background: palette(light); }"
                                 "TFlatButton:pressed { background: palette(midlight); }"
                                 "TFlatButton:focus, TFlatButton:default { border-color: palette(highlight); }"
                                 "TFlatButton:disabled { color: palette(mid); }"));
}
