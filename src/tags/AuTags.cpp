// Tag containers: named variant fields per tag format.
#include "tags/AuTags.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

QString TAuTags::NameAt(int index) const {
    if (index < 0 || index >= Count())
        return QString();
    return Values[static_cast<size_t>(index)].first;
}

int TAuTags::IndexOf(const QString& name) const {
    const auto it = std::lower_bound(Values.begin(), Values.end(), name, [](const auto& entry, const QString& key) {
        return QString::compare(entry.first, key, Qt::CaseInsensitive) < 0;
    });
    if (it == Values.end() || QString::compare(it->first, name, Qt::CaseInsensitive) != 0)
        return -1;
    return static_cast<int>(it - Values.begin());
}

QVariant TAuTags::GetValue(const QString& name) const {
    const int i = IndexOf(name);
    return i < 0 ? QVariant() : Values[static_cast<size_t>(i)].second;
}

namespace {

// Equal means same type and same content: an integer 0 and a text "0" are different values.
bool SameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() != b.isNull())
        return false;
    if (a.metaType() != b.metaType())
        return false;
    return a == b;
}

bool IsIntegerType(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

bool IsTextType(const QVariant& v) {
    return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
}

} // namespace

void TAuTags::SetValue(const QString& name, const QVariant& value) {
    const int i = IndexOf(name);
    if (i < 0)
        return;
    QVariant& stored = Values[static_cast<size_t>(i)].second;
    if (SameValue(stored, value))
        return;
    stored = value;
    Empty = false;
    Changed = true;
}

int32_t TAuTags::GetInteger(const QString& name) const {
    const QVariant v = GetValue(name);
    if (v.isNull())
        return 0;
    if (IsIntegerType(v))
        return static_cast<int32_t>(v.toLongLong());
    if (IsTextType(v)) {
        bool ok = false;
        const int32_t n = v.toString().trimmed().toInt(&ok);
        return ok ? n : 0;
    }
    return 0;
}

QString TAuTags::GetString(const QString& name) const {
    const QVariant v = GetValue(name);
    if (v.isNull())
        return QString();
    if (IsIntegerType(v))
        return QString::number(v.toLongLong());
    if (IsTextType(v))
        return v.toString();
    return QString();
}

void TAuTags::AddTag(const QString& name, const QVariant& defaultValue) {
    if (name.isEmpty() || IndexOf(name) >= 0)
        return;
    const auto it = std::lower_bound(Values.begin(), Values.end(), name, [](const auto& entry, const QString& key) {
        return QString::compare(entry.first, key, Qt::CaseInsensitive) < 0;
    });
    Values.insert(it, {name, defaultValue});
}

void TAuTags::Clear() {
    for (auto& entry : Values)
        entry.second = QVariant();
    Empty = true;
    Changed = true;
}

void TAuTags::Assign(const TAuTags& source) {
    if (&source == this)
        return;
    Clear();
    for (const auto& entry : source.Values)
        SetValue(entry.first, entry.second);
}

bool TAuTags::Detect(int fd) {
    return fd >= 0;
}

bool TAuTags::ReadFromFile(int fd) {
    if (fd < 0)
        return false;
    Clear();
    return true;
}

bool TAuTags::WriteToFile(int fd) {
    return fd >= 0;
}

// ---------------------------------------------------------------------------------------------

TVorbisTags::TVorbisTags() {
    for (const char* name :
         {"album", "artist", "date", "genre", "title", "tracknumber", "discnumber", "replaygain_reference_loudness",
          "replaygain_track_gain", "replaygain_track_peak", "replaygain_album_gain", "replaygain_album_peak"})
        AddTag(name);
}

TCommonTags::TCommonTags() {
    for (const char* name : {"Title", "Album", "Artist", "Genre", "Year", "Track"})
        AddTag(name, QString(""));
}

const char* const Id3v1GenreTable[148] = {"Blues",
                                          "Classic Rock",
                                          "Country",
                                          "Dance",
                                          "Disco",
                                          "Funk",
                                          "Grunge",
                                          "Hip-Hop",
                                          "Jazz",
                                          "Metal",
                                          "New Age",
                                          "Oldies",
                                          "Other",
                                          "Pop",
                                          "R&B",
                                          "Rap",
                                          "Reggae",
                                          "Rock",
                                          "Techno",
                                          "Industrial",
                                          "Alternative",
                                          "Ska",
                                          "Death Metal",
                                          "Pranks",
                                          "Soundtrack",
                                          "Euro-Techno",
                                          "Ambient",
                                          "Trip-Hop",
                                          "Vocal",
                                          "Jazz+Funk",
                                          "Fusion",
                                          "Trance",
                                          "Classical",
                                          "Instrumental",
                                          "Acid",
                                          "House",
                                          "Game",
                                          "Sound Clip",
                                          "Gospel",
                                          "Noise",
                                          "AlternRock",
                                          "Bass",
                                          "Soul",
                                          "Punk",
                                          "Space",
                                          "Meditative",
                                          "Instrumental Pop",
                                          "Instrumental Rock",
                                          "Ethnic",
                                          "Gothic",
                                          "Darkwave",
                                          "Techno-Industrial",
                                          "Electronic",
                                          "Pop-Folk",
                                          "Eurodance",
                                          "Dream",
                                          "Southern Rock",
                                          "Comedy",
                                          "Cult",
                                          "Gangsta",
                                          "Top 40",
                                          "Christian Rap",
                                          "Pop/Funk",
                                          "Jungle",
                                          "Native American",
                                          "Cabaret",
                                          "New Wave",
                                          "Psychadelic",
                                          "Rave",
                                          "Showtunes",
                                          "Trailer",
                                          "Lo-Fi",
                                          "Tribal",
                                          "Acid Punk",
                                          "Acid Jazz",
                                          "Polka",
                                          "Retro",
                                          "Musical",
                                          "Rock & Roll",
                                          "Hard Rock",
                                          "Folk",
                                          "Folk-Rock",
                                          "National Folk",
                                          "Swing",
                                          "Fast Fusion",
                                          "Bebob",
                                          "Latin",
                                          "Revival",
                                          "Celtic",
                                          "Bluegrass",
                                          "Avantgarde",
                                          "Gothic Rock",
                                          "Progressive Rock",
                                          "Psychedelic Rock",
                                          "Symphonic Rock",
                                          "Slow Rock",
                                          "Big Band",
                                          "Chorus",
                                          "Easy Listening",
                                          "Acoustic",
                                          "Humour",
                                          "Speech",
                                          "Chanson",
                                          "Opera",
                                          "Chamber Music",
                                          "Sonata",
                                          "Symphony",
                                          "Booty Bass",
                                          "Primus",
                                          "Porn Groove",
                                          "Satire",
                                          "Slow Jam",
                                          "Club",
                                          "Tango",
                                          "Samba",
                                          "Folklore",
                                          "Ballad",
                                          "Power Ballad",
                                          "Rhythmic Soul",
                                          "Freestyle",
                                          "Duet",
                                          "Punk Rock",
                                          "Drum Solo",
                                          "A capella",
                                          "Euro-House",
                                          "Dance Hall",
                                          "Goa",
                                          "Drum & Bass",
                                          "Club-House",
                                          "Hardcore",
                                          "Terror",
                                          "Indie",
                                          "BritPop",
                                          "Negerpunk",
                                          "Polsk Punk",
                                          "Beat",
                                          "Christian Gangsta Rap",
                                          "Heavy Metal",
                                          "Black Metal",
                                          "Crossover",
                                          "Contemporary Christian",
                                          "Christian Rock",
                                          "Merengue",
                                          "Salsa",
                                          "Thrash Metal",
                                          "Anime",
                                          "JPop",
                                          "Synthpop"};

TId3v1Tags::TId3v1Tags() {
    AddTag("artist");
    AddTag("album");
    AddTag("genre", 12);
    AddTag("year");
    AddTag("track");
    AddTag("title");
    AddTag("comment");
}

QString TId3v1Tags::Genre() const {
    int n = GetInteger("genre");
    if (n < 0 || n >= 148)
        n = 12;
    return QString::fromLatin1(Id3v1GenreTable[n]);
}

void TId3v1Tags::SetGenre(const QString& name) {
    for (int i = 0; i < 148; ++i)
        if (QString::compare(name, QLatin1String(Id3v1GenreTable[i]), Qt::CaseInsensitive) == 0) {
            SetValue("genre", i);
            return;
        }
}

bool TId3v1Tags::Detect(int fd) {
    if (fd < 0)
        return false;
    const off_t saved = lseek(fd, 0, SEEK_CUR);
    const off_t end = lseek(fd, 0, SEEK_END);
    bool found = false;
    if (end >= 128) {
        char head[3] = {};
        if (pread(fd, head, 3, end - 128) == 3)
            found = head[0] == 'T' && head[1] == 'A' && head[2] == 'G';
    }
    if (saved >= 0)
        lseek(fd, saved, SEEK_SET);
    return found;
}

TId3v2Tags::TId3v2Tags() {
    const char* v22[] = {"TAL", "TP1", "TCO", "TT2", "TRK", "TYE", "COM", "TCM", "TEN", "TCR", "TLA", "WXX"};
    const char* v23[] = {"TALB", "TPE1", "TCON", "TIT2", "TRCK", "TYER",
                         "COMM", "TCOM", "TENC", "TCOP", "TLAN", "WXXX"};
    for (int i = 0; i < 12; ++i) {
        AddTag(v22[i]);
        AddTag(v23[i]);
    }
}

QString TId3v2Tags::Get(const char* v23, const char* v22) const {
    const QString s = GetWideString(v23);
    return s.isEmpty() ? GetWideString(v22) : s;
}

void TId3v2Tags::Set(const char* v23, const char* v22, const QString& value) {
    SetValue(v23, value);
    SetValue(v22, value);
}

TAPEv2Tags::TAPEv2Tags() {
    for (const char* name :
         {"Artist", "Composer",    "Album",           "Debut album", "Publisher", "Conductor", "Copyright",
          "ISBN",   "ISRC",        "EAN/UPC",         "LC",          "Catalog",   "Language",  "Genre",
          "Year",   "Record Date", "Record Location", "File",        "Related",   "Abstract",  "Bibliography",
          "Track",  "Title",       "Subtitle",        "Comment"})
        AddTag(name);
}
