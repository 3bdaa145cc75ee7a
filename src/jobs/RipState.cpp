// The resume state of a rip (see RipState.h).
#include "jobs/RipState.h"

#include "cd/AccurateRip.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "jobs/Mp3EncodeThread.h"
#include "jobs/RipLog.h"
#include "platform/FileHash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int StateVersion = 1;

// The names the difference is told in.
const std::map<QString, QString>& FieldNames() {
    static const std::map<QString, QString> names{
        {QStringLiteral("disc"), QStringLiteral("it is of another disc")},
        {QStringLiteral("format"), QStringLiteral("its format differs")},
        {QStringLiteral("encoder"), QStringLiteral("its encoder options differ")},
        {QStringLiteral("pattern"), QStringLiteral("its name pattern differs")},
        {QStringLiteral("offset"), QStringLiteral("its read offset differs")},
        {QStringLiteral("mode"), QStringLiteral("its read mode differs")}};
    return names;
}

QString EncoderText(const TRipRequest& r) {
    switch (r.Format) {
    case ofMP3:
        return Mp3Arguments(r.Mp3, true, QString(), QString()).join(' ').trimmed();
    case ofOGG:
        return QStringLiteral("q%1 max %2 nominal %3 min %4 %5")
            .arg(r.Ogg.Quality())
            .arg(r.Ogg.MaxBitRate)
            .arg(r.Ogg.NominalBitRate)
            .arg(r.Ogg.MinBitRate)
            .arg(r.Ogg.IsUseCompress ? QStringLiteral("quality") : QStringLiteral("bit rate"));
    case ofWMA:
        return QStringLiteral("setting %1").arg(r.Wma.Setting);
    default:
        return QString();
    }
}

// The bytes of a file reach the disk before the state names it.
void SyncToDisk(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

QJsonObject ResultToJson(const TTrackResult& r) {
    const TTrackRead& d = r.Read;
    QJsonObject read{{"ok", d.Ok},
                     {"status", d.Status},
                     {"reason", d.Reason},
                     {"crc32", qint64(d.Crc32)},
                     {"peak", qint64(d.Peak)},
                     {"frames", qint64(d.Frames)},
                     {"v1", qint64(d.AccurateRipV1)},
                     {"v2", qint64(d.AccurateRipV2)},
                     {"readErrors", d.ReadErrors},
                     {"jitter", d.JitterCorrections},
                     {"offsetSilence", qint64(d.OffsetSilence)}};
    // The loudness blocks, for the album's ReplayGain when a resume takes the track over.
    if (d.Loudness && !d.Loudness->Blocks().empty()) {
        const std::vector<double>& blocks = d.Loudness->Blocks();
        double lufs = 0;
        if (d.Loudness->Loudness(lufs))
            read.insert("lufs", lufs);
        read.insert("loudness", QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(blocks.data()),
                                                               qsizetype(blocks.size() * sizeof(double)))
                                                        .toBase64()));
    }
    return QJsonObject{{"number", r.Number},
                       {"discNumber", r.DiscNumber},
                       {"title", r.Title},
                       {"read", read},
                       {"ok", r.Ok},
                       {"reason", r.Reason},
                       {"tested", r.Tested},
                       {"testCrc", qint64(r.TestCrc)},
                       {"reread", r.Reread},
                       {"rereadCrc", qint64(r.RereadCrc)},
                       {"suspicious", r.Suspicious},
                       {"arKind", int(r.AccurateRip.Kind)},
                       {"arConfidence", r.AccurateRip.Confidence},
                       {"arText", r.AccurateRip.Text},
                       {"encode", r.Encode}};
}

TTrackResult ResultFromJson(const QJsonObject& o) {
    TTrackResult r;
    const QJsonObject d = o.value("read").toObject();
    r.Read.Ok = d.value("ok").toBool();
    r.Read.Status = d.value("status").toInt();
    r.Read.Reason = d.value("reason").toString();
    r.Read.Crc32 = uint32_t(d.value("crc32").toInteger());
    r.Read.Peak = uint32_t(d.value("peak").toInteger());
    r.Read.Frames = d.value("frames").toInteger();
    r.Read.AccurateRipV1 = uint32_t(d.value("v1").toInteger());
    r.Read.AccurateRipV2 = uint32_t(d.value("v2").toInteger());
    r.Read.ReadErrors = d.value("readErrors").toInt();
    r.Read.JitterCorrections = d.value("jitter").toInt();
    r.Read.OffsetSilence = d.value("offsetSilence").toInteger();
    const QByteArray blocks = QByteArray::fromBase64(d.value("loudness").toString().toLatin1());
    if (!blocks.isEmpty() && blocks.size() % qsizetype(sizeof(double)) == 0) {
        std::vector<double> energies(size_t(blocks.size()) / sizeof(double));
        std::memcpy(energies.data(), blocks.constData(), size_t(blocks.size()));
        // Energies are never negative or not numbers; a state that says otherwise is ignored.
        if (std::all_of(energies.begin(), energies.end(), [](double e) { return std::isfinite(e) && e >= 0; }))
            r.Read.Loudness = std::make_shared<const TLoudness>(std::move(energies), d.value("lufs").toDouble(),
                                                                d.value("lufs").isDouble());
    }
    r.Number = o.value("number").toInt();
    r.DiscNumber = o.value("discNumber").toInt();
    r.Title = o.value("title").toString();
    r.Ok = o.value("ok").toBool();
    r.Reason = o.value("reason").toString();
    r.Tested = o.value("tested").toBool();
    r.TestCrc = uint32_t(o.value("testCrc").toInteger());
    r.Reread = o.value("reread").toBool();
    r.RereadCrc = uint32_t(o.value("rereadCrc").toInteger());
    r.Suspicious = o.value("suspicious").toBool();
    const int kind = o.value("arKind").toInt();
    r.AccurateRip.Kind = kind >= 0 && kind <= TAccurateRipVerdict::Unavailable ? TAccurateRipVerdict::TKind(kind)
                                                                               : TAccurateRipVerdict::Unchecked;
    r.AccurateRip.Confidence = o.value("arConfidence").toInt();
    r.AccurateRip.Text = o.value("arText").toString();
    r.Encode = o.value("encode").toString();
    return r;
}

} // namespace

QString RipStatePath(const TRipRequest& request) {
    return AddTrailingBackslash(RipLogFolder(request)) + '.' + RipLogBaseName(request) + QStringLiteral(".rip-state");
}

std::map<QString, QString> RipStateFields(const TRipRequest& r) {
    QString mode = r.SecureReading ? QStringLiteral("secure") : QStringLiteral("plain");
    if (r.TestAndCopy)
        mode += QStringLiteral(", test & copy");
    if (r.Normalize)
        mode += QStringLiteral(", normalized to %1 %").arg(r.NormalizePercent);
    if (r.LengthLimit > 0)
        mode += QStringLiteral(", %1 s of each track").arg(r.LengthLimit);
    return {{QStringLiteral("disc"), AccurateRipIds(r.Layout).Text()},
            {QStringLiteral("format"), OutputFormatName(r.Format)},
            {QStringLiteral("encoder"), EncoderText(r)},
            {QStringLiteral("pattern"), r.NamePattern},
            {QStringLiteral("offset"), QString::number(r.ReadOffset)},
            {QStringLiteral("mode"), mode}};
}

QString RipStateDifference(const TRipState& state, const TRipRequest& request) {
    QStringList differences;
    const std::map<QString, QString> fields = RipStateFields(request);
    const auto before = [&](const QString& key) {
        const auto was = state.Request.find(key);
        return was == state.Request.end() ? QString() : was->second;
    };
    // The disc first, then what the user chose; encoder options of another format say nothing more.
    for (const char* key : {"disc", "format", "encoder", "pattern", "offset", "mode"}) {
        const QString name = QString::fromLatin1(key);
        const QString now = fields.at(name);
        const QString was = before(name);
        if (was == now || (name == QLatin1String("encoder") && before(QStringLiteral("format")) != fields.at("format")))
            continue;
        if (name == QLatin1String("disc"))
            differences << FieldNames().at(name);
        else
            differences << FieldNames().at(name) + QStringLiteral(" (%1, now %2)")
                                                       .arg(was.isEmpty() ? QStringLiteral("none") : was,
                                                            now.isEmpty() ? QStringLiteral("none") : now);
    }
    return differences.join(QStringLiteral("; "));
}

bool ReadRipState(const QString& path, TRipState& state, QString& error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        error = path + QStringLiteral(": cannot be read (") + f.errorString() + ')';
        return false;
    }
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(f.read(16 * 1024 * 1024), &parse);
    const QJsonObject root = doc.object();
    if (parse.error != QJsonParseError::NoError || root.value("version").toInt() != StateVersion) {
        error = path + QStringLiteral(": not a rip state this version can read");
        return false;
    }
    state = TRipState();
    const QJsonObject request = root.value("request").toObject();
    for (auto it = request.begin(); it != request.end(); ++it)
        state.Request[it.key()] = it.value().toString();
    state.Album = root.value("album").toString();
    state.Count = root.value("count").toInt();
    const QString folder = QFileInfo(path).absolutePath();
    if (!root.value("log").toString().isEmpty())
        state.LogPath = QDir(folder).absoluteFilePath(root.value("log").toString());
    if (!root.value("cue").toString().isEmpty())
        state.CuePath = QDir(folder).absoluteFilePath(root.value("cue").toString());
    for (const QJsonValue& v : root.value("tracks").toArray()) {
        const QJsonObject o = v.toObject();
        TRipStateTrack t;
        t.Result = ResultFromJson(o);
        for (const QJsonValue& fv : o.value("files").toArray()) {
            const QJsonObject fo = fv.toObject();
            const TRipStateFile file{fo.value("path").toString(), fo.value("size").toInteger(),
                                     fo.value("sha256").toString()};
            // A path that leaves the folder is not one this program wrote.
            if (file.Path.isEmpty() || QDir::isAbsolutePath(file.Path) || file.Path.startsWith(QLatin1String("..")))
                continue;
            t.Files.push_back(file);
            t.Result.Files << QDir(folder).absoluteFilePath(file.Path);
        }
        if (t.Result.Number > 0)
            state.Tracks[t.Result.Number] = t;
    }
    return true;
}

bool WriteRipState(const QString& path, const TRipState& state, QString& error) {
    QJsonObject request;
    for (const auto& [key, value] : state.Request)
        request.insert(key, value);
    const QDir folder(QFileInfo(path).absolutePath());
    QJsonArray tracks;
    for (const auto& [number, t] : state.Tracks) {
        QJsonObject o = ResultToJson(t.Result);
        QJsonArray files;
        for (const TRipStateFile& f : t.Files)
            files.append(QJsonObject{{"path", f.Path}, {"size", f.Size}, {"sha256", f.Sha256}});
        o.insert("files", files);
        tracks.append(o);
    }
    const QJsonObject root{{"version", StateVersion},
                           {"request", request},
                           {"album", state.Album},
                           {"count", state.Count},
                           {"log", state.LogPath.isEmpty() ? QString() : folder.relativeFilePath(state.LogPath)},
                           {"cue", state.CuePath.isEmpty() ? QString() : folder.relativeFilePath(state.CuePath)},
                           {"tracks", tracks}};
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(QJsonDocument(root).toJson()) < 0 || !f.commit()) {
        error = path + QStringLiteral(": cannot be written (") + f.errorString() + ')';
        return false;
    }
    return true;
}

bool RipStateTrackGood(const TTrackResult& r) {
    return r.Ok && !r.Suspicious && r.AccurateRip.Kind != TAccurateRipVerdict::NotAccurate;
}

bool RipStateTrackIntact(const TRipStateTrack& track, const QString& folder) {
    if (!RipStateTrackGood(track.Result) || track.Files.empty())
        return false;
    for (const TRipStateFile& f : track.Files) {
        const QString path = QDir(folder).absoluteFilePath(f.Path);
        const QFileInfo info(path);
        if (!info.isFile() || info.size() != f.Size || FileSha256(path) != f.Sha256)
            return false;
    }
    return true;
}

int32_t TRipState::DoneCount(const QString& folder) const {
    int32_t done = 0;
    for (const auto& [number, t] : Tracks)
        done += RipStateTrackIntact(t, folder) ? 1 : 0;
    return done;
}

TRipStateTrack MakeRipStateTrack(const TTrackResult& result, const QString& folder) {
    TRipStateTrack t;
    t.Result = result;
    t.Result.Earlier = false;
    if (!result.Ok)
        return t;
    for (const QString& path : result.Files) {
        SyncToDisk(path);
        t.Files.push_back({QDir(folder).relativeFilePath(path), QFileInfo(path).size(), FileSha256(path)});
    }
    return t;
}

std::vector<int32_t> PlanResume(const TRipState& state, TRipRequest& request, bool reripSubset) {
    const QString folder = QFileInfo(RipStatePath(request)).absolutePath();
    std::set<int32_t> selected;
    std::map<int32_t, const TRipStateTrack*> carried;
    std::vector<int32_t> rip;
    for (const TTrackEntry& entry : request.Tracks) {
        selected.insert(entry.Number);
        const auto t = state.Tracks.find(entry.Number);
        if (t != state.Tracks.end() && RipStateTrackIntact(t->second, folder))
            carried[entry.Number] = &t->second;
        else
            rip.push_back(entry.Number);
    }
    // Tracks picked by the user that are all done are ripped again.
    if (reripSubset && rip.empty()) {
        carried.clear();
        rip.assign(selected.begin(), selected.end());
    }
    // The earlier run's other tracks stay in the rip as they are, so that its log and cue sheet
    // remain whole.
    for (const auto& [number, t] : state.Tracks) {
        if (selected.count(number))
            continue;
        TTrackEntry entry;
        entry.Number = number;
        entry.Title = t.Result.Title;
        entry.BaseName = TrackPath(request.NamePattern, request.Disc, number, entry.Title);
        request.Tracks.push_back(entry);
        carried[number] = &t;
    }
    // A run killed while encoding leaves the encoder's unfinished file; the track is ripped again.
    for (const TTrackEntry& entry : request.Tracks) {
        if (carried.count(entry.Number))
            continue;
        const QFileInfo output(request.OutputFolder + '/' + entry.BaseName + OutputFormatExtension(request.Format));
        const QDir dir = output.absoluteDir();
        for (const QString& part : dir.entryList({output.fileName() + QStringLiteral(".*.part")}, QDir::Files))
            QFile::remove(dir.filePath(part));
    }
    std::stable_sort(request.Tracks.begin(), request.Tracks.end(),
                     [](const TTrackEntry& a, const TTrackEntry& b) { return a.Number < b.Number; });
    request.Earlier.clear();
    for (size_t i = 0; i < request.Tracks.size(); ++i) {
        TTrackEntry& entry = request.Tracks[i];
        const auto c = carried.find(entry.Number);
        if (c == carried.end())
            continue;
        TTrackResult r = c->second->Result;
        r.Index = int32_t(i) + 1;
        r.Earlier = true;
        // The entry names the files where the earlier run put them (its output is the first).
        if (!r.Files.isEmpty()) {
            const QFileInfo output(r.Files.first());
            entry.BaseName =
                QDir(request.OutputFolder).relativeFilePath(output.absolutePath() + '/' + output.completeBaseName());
        }
        request.Earlier.push_back(r);
    }
    request.EarlierLog = state.LogPath;
    request.EarlierCue = state.CuePath;
    return rip;
}

QString ResumeQuestionText(const TRipState& state, const QString& folder) {
    return ResText("RES_Resume_Rip", "Resume the rip of %1: %2 of %3 tracks are done.")
        .arg(state.Album.isEmpty() ? ResText("RES_This_Disc", "this disc") : state.Album)
        .arg(state.DoneCount(folder))
        .arg(state.Count);
}

TRipStateFound FindRipState(const TRipRequest& request) {
    TRipStateFound found;
    if (request.Tracks.empty())
        return found;
    found.Path = RipStatePath(request);
    if (!QFileInfo::exists(found.Path))
        return found;
    found.Found = true;
    if (!ReadRipState(found.Path, found.State, found.Why))
        return found;
    found.Why = RipStateDifference(found.State, request);
    found.Usable = found.Why.isEmpty();
    return found;
}
