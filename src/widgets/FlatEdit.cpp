// Flat one-line edit (see FlatEdit.h).
#include "widgets/FlatEdit.h"

TFlatEdit::TFlatEdit(QWidget* parent) : QLineEdit(parent) {
    setStyleSheet(QStringLiteral("TFlatEdit { border: 1px solid palette(mid); padding: 2px 3px;"
                                 " background: palette(base); }"
                                 "TFlatEdit:focus { border-color: palette(highlight); }"
                                 "TFlatEdit:disabled { background: palette(window); color: palette(mid); }"));
}
