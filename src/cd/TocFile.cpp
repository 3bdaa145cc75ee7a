// Reading cdrdao .toc files (see TocFile.h).
#include "cd/TocFile.h"

#include "cd/CueSheet.h"
#include "cd/DriveHandleLayout.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <map>

namespace {

// A disc longer than this cannot be given in a TOC's minutes.
constexpr int64_t MaxDiscSectors = 255 * 4500;

struct TToken {
    enum TKind { End, Word, String, Number, Msf, Open, Close, Comma, Colon, Hash };
    TKind Kind = End;
    QByteArray Text;   // a word, or a string's bytes with its escapes undone
    int64_t Value = 0; // a number, or the sectors of an MSF position
    int Line = 0;
};

// Splits a .toc file into tokens; false with `error` (naming the line) on a malformed one.
bool Tokenize(const QByteArray& text, std::vector<TToken>& tokens, QString& error) {
    int line = 1;
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto digit = [&](qsizetype at) { return at < n && text[at] >= '0' && text[at] <= '9'; };
    const auto fail = [&](const QString& why) {
        error = QStringLiteral("line %1: %2").arg(line).arg(why);
        return false;
    };
    while (i < n) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++i;
        } else if (c == '/' && i + 1 < n && text[i + 1] == '/') {
            while (i < n && text[i] != '\n')
                ++i;
        } else if (c == '"') {
            TToken t{TToken::String, {}, 0, line};
            ++i;
            while (true) {
                if (i >= n) {
                    line = t.Line;
                    return fail(QStringLiteral("a string without its closing quote"));
                }
                char s = text[i++];
                if (s == '"')
                    break;
                if (s == '\n')
                    ++line;
                if (s == '\\' && i < n) {
                    // cdrdao writes bytes outside ASCII as octal escapes.
                    if (text[i] >= '0' && text[i] <= '7') {
                        int value = 0;
                        for (int k = 0; k < 3 && i < n && text[i] >= '0' && text[i] <= '7'; ++k)
                            value = value * 8 + (text[i++] - '0');
                        s = char(value & 0xFF);
                    } else {
                        s = text[i++];
                    }
                }
                t.Text += s;
            }
            tokens.push_back(t);
        } else if (digit(i)) {
            // A number, or "mm:ss:ff" written without blanks.
            int64_t parts[3] = {0, 0, 0};
            int count = 0;
            qsizetype at = i;
            while (count < 3) {
                int digits = 0;
                int64_t v = 0;
                while (digit(at)) {
                    if (++digits > 12)
                        return fail(QStringLiteral("a number too large"));
                    v = v * 10 + (text[at++] - '0');
                }
                parts[count++] = v;
                if (count < 3 && at + 1 < n && text[at] == ':' && digit(at + 1))
                    ++at;
                else
                    break;
            }
            if (count == 2) {
                // "0:9" in a language map: a number, a colon, a number.
                tokens.push_back({TToken::Number, {}, parts[0], line});
                while (text[i] != ':')
                    ++i;
                continue;
            }
            if (count == 3) {
                if (parts[0] > 999 || parts[1] >= 60 || parts[2] >= 75)
                    return fail(QStringLiteral("%1 is not a position (mm:ss:ff, ss below 60, ff below 75)")
                                    .arg(QString::fromLatin1(text.mid(i, at - i))));
                tokens.push_back({TToken::Msf, {}, parts[0] * 4500 + parts[1] * 75 + parts[2], line});
            } else {
                tokens.push_back({TToken::Number, {}, parts[0], line});
            }
            i = at;
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_') {
            TToken t{TToken::Word, {}, 0, line};
            while (i < n && ((text[i] >= 'A' && text[i] <= 'Z') || (text[i] >= 'a' && text[i] <= 'z') ||
                             (text[i] >= '0' && text[i] <= '9') || text[i] == '_'))
                t.Text += text[i++];
            tokens.push_back(t);
        } else {
            static const struct {
                char Char;
                TToken::TKind Kind;
            } punctuation[] = {{'{', TToken::Open},
                               {'}', TToken::Close},
                               {',', TToken::Comma},
                               {':', TToken::Colon},
                               {'#', TToken::Hash}};
            bool known = false;
            for (const auto& p : punctuation) {
                if (c == p.Char) {
                    tokens.push_back({p.Kind, {}, 0, line});
                    known = true;
                }
            }
            if (!known)
                return fail(QStringLiteral("unexpected character '%1'").arg(QChar::fromLatin1(c)));
            ++i;
        }
    }
    tokens.push_back({TToken::End, {}, 0, line});
    return true;
}

// CD-TEXT strings are ISO 8859-1 on the disc; a hand-written file may hold UTF-8.
QString CdTextString(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// Bytes per sector in the file, and the name cue sheets give, of each track mode.
struct TTrackMode {
    const char* Name;
    int Bytes;
    bool Audio;
};
const TTrackMode* FindTrackMode(const QByteArray& name) {
    static const TTrackMode modes[] = {
        {"AUDIO", 2352, true},        {"MODE0", 2336, false},          {"MODE1", 2048, false},
        {"MODE1_RAW", 2352, false},   {"MODE2", 2336, false},          {"MODE2_FORM1", 2048, false},
        {"MODE2_FORM2", 2324, false}, {"MODE2_FORM_MIX", 2336, false}, {"MODE2_RAW", 2352, false},
    };
    for (const TTrackMode& m : modes)
        if (name == m.Name)
            return &m;
    return nullptr;
}

class TTocParser {
public:
    TTocParser(const QString& tocPath, std::vector<TToken> tokens, TDiscLayout& layout)
        : TocPath(tocPath), Tokens(std::move(tokens)), Layout(layout) {}

    bool Parse();
    QString Error;

private:
    // Where the current track is being built.
    struct TTrackState {
        TLayoutTrack Track;
        int BlockBytes = 2352; // bytes a sector takes in the track's files
        int64_t Length = 0;    // audio: bytes on the disc; data: bytes in the files
        int32_t Pregap = -1;   // sectors; -1 = no START or PREGAP yet
        bool HasData = false;  // a SILENCE, ZERO, FILE or DATAFILE came
        std::vector<int32_t> RelativeIndexes;
    };

    const TToken& Peek(int ahead = 0) const { return Tokens[std::min(Pos + size_t(ahead), Tokens.size() - 1)]; }
    const TToken& Take() { return Tokens[std::min(Pos++, Tokens.size() - 1)]; }
    bool IsWord(const char* word, int ahead = 0) const {
        return Peek(ahead).Kind == TToken::Word && Peek(ahead).Text == word;
    }
    bool Fail(const QString& why) {
        Error = QStringLiteral("line %1: %2").arg(Peek().Line).arg(why);
        return false;
    }
    bool Expect(TToken::TKind kind, const char* what) {
        if (Peek().Kind != kind)
            return Fail(QStringLiteral("%1 expected").arg(QLatin1String(what)));
        Take();
        return true;
    }
    QString Describe(const TToken& t) const {
        switch (t.Kind) {
        case TToken::End:
            return QStringLiteral("the end of the file");
        case TToken::Word:
            return QString::fromLatin1(t.Text);
        case TToken::String:
            return QStringLiteral("a string");
        default:
            return QStringLiteral("'%1'").arg(t.Kind == TToken::Open    ? "{"
                                              : t.Kind == TToken::Close ? "}"
                                                                        : "a number");
        }
    }

    bool ParseCdText(int track);
    bool ParseLanguageMap();
    bool ParseTrack();
    bool ParseLength(bool samples, int blockBytes, int64_t& bytes, bool& given);
    bool AddFile(TTrackState& s, bool data);
    bool FinishTrack(TTrackState& s);
    int FileIndex(const QString& name, bool swap, QString& error);
    void ChooseCdText();

    QString TocPath;
    std::vector<TToken> Tokens;
    size_t Pos = 0;
    TDiscLayout& Layout;
    int32_t DiscSectors = 0; // where the next track begins
    std::map<QString, int> FileIndexes;
    // CD-TEXT by language number: the disc's, and each track's.
    std::map<int, TCdTextFields> DiscText;
    std::map<int, std::map<int, TCdTextFields>> TrackText;
    std::vector<int> MappedLanguages;
};

bool TTocParser::Parse() {
    while (Peek().Kind != TToken::End && !IsWord("TRACK")) {
        const TToken& t = Take();
        if (t.Kind != TToken::Word)
            return Fail(Describe(t) + QStringLiteral(" where a statement belongs"));
        if (t.Text == "CD_DA" || t.Text == "CD_ROM" || t.Text == "CD_ROM_XA" || t.Text == "CD_I")
            continue;
        if (t.Text == "CATALOG") {
            if (Peek().Kind != TToken::String)
                return Fail(QStringLiteral("CATALOG needs its number in quotes"));
            Layout.Catalog = QString::fromLatin1(Take().Text);
        } else if (t.Text == "CD_TEXT") {
            if (!ParseCdText(0))
                return false;
        } else {
            --Pos;
            return Fail(QStringLiteral("unknown statement ") + Describe(t));
        }
    }
    if (!IsWord("TRACK"))
        return Fail(QStringLiteral("the file has no TRACK"));
    while (IsWord("TRACK"))
        if (!ParseTrack())
            return false;
    if (Peek().Kind != TToken::End)
        return Fail(QStringLiteral("unknown statement ") + Describe(Peek()));
    Layout.LeadOut = DiscSectors;
    ChooseCdText();
    return true;
}

bool TTocParser::ParseLanguageMap() {
    if (!Expect(TToken::Open, "'{' after LANGUAGE_MAP"))
        return false;
    while (Peek().Kind != TToken::Close) {
        if (Peek().Kind == TToken::Comma) {
            Take();
            continue;
        }
        if (Peek().Kind != TToken::Number || Peek(1).Kind != TToken::Colon ||
            (Peek(2).Kind != TToken::Number && Peek(2).Kind != TToken::Word))
            return Fail(QStringLiteral("a language map entry is 'number : country'"));
        MappedLanguages.push_back(int(Take().Value));
        Take();
        Take();
    }
    Take();
    return true;
}

// A CD_TEXT block of the disc (track 0) or of a track.
bool TTocParser::ParseCdText(int track) {
    if (!Expect(TToken::Open, "'{' after CD_TEXT"))
        return false;
    while (Peek().Kind != TToken::Close) {
        if (IsWord("LANGUAGE_MAP")) {
            Take();
            if (!ParseLanguageMap())
                return false;
            continue;
        }
        if (!IsWord("LANGUAGE") || Peek(1).Kind != TToken::Number)
            return Fail(QStringLiteral("LANGUAGE n { ... } expected in CD_TEXT, not ") + Describe(Peek()));
        Take();
        const int language = int(Take().Value);
        if (!Expect(TToken::Open, "'{' after LANGUAGE n"))
            return false;
        TCdTextFields& fields = track == 0 ? DiscText[language] : TrackText[track][language];
        while (Peek().Kind != TToken::Close) {
            if (Peek().Kind != TToken::Word)
                return Fail(QStringLiteral("a CD-TEXT item expected, not ") + Describe(Peek()));
            const QByteArray item = Take().Text;
            if (Peek().Kind == TToken::String) {
                const QString value = CdTextString(Take().Text);
                if (item == "TITLE")
                    fields.Title = value;
                else if (item == "PERFORMER")
                    fields.Performer = value;
                else if (item == "SONGWRITER")
                    fields.Songwriter = value;
            } else if (Peek().Kind == TToken::Open) {
                // Binary data (SIZE_INFO, TOC_INFO1, GENRE, ...): numbers 0..255, kept by no one.
                Take();
                while (Peek().Kind == TToken::Number || Peek().Kind == TToken::Comma)
                    Take();
                if (!Expect(TToken::Close, "'}' closing the binary data of a CD-TEXT item"))
                    return false;
            } else {
                return Fail(QStringLiteral("the CD-TEXT item %1 needs a string or { binary data }")
                                .arg(QString::fromLatin1(item)));
            }
        }
        Take();
    }
    Take();
    return true;
}

void TTocParser::ChooseCdText() {
    // The first language block is what players show; languages the map leaves out are not
    // on the disc.
    std::vector<int> languages;
    for (const auto& [language, fields] : DiscText)
        languages.push_back(language);
    for (const auto& [track, byLanguage] : TrackText)
        for (const auto& [language, fields] : byLanguage)
            languages.push_back(language);
    if (!MappedLanguages.empty())
        languages.erase(std::remove_if(languages.begin(), languages.end(),
                                       [&](int l) {
                                           return std::find(MappedLanguages.begin(), MappedLanguages.end(), l) ==
                                                  MappedLanguages.end();
                                       }),
                        languages.end());
    if (languages.empty())
        return;
    const int language = *std::min_element(languages.begin(), languages.end());
    Layout.CdText.Disc = DiscText[language];
    for (auto& [track, byLanguage] : TrackText) {
        const auto it = byLanguage.find(language);
        if (it != byLanguage.end() && !it->second.Empty())
            Layout.CdText.Tracks[track] = it->second;
    }
}

// A length or position: "mm:ss:ff" (sectors of `blockBytes`) or a number (samples when
// `samples`, else bytes); in bytes.
bool TTocParser::ParseLength(bool samples, int blockBytes, int64_t& bytes, bool& given) {
    given = true;
    if (Peek().Kind == TToken::Msf) {
        bytes = Take().Value * blockBytes;
    } else if (Peek().Kind == TToken::Number) {
        bytes = Take().Value * (samples ? 4 : 1);
    } else {
        given = false;
        bytes = 0;
    }
    return true;
}

int TTocParser::FileIndex(const QString& name, bool swap, QString& error) {
    if (name == QLatin1String("-")) {
        error = QStringLiteral("standard input (\"-\") cannot be read from an image");
        return -1;
    }
    const QString path = ResolveImageFile(TocPath, name);
    if (path.isEmpty()) {
        error = QStringLiteral("the file it names, %1, does not exist").arg(name);
        return -1;
    }
    const QString key = path + (swap ? QStringLiteral("|swap") : QString());
    const auto known = FileIndexes.find(key);
    if (known != FileIndexes.end())
        return known->second;
    TLayoutFile file;
    file.Path = path;
    file.Bytes = QFileInfo(path).size();
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String("wav")) {
        if (!FindWavData(path, file.DataStart, file.Bytes, error)) {
            error = name + QStringLiteral(" is not a WAV file (files named *.wav must be)");
            return -1;
        }
        if (!error.isEmpty())
            return -1;
        file.Kind = TLayoutFile::TKind::Wav;
        file.BigEndian = swap;
    } else if (suffix == QLatin1String("flac")) {
        if (!ProbeLayoutFile(path, file, error))
            return -1;
        if (file.Kind != TLayoutFile::TKind::Flac) {
            error = name + QStringLiteral(" is not a FLAC file");
            return -1;
        }
    } else if (suffix == QLatin1String("mp3") || suffix == QLatin1String("ogg")) {
        error = name + QStringLiteral(": MP3 and Ogg files cannot be read from an image");
        return -1;
    } else {
        // cdrdao's raw audio: most significant byte first, unless SWAP says otherwise.
        file.BigEndian = !swap;
    }
    Layout.Files.push_back(file);
    FileIndexes[key] = int(Layout.Files.size()) - 1;
    return FileIndexes[key];
}

// FILE/AUDIOFILE "name" [SWAP] [#offset] start [length], or DATAFILE "name" [#offset] [length].
bool TTocParser::AddFile(TTrackState& s, bool data) {
    const int line = Peek().Line;
    if (Peek().Kind != TToken::String)
        return Fail(QStringLiteral("the file name must be in quotes"));
    const QString name = QString::fromUtf8(Take().Text);
    bool swap = false;
    if (!data && IsWord("SWAP")) {
        Take();
        swap = true;
    }
    int64_t offset = 0;
    if (Peek().Kind == TToken::Hash) {
        Take();
        if (Peek().Kind != TToken::Number)
            return Fail(QStringLiteral("a byte offset after '#'"));
        offset = Take().Value;
    }
    QString error;
    const int file = FileIndex(name, swap, error);
    if (file < 0) {
        Error = QStringLiteral("line %1: ").arg(line) + error;
        return false;
    }
    const TLayoutFile& f = Layout.Files[size_t(file)];
    const bool audioTrack = s.Track.Audio;
    // Audio statements count samples and sectors of audio; in a track with sub-channel data
    // a sector takes more bytes in the file than on the disc.
    const int sectorBytes = data ? s.BlockBytes : LayoutSectorBytes;
    int64_t start = 0;
    bool given = false;
    if (!data) {
        ParseLength(true, sectorBytes, start, given);
        if (!given)
            return Fail(QStringLiteral("FILE needs the position in the file where its audio starts"));
    }
    int64_t length = 0;
    ParseLength(!data, sectorBytes, length, given);
    const bool subChannel = audioTrack && s.BlockBytes != LayoutSectorBytes;
    const auto inFile = [&](int64_t discBytes) {
        return subChannel ? discBytes / LayoutSectorBytes * s.BlockBytes : discBytes;
    };
    const int64_t first = offset + inFile(start);
    if (!given || length == 0)
        length = subChannel ? (f.Bytes - first) / s.BlockBytes * LayoutSectorBytes : f.Bytes - first;
    if (subChannel && (start % LayoutSectorBytes != 0 || length % LayoutSectorBytes != 0))
        return Fail(QStringLiteral("audio with sub-channel data is placed in whole sectors (mm:ss:ff)"));
    if (first < 0 || length <= 0 || first + inFile(length) > f.Bytes)
        return Fail(QStringLiteral("%1 holds %2 bytes; %3 bytes from byte %4 on lie past its end")
                        .arg(QFileInfo(f.Path).fileName())
                        .arg(f.Bytes)
                        .arg(std::max<int64_t>(inFile(length), 0))
                        .arg(first));
    if (audioTrack) {
        // DATAFILE in an audio track is taken as raw audio, as cdrdao would write it.
        Layout.Segments.push_back({int64_t(DiscSectors) * LayoutSectorBytes + s.Length, length, file, first,
                                   subChannel ? s.BlockBytes : LayoutSectorBytes, true});
    }
    s.Length += length;
    s.HasData = true;
    return true;
}

bool TTocParser::ParseTrack() {
    Take(); // TRACK
    if (Layout.Tracks.size() >= 99)
        return Fail(QStringLiteral("more than 99 tracks"));
    TTrackState s;
    s.Track.Number = int32_t(Layout.Tracks.size()) + 1;
    const TTrackMode* mode = Peek().Kind == TToken::Word ? FindTrackMode(Peek().Text) : nullptr;
    if (!mode)
        return Fail(QStringLiteral("track %1 has an unknown mode %2").arg(s.Track.Number).arg(Describe(Peek())));
    Take();
    s.Track.Mode = QString::fromLatin1(mode->Name);
    s.Track.Audio = mode->Audio;
    s.BlockBytes = mode->Bytes;
    if (IsWord("RW") || IsWord("RW_RAW")) {
        Take();
        s.BlockBytes += 96;
    }
    // Lengths of data statements count sectors of the track's block size; of audio, 2352.
    const int unit = s.Track.Audio ? LayoutSectorBytes : s.BlockBytes;
    while (Peek().Kind != TToken::End && !IsWord("TRACK")) {
        const TToken& t = Take();
        const QByteArray w = t.Kind == TToken::Word ? t.Text : QByteArray();
        if (w == "NO") {
            if (!IsWord("COPY") && !IsWord("PRE_EMPHASIS"))
                return Fail(QStringLiteral("NO COPY or NO PRE_EMPHASIS expected"));
            Take();
        } else if (w == "COPY") {
            s.Track.CopyPermitted = true;
        } else if (w == "PRE_EMPHASIS") {
            s.Track.PreEmphasis = true;
        } else if (w == "TWO_CHANNEL_AUDIO") {
            s.Track.FourChannels = false;
        } else if (w == "FOUR_CHANNEL_AUDIO") {
            s.Track.FourChannels = true;
        } else if (w == "ISRC") {
            if (Peek().Kind != TToken::String)
                return Fail(QStringLiteral("ISRC needs its code in quotes"));
            s.Track.Isrc = QString::fromLatin1(Take().Text);
        } else if (w == "CD_TEXT") {
            if (!ParseCdText(s.Track.Number))
                return false;
        } else if (w == "PREGAP") {
            if (Peek().Kind != TToken::Msf)
                return Fail(QStringLiteral("PREGAP needs a length mm:ss:ff"));
            if (s.HasData || s.Pregap >= 0)
                return Fail(QStringLiteral("PREGAP must come before the track's data and without START"));
            const int64_t sectors = Take().Value;
            if (s.Track.Audio && sectors > 0)
                Layout.Segments.push_back({int64_t(DiscSectors) * LayoutSectorBytes, sectors * LayoutSectorBytes, -1, 0,
                                           LayoutSectorBytes, true});
            s.Length = sectors * unit;
            s.Pregap = int32_t(sectors);
            s.HasData = true;
        } else if (w == "SILENCE" || w == "ZERO") {
            if (w == "ZERO") {
                // ZERO may name the data mode and sub-channel mode of its sectors.
                if (Peek().Kind == TToken::Word && FindTrackMode(Peek().Text))
                    Take();
                if (IsWord("RW") || IsWord("RW_RAW"))
                    Take();
            }
            int64_t bytes = 0;
            bool given = false;
            ParseLength(w == "SILENCE", unit, bytes, given);
            if (!given || bytes <= 0)
                return Fail(QStringLiteral("%1 needs a length").arg(QString::fromLatin1(w)));
            if (s.Track.Audio)
                Layout.Segments.push_back(
                    {int64_t(DiscSectors) * LayoutSectorBytes + s.Length, bytes, -1, 0, LayoutSectorBytes, true});
            s.Length += bytes;
            s.HasData = true;
        } else if (w == "FILE" || w == "AUDIOFILE" || w == "DATAFILE") {
            if (!AddFile(s, w == "DATAFILE"))
                return false;
        } else if (w == "FIFO") {
            return Fail(QStringLiteral("FIFO cannot be read from an image"));
        } else if (w == "START") {
            if (s.Pregap >= 0)
                return Fail(QStringLiteral("track %1 has a second START or PREGAP").arg(s.Track.Number));
            s.Pregap = Peek().Kind == TToken::Msf ? int32_t(Take().Value) : int32_t((s.Length + unit - 1) / unit);
        } else if (w == "INDEX") {
            if (Peek().Kind != TToken::Msf)
                return Fail(QStringLiteral("INDEX needs a position mm:ss:ff"));
            s.RelativeIndexes.push_back(int32_t(Take().Value));
        } else {
            --Pos;
            return Fail(QStringLiteral("unknown statement %1 in track %2").arg(Describe(t)).arg(s.Track.Number));
        }
        if (int64_t(DiscSectors) + s.Length / unit > MaxDiscSectors)
            return Fail(QStringLiteral("the disc would be longer than 255 minutes"));
    }
    return FinishTrack(s);
}

bool TTocParser::FinishTrack(TTrackState& s) {
    const int unit = s.Track.Audio ? LayoutSectorBytes : s.BlockBytes;
    const int number = s.Track.Number;
    if (!s.HasData || s.Length == 0)
        return Fail(QStringLiteral("track %1 has no data (FILE, DATAFILE, SILENCE or ZERO)").arg(number));
    // A track ends on a whole sector: cdrdao fills the rest with zeros.
    const int32_t sectors = int32_t((s.Length + unit - 1) / unit);
    const int64_t begin = int64_t(DiscSectors) * LayoutSectorBytes;
    if (s.Track.Audio && s.Length < int64_t(sectors) * unit)
        Layout.Segments.push_back(
            {begin + s.Length, int64_t(sectors) * unit - s.Length, -1, 0, LayoutSectorBytes, true});
    if (!s.Track.Audio)
        Layout.Segments.push_back({begin, int64_t(sectors) * LayoutSectorBytes, -1, 0, s.BlockBytes, false});
    const int32_t pregap = std::max(0, s.Pregap);
    if (pregap >= sectors)
        return Fail(QStringLiteral("track %1: its START (%2) is not before its end (%3)")
                        .arg(number)
                        .arg(CueTimeText(pregap), CueTimeText(sectors)));
    s.Track.Index0 = DiscSectors;
    s.Track.Start = DiscSectors + pregap;
    int32_t last = 0;
    for (int32_t index : s.RelativeIndexes) {
        if (index <= last || s.Track.Start + index >= DiscSectors + sectors)
            return Fail(QStringLiteral("track %1: INDEX %2 is not after the index before it, or not in the track")
                            .arg(number)
                            .arg(CueTimeText(index)));
        s.Track.Indexes.push_back(s.Track.Start + index);
        last = index;
    }
    DiscSectors += sectors;
    Layout.Tracks.push_back(s.Track);
    return true;
}

} // namespace

bool TTocFile::Load(const QString& tocPath) {
    *this = TTocFile();
    const auto fail = [&](const QString& why) {
        Error = tocPath + QStringLiteral(": ") + why;
        return false;
    };
    QFile f(tocPath);
    if (!f.open(QIODevice::ReadOnly))
        return fail(f.errorString());
    // .toc files are a few kilobytes; anything huge is not one.
    if (f.size() > 1024 * 1024)
        return fail(QStringLiteral("is not a .toc file (too large)"));
    std::vector<TToken> tokens;
    QString error;
    if (!Tokenize(f.readAll(), tokens, error))
        return fail(error);
    Layout = std::make_shared<TDiscLayout>();
    Layout->Source = TDiscLayout::TSource::TocFile;
    TTocParser parser(tocPath, std::move(tokens), *Layout);
    if (!parser.Parse()) {
        Layout.reset();
        return fail(parser.Error);
    }
    return true;
}

bool ReadTocFileCdText(int handle, TCdText& text) {
    const std::shared_ptr<const TDiscLayout> layout = CDHandleLayout(handle);
    if (!layout || layout->Source != TDiscLayout::TSource::TocFile || layout->CdText.Empty())
        return false;
    text = layout->CdText;
    return true;
}
