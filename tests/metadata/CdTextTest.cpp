// CD-TEXT without a network: a cue sheet's TITLE, PERFORMER and SONGWRITER lines (as other
// tools write them: any case, quoted or not, Latin-1), a CDTEXTFILE of binary packs read
// through libcdio, and the drive library's ReadCdText on a real image; the lookup source that
// turns it into a candidate.
#include "cd/CdText.h"
#include "cd/DiscKey.h"
#include "cd/akrip32.h"
#include "core/Settings.h"
#include "fixtures/DiscImage.h"
#include "metadata/DiscLookup.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// CD-TEXT packs as a drive returns them: 18 bytes each (type, track, sequence, block and
// character position, 12 bytes of text, CRC-16 of the 16 bytes before it, inverted).
QByteArray Pack(uint8_t type, uint8_t track, uint8_t sequence, uint8_t position, const QByteArray& text) {
    QByteArray p;
    p.append(char(type)).append(char(track)).append(char(sequence)).append(char(std::min<int>(position, 15)));
    p.append(text.leftJustified(12, '\0', true));
    uint16_t crc = 0;
    for (const char byte : p) {
        crc ^= uint16_t(uint8_t(byte)) << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 0x8000 ? uint16_t(crc << 1 ^ 0x1021) : uint16_t(crc << 1);
    }
    crc = uint16_t(~crc);
    return p.append(char(crc >> 8)).append(char(crc & 0xFF));
}

// The packs of one text type: the texts of the disc (track 0) and tracks 1.. joined with NULs.
QByteArray Packs(uint8_t type, const QList<QByteArray>& texts, uint8_t& sequence, int& count) {
    QByteArray all;
    QList<int> startOf;
    for (const QByteArray& t : texts) {
        startOf << int(all.size());
        all += t + '\0';
    }
    QByteArray packs;
    for (int at = 0; at < all.size(); at += 12) {
        int track = 0;
        while (track + 1 < startOf.size() && startOf[track + 1] <= at)
            ++track;
        packs += Pack(type, uint8_t(track), sequence++, uint8_t(at - startOf[track]), all.mid(at, 12));
        ++count;
    }
    return packs;
}

QByteArray CdTextFile(const QList<QByteArray>& titles, const QList<QByteArray>& performers) {
    uint8_t sequence = 0;
    int titlePacks = 0;
    int performerPacks = 0;
    QByteArray packs = Packs(0x80, titles, sequence, titlePacks);
    packs += Packs(0x81, performers, sequence, performerPacks);
    // The block's size information: character set (ISO 8859-1), tracks, pack counts by type,
    // last sequence number and language (English) of block 0.
    QByteArray info(36, '\0');
    info[1] = 1;
    info[2] = char(titles.size() - 1);
    info[4] = char(titlePacks);
    info[5] = char(performerPacks);
    info[4 + 0x0F] = 3; // the size information itself (type 0x8F)
    info[20] = char(sequence + 2);
    info[28] = 0x09;
    for (int i = 0; i < 3; ++i)
        packs += Pack(0x8F, uint8_t(i), sequence++, 0, info.mid(i * 12, 12));
    return packs;
}

} // namespace

TEST(CdTextTest, CueSheetLinesForTheDiscAndEachTrack) {
    const QByteArray sheet = "REM GENRE Rock\r\n"
                             "performer \"Some Band\"\r\n"
                             "TITLE \"First Album\"\r\n"
                             "SONGWRITER Writer\r\n"
                             "FILE \"disc.bin\" BINARY\r\n"
                             "  TRACK 01 AUDIO\r\n"
                             "    TITLE \"Opening\"\r\n"
                             "    PERFORMER \"Guest\"\r\n"
                             "    INDEX 01 00:00:00\r\n"
                             "  TRACK 02 AUDIO\r\n"
                             "    INDEX 01 00:16:34\r\n"
                             "  track 03 audio\r\n"
                             "    title Unquoted words\r\n"
                             "    TITLE \"Tab\there\"\r\n";
    const TCdText text = CueSheetCdText(sheet, QString());
    EXPECT_EQ(text.Disc.Title, "First Album");
    EXPECT_EQ(text.Disc.Performer, "Some Band");
    EXPECT_EQ(text.Disc.Songwriter, "Writer");
    ASSERT_EQ(text.Tracks.size(), 2u); // track 2 has none
    EXPECT_EQ(text.Tracks.at(1).Title, "Opening");
    EXPECT_EQ(text.Tracks.at(1).Performer, "Guest");
    // The last line of a track wins; control characters become blanks.
    EXPECT_EQ(text.Tracks.at(3).Title, "Tab here");

    // A sheet written in a Windows code page rather than UTF-8.
    EXPECT_EQ(CueSheetCdText("TITLE \"Caf\xe9\"\n", QString()).Disc.Title, QString::fromUtf8("Café"));
    EXPECT_TRUE(CueSheetCdText("FILE \"x.bin\" BINARY\n  TRACK 01 AUDIO\n", QString()).Empty());
}

TEST(CdTextTest, CdTextFilePacksFillWhatTheSheetLeavesOpen) {
    TTempProgramFolder folder;
    ASSERT_TRUE(
        WriteFile(folder.File("disc.cdt"), CdTextFile({"Packed Album", "One", "Two"}, {"Packed Band", "", ""})));
    const QByteArray sheet = "CDTEXTFILE \"disc.cdt\"\nTITLE \"Sheet Album\"\nFILE \"disc.bin\" BINARY\n"
                             "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    TITLE \"Sheet Two\"\n";
    const TCdText text = CueSheetCdText(sheet, folder.File("disc.cue"));
    EXPECT_EQ(text.Disc.Title, "Sheet Album");
    EXPECT_EQ(text.Disc.Performer, "Packed Band");
    EXPECT_EQ(text.Tracks.at(1).Title, "One");
    EXPECT_EQ(text.Tracks.at(2).Title, "Sheet Two");
    // Packs with the 4-byte header of the drive's answer read the same; a damaged file nothing.
    const QByteArray packs = CdTextFile({"A", "B"}, {"C", ""});
    EXPECT_EQ(CdTextFromPacks(QByteArray(4, '\0') + packs).Tracks.at(1).Title, "B");
    EXPECT_TRUE(CdTextFromPacks(packs.left(20)).Empty());
}

TEST(CdTextTest, ImageDriveReadsItsSheetAndTheLookupSourceNamesTheDisc) {
    TTempProgramFolder folder;
    const TDiscImage image = MakeDiscImage(folder.Path(), "disc", StandardTracks());
    QByteArray cue = ReadFile(image.CuePath);
    cue.replace("FILE", "PERFORMER \"Some Band\"\nTITLE \"First Album\"\nFILE");
    cue.replace("  TRACK 02 AUDIO\n", "  TRACK 02 AUDIO\n    TITLE \"Second Song\"\n");
    ASSERT_TRUE(WriteFile(image.CuePath, cue));
    Settings.Images = image.CuePath;
    const int handle = OpenCDDriveAt(0);
    ASSERT_NE(handle, 0) << CDLastError().toStdString();
    TCdText text;
    ASSERT_TRUE(ReadCdText(handle, text));
    TDisc disc;
    ASSERT_TRUE(ReadDisc(handle, disc));
    CloseCDHandle(handle);

    TCdTextSource source(text);
    const TLookupAnswer answer = source.Look(disc);
    ASSERT_TRUE(answer.Found());
    const TDiscCandidate& c = answer.Candidates.front();
    EXPECT_EQ(c.Description(), "Some Band / First Album (CD-TEXT)");
    EXPECT_EQ(c.Record.Artist.value_or(""), "Some Band");
    EXPECT_EQ(c.Record.Titles, QStringList({"", "Second Song"}));
    EXPECT_FALSE(TCdTextSource(TCdText()).Look(disc).Found());
}
