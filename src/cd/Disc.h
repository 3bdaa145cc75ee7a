// TDisc: the one model of a disc's layout, whichever way it was read (the drive library, the
// CD input, a disc image): its tracks with their numbers, start sectors and data flags, and the
// lead-out. Every id of a disc is computed here: the disc key of cdinfo.dat, the CDDB disc id
// and query numbers.
//
// Sectors are logical block addresses: the sector at 00:02:00 (MSF, the 2-second lead-in
// included) is sector 0, so a track's MSF address is its start + 150.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

struct TCDToc;

struct TDiscTrack {
    int32_t Number = 0; // the disc's own number (1..99)
    int32_t Start = 0;  // first sector (INDEX 01)
    bool Data = false;  // a data track, not audio
};

// Minutes, seconds and frames of an address.
struct TDiscMsf {
    int32_t Minutes = 0;
    int32_t Seconds = 0;
    int32_t Frames = 0;
};

class TDisc {
public:
    // In disc order, numbers ascending by one.
    std::vector<TDiscTrack> Tracks;
    // The sector after the last track.
    int32_t LeadOut = 0;

    // The TOC of the drive library (addresses in minutes/seconds/frames, as ReadTOC gives them
    // after ModifyCDParms(h, CDP_MSF, 1)).
    static TDisc FromToc(const TCDToc& toc);
    // The same TOC, for the callers of the drive library's layout.
    void ToToc(TCDToc& toc) const;

    bool Empty() const { return Tracks.empty(); }
    int32_t TrackCount() const { return int32_t(Tracks.size()); }
    int32_t FirstTrack() const { return Tracks.empty() ? 0 : Tracks.front().Number; }
    int32_t LastTrack() const { return Tracks.empty() ? 0 : Tracks.back().Number; }
    // The track with the disc's number `number`, or nullptr.
    const TDiscTrack* Track(int32_t number) const;
    // Start of the track after track index `i` (0-based), or the lead-out after the last.
    int32_t EndOf(size_t i) const { return i + 1 < Tracks.size() ? Tracks[i + 1].Start : LeadOut; }
    int32_t SectorsOf(size_t i) const { return EndOf(i) - Tracks[i].Start; }
    // True when the first track is audio (a disc the track list shows and cdinfo.dat keeps).
    bool StartsWithAudio() const { return !Tracks.empty() && !Tracks.front().Data; }
    // The sectors a drive can read as audio around track index `i`: from the start of the run
    // of audio tracks it belongs to (sector 0 for a run that begins with the disc, so audio
    // before the first track counts) to the next data track or the lead-out.
    void AudioRun(size_t i, int32_t& begin, int32_t& end) const;
    // Whether track index `i` is the first or the last audio track of the disc.
    bool FirstAudio(size_t i) const;
    bool LastAudio(size_t i) const;

    // MSF address of a sector (the lead-in's 150 sectors added).
    static TDiscMsf AddressOf(int32_t sector);
    // The track list's length of track index `i`: the minutes and seconds of the two start
    // addresses subtracted, frames ignored (so 0:02:74 to 0:05:00 is 3 seconds).
    void ListLength(size_t i, int32_t& minutes, int32_t& seconds) const;

    // The disc key: the 32-bit serial number Windows reports for an audio CD, as a signed
    // decimal: the sum over the tracks of M * 65536 + S * 256 + F of their start addresses,
    // plus, for fewer than 3 tracks, the first track's F and the disc length in frames. Empty
    // when the disc holds no track or more than 99.
    QString Key() const;
    // The CDDB disc id (eight lower-case hexadecimal digits) of every track, data tracks
    // included; "ffffffff" when the disc holds no track.
    QString CddbDiscId() const;
    // "n off1 ... offn seconds": the track count, each track's offset (start + 150) and the
    // disc length in seconds from the lead-in ((lead-out + 150) div 75). Empty without tracks.
    QString CddbQueryNumbers() const;

    // The MusicBrainz disc id (28 characters): the SHA-1 of the first and last track number
    // ("%02X") and 100 offsets ("%08X": the lead-out, then track n in slot n, 0 for the slots
    // of no track, all + 150), in base64 with "+/=" written "._-". It covers the audio
    // session: on an enhanced CD (a data track last, in a second session) the lead-out is
    // that track's start - 11400 and the data track is left out. Empty without an audio track.
    QString MusicBrainzDiscId() const;
    // The same layout as MusicBrainz's toc parameter: "first last lead-out offset1 ... offsetn",
    // separated by blanks. Empty without an audio track.
    QString MusicBrainzToc() const;
};
