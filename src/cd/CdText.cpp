// CD-TEXT of a disc (see CdText.h).
#include "cd/CdText.h"

bool TCdText::Empty() const {
    if (!Disc.Empty())
        return false;
    for (const auto& [number, fields] : Tracks)
        if (!fields.Empty())
            return false;
    return true;
}

bool ReadCdText(int handle, TCdText& text) {
    Q_UNUSED(handle);
    text = TCdText();
    return false;
}
