// The request of a rip (see RipRequest.h).
#include "jobs/RipRequest.h"

#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "tags/Genres.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

// A field as a part of a file name: without the characters a name cannot hold and without
// leading dots (a hidden file, or "..").
QString NamePart(const QString& text) {
    QString name = CleanFileName(text);
    qsizetype dots = 0;
    while (dots < name.size() && name[dots] == QLatin1Char('.'))
        ++dots;
    return name.mid(dots);
}

// A name of at most `bytes` bytes of UTF-8, cut between characters.
QString CutToBytes(QString name, int bytes) {
    while (name.toUtf8().size() > bytes)
        name.chop(name.size() >= 2 && name.back().isLowSurrogate() ? 2 : 1);
    return name;
}

} // namespace

QString TrackPath(const QString& pattern, const TDiscFields& disc, int32_t number, const QString& title) {
    const QString genre = disc.Genre >= 0 && size_t(disc.Genre) < GenreNames.size()
                              ? QString::fromLatin1(GenreNames[size_t(disc.Genre)])
                              : QString();
    const QList<QPair<QString, QString>> fields{
        {QStringLiteral("%artist%"), NamePart(disc.Artist)}, {QStringLiteral("%album%"), NamePart(disc.Album)},
        {QStringLiteral("%year%"), NamePart(disc.Year)},     {QStringLiteral("%genre%"), NamePart(genre)},
        {QStringLiteral("%track%"), TwoDigits(number)},      {QStringLiteral("%title%"), TrackBaseName(title, number)}};
    QStringList parts;
    for (const QString& folder : pattern.split('/')) {
        // Fields are replaced in one pass, so a title holding "%album%" stays as it is.
        QString part;
        for (qsizetype i = 0; i < folder.size();) {
            bool replaced = false;
            for (const auto& [name, value] : fields) {
                if (folder.mid(i, name.size()).compare(name, Qt::CaseInsensitive) == 0) {
                    part += value;
                    i += name.size();
                    replaced = true;
                    break;
                }
            }
            if (!replaced)
                part += folder[i++];
        }
        // Blanks stay as the title has them (today's names); a folder of blanks only is none.
        part = CutToBytes(NamePart(part), 180);
        if (!part.trimmed().isEmpty())
            parts << part;
    }
    if (parts.isEmpty())
        parts << TrackBaseName(QString(), number);
    return parts.join('/');
}

TRipRequest TRipRequest::From(const TSettings& s, const TDiscFields& disc) {
    TRipRequest r;
    r.Format = s.OutputFormat;
    r.OutputFolder = s.OutputFolder;
    r.NamePattern = s.NamePattern;
    r.Mp3 = TMp3Options::From(s);
    r.Ogg = TOggOptions::From(s);
    r.Wma = TWmaOptions::From(s);
    r.Flac = TFlacOptions::From(s);
    r.UseTags = s.UseID3;
    r.Id3Version = s.Id3Version;
    r.ReplayGain = s.ReplayGain;
    r.CoverArt = s.CoverArt;
    r.CoverArtServer = s.CoverArtServer;
    r.Disc = disc;
    r.KeepWav = s.IsKeepWav;
    r.Normalize = s.IsNormalize;
    r.NormalizePercent = s.NormalizePercent;
    r.LengthLimit = s.EnableRipTime ? s.RipTime : 0;
    r.SecureReading = s.Paranoia;
    r.EncoderThreads = EncoderThreadCount(s.EncoderThreads);
    r.Pipeline = s.Pipeline;
    r.ReadOffset = s.ReadOffset;
    r.TestAndCopy = s.TestAndCopy;
    r.AccurateRip = s.AccurateRipUse;
    r.AccurateRipServer = s.AccurateRipServer;
    r.WriteLog = s.WriteLog;
    return r;
}

void TRipRequest::SetTracks(const std::vector<std::pair<int32_t, QString>>& numbersAndTitles) {
    QStringList bases;
    for (const auto& [number, title] : numbersAndTitles)
        bases << TrackPath(NamePattern, Disc, number, title);
    bases = UniqueNames(bases);
    Tracks.clear();
    for (size_t i = 0; i < numbersAndTitles.size(); ++i)
        Tracks.push_back({numbersAndTitles[i].first, numbersAndTitles[i].second, bases[qsizetype(i)]});
}

QString TRipRequest::WavOf(size_t i) const {
    return AddTrailingBackslash(OutputFolder) + Tracks[i].BaseName + QStringLiteral(".wav");
}

QString TRipRequest::OutputOf(size_t i) const {
    return AddTrailingBackslash(OutputFolder) + Tracks[i].BaseName + OutputFormatExtension(Format);
}

QStringList TRipRequest::ExistingFiles() const {
    QStringList files;
    for (size_t i = 0; i < Tracks.size(); ++i)
        for (const QString& file : {WavOf(i), OutputOf(i)})
            if (QFileInfo::exists(file) && !files.contains(file))
                files << file;
    return files;
}

void TRipRequest::KeepExistingFiles() {
    QSet<QString> used;
    for (const TTrackEntry& t : Tracks)
        used.insert(t.BaseName);
    const auto taken = [&](const QString& base) {
        const QString stem = AddTrailingBackslash(OutputFolder) + base;
        return QFileInfo::exists(stem + QStringLiteral(".wav")) ||
               QFileInfo::exists(stem + OutputFormatExtension(Format));
    };
    for (TTrackEntry& t : Tracks) {
        if (!taken(t.BaseName))
            continue;
        QString base;
        for (int k = 2;; ++k) {
            base = t.BaseName + QStringLiteral(" (%1)").arg(k);
            if (!taken(base) && !used.contains(base))
                break;
        }
        used.insert(base);
        t.BaseName = base;
    }
}

bool TRipRequest::CreateFolders(QString& error) const {
    for (size_t i = 0; i < Tracks.size(); ++i) {
        const QString folder = QFileInfo(OutputOf(i)).absolutePath();
        if (!QDir().mkpath(folder)) {
            error = folder;
            return false;
        }
    }
    return true;
}

QString RipFilesExistText(const QStringList& existing) {
    return ResText("RES_Rip_Files_Exist", "%1 file(s) of this rip exist already (%2). Replace them? No keeps them and "
                                          "gives the new files a name with \" (2)\".")
        .arg(existing.size())
        .arg(existing.value(0));
}

QStringList UniqueNames(const QStringList& names) {
    QSet<QString> taken(names.begin(), names.end());
    QSet<QString> used;
    QStringList result;
    for (const QString& name : names) {
        QString unique = name;
        for (int k = 2; used.contains(unique); ++k) {
            unique = name + QStringLiteral(" (%1)").arg(k);
            // A later entry may carry this very name; leave it to that entry.
            if (taken.contains(unique))
                unique = name;
        }
        used.insert(unique);
        result << unique;
    }
    return result;
}
