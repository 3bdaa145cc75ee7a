// Ripping a disc to one WAV or FLAC file and its cue sheet (see ImageRip.h).
#include "jobs/ImageRip.h"

#include "audio/FlacCodec.h"
#include "audio/WaveHeader.h"
#include "cd/CueSheet.h"
#include "cd/DriveHandleCdio.h"
#include "cd/DriveHandleLayout.h"
#include "cd/akrip32.h"
#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "platform/Prompter.h"
#include "tags/Genres.h"

#include <QFileInfo>
#include <QSaveFile>

#include <chrono>
#include <cmath>
#include <utility>

namespace {

// A cue sheet value in quotes; cue sheets know no escapes, so quotes become apostrophes and
// line breaks blanks.
QByteArray Quoted(QString text) {
    text.replace('"', '\'');
    text.replace('\n', ' ');
    text.replace('\r', ' ');
    return '"' + text.toUtf8() + '"';
}

QByteArray Time(int64_t sectors) {
    return CueTimeText(sectors).toLatin1();
}

} // namespace

QByteArray ImageCueSheet(const TImageLayout& layout, const TDiscFields& fields, const QString& wavName) {
    QByteArray sheet;
    if (fields.Genre >= 0 && size_t(fields.Genre) < GenreNames.size())
        sheet += "REM GENRE " + Quoted(QString::fromLatin1(GenreNames[size_t(fields.Genre)])) + '\n';
    if (!fields.Year.isEmpty())
        sheet += "REM DATE " + Quoted(fields.Year) + '\n';
    sheet += "REM DISCID " + layout.Disc.CddbDiscId().toLatin1() + '\n';
    if (!fields.Comment.isEmpty())
        sheet += "REM COMMENT " + Quoted(fields.Comment) + '\n';
    if (!layout.Catalog.isEmpty())
        sheet += "CATALOG " + layout.Catalog.toLatin1() + '\n';
    if (!fields.Artist.isEmpty())
        sheet += "PERFORMER " + Quoted(fields.Artist) + '\n';
    if (!fields.Album.isEmpty())
        sheet += "TITLE " + Quoted(fields.Album) + '\n';
    sheet += "FILE " + Quoted(wavName) + " WAVE\n";
    const int32_t first = layout.First;
    for (size_t i = 0; i < layout.Disc.Tracks.size(); ++i) {
        const TDiscTrack& t = layout.Disc.Tracks[i];
        const TImageTrackInfo info = i < layout.Tracks.size() ? layout.Tracks[i] : TImageTrackInfo();
        sheet += "  TRACK " + QByteArray::number(t.Number).rightJustified(2, '0') + " AUDIO\n";
        if (!info.Title.isEmpty())
            sheet += "    TITLE " + Quoted(info.Title) + '\n';
        QByteArray flags;
        if (info.CopyPermitted)
            flags += " DCP";
        if (info.PreEmphasis)
            flags += " PRE";
        if (info.FourChannels)
            flags += " 4CH";
        if (!flags.isEmpty())
            sheet += "    FLAGS" + flags + '\n';
        if (!info.Isrc.isEmpty())
            sheet += "    ISRC " + info.Isrc.toLatin1() + '\n';
        // The sectors before the file's first are silence on the disc, not in the file.
        if (i == 0 && first > 0)
            sheet += "    PREGAP " + Time(first) + '\n';
        const int32_t previousStart = i == 0 ? first - 1 : layout.Disc.Tracks[i - 1].Start;
        if (info.Index0 >= first && info.Index0 > previousStart && info.Index0 < t.Start)
            sheet += "    INDEX 00 " + Time(info.Index0 - first) + '\n';
        sheet += "    INDEX 01 " + Time(t.Start - first) + '\n';
        int index = 2;
        for (int32_t at : info.Indexes)
            if (at > t.Start && at < layout.Disc.EndOf(i) && index <= 99)
                sheet +=
                    "    INDEX " + QByteArray::number(index++).rightJustified(2, '0') + ' ' + Time(at - first) + '\n';
    }
    return sheet;
}

QString ImageBaseName(const TDiscFields& fields, const TDisc& disc) {
    const QString artist = fields.Artist.trimmed();
    const QString album = fields.Album.trimmed();
    const QString title = !artist.isEmpty() && !album.isEmpty() ? artist + QStringLiteral(" - ") + album : album;
    QString name = CleanFileName(title);
    while (name.startsWith('.'))
        name.remove(0, 1);
    return name.trimmed().isEmpty() ? QStringLiteral("Disc ") + disc.CddbDiscId() : name;
}

TImageRip::TImageRip(int handle, QString folder, QString baseName, TDiscFields fields, QStringList titles, bool flac,
                     TFlacOptions flacOptions)
    : Handle(handle), Folder(std::move(folder)), BaseName(std::move(baseName)), Fields(std::move(fields)),
      Titles(std::move(titles)), Flac(flac), FlacOptions(flacOptions) {}

QString TImageRip::WavPath() const {
    return AddTrailingBackslash(Folder) + BaseName + (Flac ? QStringLiteral(".flac") : QStringLiteral(".wav"));
}

QString TImageRip::CuePath() const {
    return AddTrailingBackslash(Folder) + BaseName + QStringLiteral(".cue");
}

bool TImageRip::ReadLayout() {
    TCDToc toc{};
    if (ModifyCDParms(Handle, CDP_MSF, 1) == 0 || ReadTOC(Handle, &toc) != 1) {
        Error = CDLastError();
        return false;
    }
    Image = TImageLayout();
    Image.Disc = TDisc::FromToc(toc);
    for (const TDiscTrack& t : Image.Disc.Tracks) {
        if (t.Data) {
            Error =
                QStringLiteral("track %1 is a data track; an image in one file holds audio tracks only").arg(t.Number);
            return false;
        }
    }
    const std::shared_ptr<const TDiscLayout> image = CDHandleLayout(Handle);
    for (size_t i = 0; i < Image.Disc.Tracks.size(); ++i) {
        TImageTrackInfo info;
        info.Title = Titles.value(qsizetype(i));
        const uint8_t control = toc.Tracks[i].AdrControl & 0x0F;
        info.FourChannels = control & 0x08;
        info.CopyPermitted = control & 0x02;
        info.PreEmphasis = control & 0x01;
        Image.Tracks.push_back(info);
    }
    if (image && image->Tracks.size() == Image.Tracks.size()) {
        // A disc image knows its pregaps, further indexes and codes; the disc begins where its
        // first track's pregap does.
        for (size_t i = 0; i < Image.Tracks.size(); ++i) {
            const TLayoutTrack& lt = image->Tracks[i];
            Image.Tracks[i].Index0 = lt.Index0;
            Image.Tracks[i].Indexes = lt.Indexes;
            Image.Tracks[i].Isrc = lt.Isrc;
        }
        Image.Catalog = image->Catalog;
        Image.First = std::max(0, image->Tracks.front().Index0);
    } else if (CdIo_t* cdio = CDHandleCdio(Handle)) {
        // A drive may tell where a pregap begins; most say nothing.
        for (size_t i = 0; i < Image.Tracks.size(); ++i) {
            const lsn_t pregap = cdio_get_track_pregap_lsn(cdio, track_t(Image.Disc.Tracks[i].Number));
            if (pregap != CDIO_INVALID_LSN)
                Image.Tracks[i].Index0 = int32_t(pregap);
        }
    }
    return true;
}

bool TImageRip::Run(const std::function<void(int)>& progress, const std::function<bool()>& stopped) {
    Stopped = false;
    const int32_t first = Image.First;
    const int32_t end = Image.Disc.LeadOut;
    const int64_t bytes = int64_t(end - first) * CDSectorBytes;
    if (Image.Disc.Empty() || bytes <= 0 || bytes > int64_t(UINT32_MAX) - 36) {
        Error = QStringLiteral("the disc does not fit a WAV file");
        return false;
    }
    // The WAV image is a QSaveFile, the FLAC image the encoder's temporary: either becomes the
    // image only once the disc was read whole.
    QSaveFile wav(WavPath());
    wav.setDirectWriteFallback(false);
    TFlacCdWriter flac;
    if (Flac) {
        if (!flac.Open(WavPath(), bytes / 4, TFlacEncodeOptions{FlacOptions.Level, FlacOptions.Verify})) {
            Error = flac.Error;
            return false;
        }
    } else if (!wav.open(QIODevice::WriteOnly) || wav.write(MakePcmHeader(2, 44100, 16, uint32_t(bytes))) < 0) {
        Error = WavPath() + QStringLiteral(": ") + wav.errorString();
        return false;
    }
    const TCDReadBufferPtr buffer = NewCDReadBuffer(0, MaxSectorsPerRead);
    int percent = -1;
    for (int32_t at = first; at < end; at += MaxSectorsPerRead) {
        if (stopped()) {
            Stopped = true;
            Error = QStringLiteral("stopped; nothing was written");
            return false;
        }
        const uint32_t n = uint32_t(std::min<int32_t>(MaxSectorsPerRead, end - at));
        buffer->FirstSector = uint32_t(at);
        buffer->SectorCount = n;
        buffer->Capacity = n * CDSectorBytes;
        if (ReadCDAudioLBA(Handle, buffer.get()) != 1) {
            Error = CDLastError();
            return false;
        }
        const uint8_t* data = buffer->Data() + buffer->DataOffset;
        if (Flac) {
            if (!flac.Write(data, buffer->BytesReturned)) {
                Error = flac.Error;
                return false;
            }
        } else if (wav.write(reinterpret_cast<const char*>(data), buffer->BytesReturned) !=
                   qint64(buffer->BytesReturned)) {
            Error = WavPath() + QStringLiteral(": ") + wav.errorString();
            return false;
        }
        const int now = int(int64_t(at + int32_t(n) - first) * 100 / (end - first));
        if (now != percent)
            progress(percent = now);
    }
    QSaveFile cue(CuePath());
    cue.setDirectWriteFallback(false);
    const QByteArray sheet = ImageCueSheet(Image, Fields, QFileInfo(WavPath()).fileName());
    if (!cue.open(QIODevice::WriteOnly) || cue.write(sheet) != sheet.size()) {
        Error = CuePath() + QStringLiteral(": ") + cue.errorString();
        return false;
    }
    if (Flac ? !flac.Commit() : !wav.commit()) {
        Error = Flac ? flac.Error : WavPath() + QStringLiteral(": ") + wav.errorString();
        return false;
    }
    FilesWritten << WavPath();
    if (!cue.commit()) {
        Error = CuePath() + QStringLiteral(": ") + cue.errorString();
        return false;
    }
    FilesWritten << CuePath();
    return true;
}

// ---------------------------------------------------------------------------------------------
// The job

namespace {

// The end of the read: Ok, or Reason.
constexpr int32_t ImageReadEnded = 7000;

int64_t SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TImageRipJob::TImageRipJob(std::unique_ptr<TImageRip> rip, QObject* parent)
    : TJobController(parent), Image(std::move(rip)) {
    Results.resize(1);
    Results[0].Output = Image->WavPath();
    InitText = ResText("RES_Initing", "Initializing...");
    GroupCaption = ResText("RES_Extracting", "Extracting");
    Caption = ResText("RES_Image_Reading", "Reading the disc into %1").arg(QFileInfo(Image->WavPath()).fileName());
}

TImageRipJob::~TImageRipJob() {
    Finish();
}

void TImageRipJob::Start() {
    const TGuardedReceiver inbox = Inbox.Handle();
    const auto started = std::chrono::steady_clock::now();
    Worker.reset(QThread::create([this, inbox, started] {
        const bool done = Image->Run(
            [&](int percent) {
                const int64_t seconds = SecondsSince(started);
                inbox.PostJobInfo(
                    ProgressInfo(percent, MinSecText(seconds),
                                 MinSecText(percent > 0 ? int64_t(std::rint(double(seconds) * 100.0 / percent)) : 0)));
            },
            [this] { return StopAsked.load(); });
        TProcessInfo end;
        end.Code = ImageReadEnded;
        end.Ok = done;
        end.Reason = Image->Error;
        inbox.PostJobInfo(end);
    }));
    Worker->start();
    Q_EMIT Changed();
}

bool TImageRipJob::event(QEvent* e) {
    if (e->type() != JobInfoEventType)
        return TJobController::event(e);
    const TProcessInfo& info = *static_cast<TJobInfoEvent*>(e)->Info;
    if (Finished)
        return true;
    if (info.Code != ImageReadEnded) {
        Progress.Report(info.Code, info.Elapsed, info.Estimated);
        Q_EMIT Changed();
        return true;
    }
    Finish();
    EndEntry(0, info.Ok, info.Reason);
    if (!info.Ok && !Image->Stopped)
        Prompter().Show(info.Reason, TPromptIcon::Error, TPromptButtons::Ok);
    EndJob();
    return true;
}

void TImageRipJob::Stop() {
    if (Finished)
        return;
    Finish();
    EndJob();
}

void TImageRipJob::Finish() {
    if (Worker) {
        StopAsked = true;
        Worker->wait();
        Worker.reset();
    }
    Finished = true;
}

QStringList TImageRipJob::FilesWritten() const {
    return Finished && !Worker ? Image->FilesWritten : QStringList();
}
