// CD-TEXT of a disc (see CdText.h).
#include "cd/CdText.h"

#include "cd/TocFile.h"

bool TCdText::Empty() const {
    if (!Disc.Empty())
        return false;
    for (const auto& [number, fields] : Tracks)
        if (!fields.Empty())
            return false;
    return true;
}

bool ReadCdText(int handle, TCdText& text) {
    text = TCdText();
    // A .toc image carries its CD-TEXT in its own CD_TEXT blocks.
    if (ReadTocFileCdText(handle, text))
        return true;
    return false;
}
