// A program folder for main-window tests: a scripted prompter, disc images made by the
// fixtures, and options.ini / cdinfo.dat written as a user's would be before the window starts.
#pragma once

#include "fixtures/DiscImage.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"

#include <QMap>
#include <QString>

#include <ostream>

// Readable failure output for texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

class TMainFixture {
public:
    // The window loads options.ini: one that keeps lookups off the network until a test
    // writes its own (WriteOptions keeps them off too).
    TMainFixture();
    ~TMainFixture() { SetPrompter(nullptr); }

    // Writes a disc image into the program folder.
    TDiscImage Disc(const QString& name, const std::vector<TImageTrack>& tracks = StandardTracks(),
                    uint32_t seed = 1) const;
    // The cdinfo.dat key of an image.
    static QString KeyOf(const TDiscImage& disc);
    // options.ini with the images as drives and drive `index` chosen (before the window loads it);
    // without a [Metadata] section in `extra`, no lookup runs when a disc appears.
    void WriteOptions(const QStringList& images, int index = 0, const QString& extra = QString()) const;
    // cdinfo.dat with the titles of one disc (track number -> title).
    void WriteTitles(const QString& key, const QMap<int, QString>& titles) const;

    TTempProgramFolder Folder;
    TScriptedPrompter Scripted;
};
