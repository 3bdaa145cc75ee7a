// Tag containers of the stream framework: a fixed set of named fields per tag format, each
// holding a QVariant. TVorbisTags travels with the Ogg Vorbis components; every tagged file
// source also carries TId3v1Tags, TId3v2Tags, TAPEv2Tags and TCommonTags.
//
// Names compare without regard to case and are kept sorted; values can only be set for the
// names a container declares. Empty is true until the first value change (and after Clear);
// Changed is set by every change and by Clear.
#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>
#include <utility>
#include <vector>

class TAuTags {
public:
    TAuTags() = default;
    virtual ~TAuTags() = default;
    TAuTags(const TAuTags&) = delete;
    TAuTags& operator=(const TAuTags&) = delete;

    bool Empty = true;
    bool Changed = false;

    int Count() const { return static_cast<int>(Values.size()); }
    // The index-th name in sorted order; empty outside 0 .. Count - 1.
    QString NameAt(int index) const;
    // A copy of the value; null for an undeclared name.
    QVariant GetValue(const QString& name) const;
    // Ignored for an undeclared name or a value equal to the stored one.
    void SetValue(const QString& name, const QVariant& value);
    // Integer values as they are, text converted when it is a valid integer; else 0.
    int32_t GetInteger(const QString& name) const;
    // Integer values as decimal text, text as it is; anything else empty.
    QString GetString(const QString& name) const;
    QString GetWideString(const QString& name) const { return GetString(name); }
    // Declares a name with a default value, unless empty or already declared.
    void AddTag(const QString& name, const QVariant& defaultValue = QVariant());
    // Every value becomes null; Empty and Changed are set.
    void Clear();
    // Clear, then copy the values of the names declared on both sides.
    virtual void Assign(const TAuTags& source);
    void AssignTo(TAuTags& destination) const { destination.Assign(*this); }

    // File operations on an open descriptor (-1 = none).
    virtual bool Detect(int fd);
    virtual bool ReadFromFile(int fd);
    virtual bool WriteToFile(int fd);

protected:
    // Index of a declared name, or -1.
    int IndexOf(const QString& name) const;

private:
    std::vector<std::pair<QString, QVariant>> Values; // sorted by name without case
};

class TVorbisTags : public TAuTags {
public:
    TVorbisTags();

    QString Album() const { return GetWideString("album"); }
    void SetAlbum(const QString& v) { SetValue("album", v); }
    QString Artist() const { return GetWideString("artist"); }
    void SetArtist(const QString& v) { SetValue("artist", v); }
    QString Date() const { return GetWideString("date"); }
    void SetDate(const QString& v) { SetValue("date", v); }
    QString Genre() const { return GetWideString("genre"); }
    void SetGenre(const QString& v) { SetValue("genre", v); }
    QString Title() const { return GetWideString("title"); }
    void SetTitle(const QString& v) { SetValue("title", v); }
    QString Track() const { return GetWideString("tracknumber"); }
    void SetTrack(const QString& v) { SetValue("tracknumber", v); }
    QString Disc() const { return GetWideString("discnumber"); }
    void SetDisc(const QString& v) { SetValue("discnumber", v); }
    QString Reference() const { return GetWideString("replaygain_reference_loudness"); }
    void SetReference(const QString& v) { SetValue("replaygain_reference_loudness", v); }
    QString TrackGain() const { return GetWideString("replaygain_track_gain"); }
    void SetTrackGain(const QString& v) { SetValue("replaygain_track_gain", v); }
    QString TrackPeak() const { return GetWideString("replaygain_track_peak"); }
    void SetTrackPeak(const QString& v) { SetValue("replaygain_track_peak", v); }
    QString AlbumGain() const { return GetWideString("replaygain_album_gain"); }
    void SetAlbumGain(const QString& v) { SetValue("replaygain_album_gain", v); }
    QString AlbumPeak() const { return GetWideString("replaygain_album_peak"); }
    void SetAlbumPeak(const QString& v) { SetValue("replaygain_album_peak", v); }
};

class TCommonTags : public TAuTags {
public:
    TCommonTags();

    QString Artist() const { return GetWideString("Artist"); }
    void SetArtist(const QString& v) { SetValue("Artist", v); }
    QString Album() const { return GetWideString("Album"); }
    void SetAlbum(const QString& v) { SetValue("Album", v); }
    QString Genre() const { return GetWideString("Genre"); }
    void SetGenre(const QString& v) { SetValue("Genre", v); }
    QString Year() const { return GetString("Year"); }
    void SetYear(const QString& v) { SetValue("Year", v); }
    QString Track() const { return GetString("Track"); }
    void SetTrack(const QString& v) { SetValue("Track", v); }
    QString Title() const { return GetWideString("Title"); }
    void SetTitle(const QString& v) { SetValue("Title", v); }
};

// The standard ID3v1 genre list, numbers 0 ("Blues") to 147 ("Synthpop").
extern const char* const Id3v1GenreTable[148];

class TId3v1Tags : public TAuTags {
public:
    TId3v1Tags();

    QString Title() const { return GetString("title"); }
    void SetTitle(const QString& v) { SetValue("title", v); }
    QString Artist() const { return GetString("artist"); }
    void SetArtist(const QString& v) { SetValue("artist", v); }
    QString Album() const { return GetString("album"); }
    void SetAlbum(const QString& v) { SetValue("album", v); }
    int16_t Year() const { return static_cast<int16_t>(GetInteger("year")); }
    void SetYear(int16_t v) { SetValue("year", static_cast<int>(v)); }
    QString Comment() const { return GetString("comment"); }
    void SetComment(const QString& v) { SetValue("comment", v); }
    uint8_t Track() const { return static_cast<uint8_t>(GetInteger("track")); }
    void SetTrack(uint8_t v) { SetValue("track", static_cast<int>(v)); }
    // The genre's name; "Other" (12) when the stored number is 148 or above.
    QString Genre() const;
    // Stores the number of a name of the table (compared without case); unknown names are ignored.
    void SetGenre(const QString& name);
    uint8_t GenreId() const { return static_cast<uint8_t>(GetInteger("genre")); }
    void SetGenreId(uint8_t v) { SetValue("genre", static_cast<int>(v)); }

    // True when the file's last 128 bytes begin with "TAG"; the file position is kept.
    bool Detect(int fd) override;
};

class TId3v2Tags : public TAuTags {
public:
    TId3v2Tags();

    // Each property reads the ID3v2.3 frame and falls back to the ID3v2.2 one; setting stores both.
    QString Artist() const { return Get("TPE1", "TP1"); }
    void SetArtist(const QString& v) { Set("TPE1", "TP1", v); }
    QString Album() const { return Get("TALB", "TAL"); }
    void SetAlbum(const QString& v) { Set("TALB", "TAL", v); }
    QString Genre() const { return Get("TCON", "TCO"); }
    void SetGenre(const QString& v) { Set("TCON", "TCO", v); }
    QString Year() const { return Get("TYER", "TYE"); }
    void SetYear(const QString& v) { Set("TYER", "TYE", v); }
    QString Track() const { return Get("TRCK", "TRK"); }
    void SetTrack(const QString& v) { Set("TRCK", "TRK", v); }
    QString Title() const { return Get("TIT2", "TT2"); }
    void SetTitle(const QString& v) { Set("TIT2", "TT2", v); }
    QString Comment() const { return Get("COMM", "COM"); }
    void SetComment(const QString& v) { Set("COMM", "COM", v); }
    QString Composer() const { return Get("TCOM", "TCM"); }
    void SetComposer(const QString& v) { Set("TCOM", "TCM", v); }
    QString Encoder() const { return Get("TENC", "TEN"); }
    void SetEncoder(const QString& v) { Set("TENC", "TEN", v); }
    QString Copyright() const { return Get("TCOP", "TCR"); }
    void SetCopyright(const QString& v) { Set("TCOP", "TCR", v); }
    QString Language() const { return Get("TLAN", "TLA"); }
    void SetLanguage(const QString& v) { Set("TLAN", "TLA", v); }
    QString Link() const { return Get("WXXX", "WXX"); }
    void SetLink(const QString& v) { Set("WXXX", "WXX", v); }

private:
    QString Get(const char* v23, const char* v22) const;
    void Set(const char* v23, const char* v22, const QString& value);
};

class TAPEv2Tags : public TAuTags {
public:
    TAPEv2Tags();

#define DW_APE_PROPERTY(Prop, Name)                                                                                    \
    QString Prop() const {                                                                                             \
        return GetWideString(Name);                                                                                    \
    }                                                                                                                  \
    void Set##Prop(const QString& v) {                                                                                 \
        SetValue(Name, v);                                                                                             \
    }
    DW_APE_PROPERTY(Artist, "Artist")
    DW_APE_PROPERTY(Composer, "Composer")
    DW_APE_PROPERTY(Album, "Album")
    DW_APE_PROPERTY(DebutAlbum, "Debut album")
    DW_APE_PROPERTY(Publisher, "Publisher")
    DW_APE_PROPERTY(Conductor, "Conductor")
    DW_APE_PROPERTY(Copyright, "Copyright")
    DW_APE_PROPERTY(ISBN, "ISBN")
    DW_APE_PROPERTY(ISRC, "ISRC")
    DW_APE_PROPERTY(BarCode, "EAN/UPC")
    DW_APE_PROPERTY(LabelCode, "LC")
    DW_APE_PROPERTY(Catalog, "Catalog")
    DW_APE_PROPERTY(Language, "Language")
    DW_APE_PROPERTY(Genre, "Genre")
    DW_APE_PROPERTY(Year, "Year")
    DW_APE_PROPERTY(RecordDate, "Record Date")
    DW_APE_PROPERTY(RecordLocation, "Record Location")
    DW_APE_PROPERTY(File, "File")
    DW_APE_PROPERTY(Related, "Related")
    DW_APE_PROPERTY(Abstract, "Abstract")
    DW_APE_PROPERTY(Bibliography, "Bibliography")
    DW_APE_PROPERTY(Track, "Track")
    DW_APE_PROPERTY(Title, "Title")
    DW_APE_PROPERTY(SubTitle, "Subtitle")
    DW_APE_PROPERTY(Comment, "Comment")
#undef DW_APE_PROPERTY
};
