// TRipPipeline: the one way a rip runs, behind both rip windows and discwright-cli's extract,
// rip and rip --paranoia. A track source (the drive library's extraction thread or the CD input)
// reads the tracks strictly in order into their WAV files; an encode step turns each WAV into
// the output format, the file gets its tags (TRipTags; the album's ReplayGain and cover once
// every track is done), and the WAV goes when the window's rules say so. After each track a
// TTrackResult tells the listeners what was read and written.
//
// With the request's Pipeline the drive reads on while earlier tracks are encoded, up to
// EncoderThreads encodes at once (each in an encode step of its own, in track order); the
// reader waits while more WAVs than that wait for or are in an encoder, so at most
// EncoderThreads + 1 WAV files of the rip exist at once, and a WAV goes as soon as its encode
// succeeded. Without Pipeline a track is read and encoded before the next is read, as the
// windows always did.
//
// What differs between the two windows is configuration (TRipWindow), not another state
// machine:
//   Job   - the conversion job window (TRipForm): a failure is an error box; the disc's fields
//           go into the tags when the request asks for tags; the WAV files go at the end, once
//           every track was read, and only those whose encode succeeded; a drive error stalls
//           the rip until Stop; Ogg files take the quality only.
//   CDRip - the CD rip progress window (TfrmCDRip): a failure goes to its hint line (Failure);
//           every MP3 is tagged; each WAV goes as soon as its encode succeeded; Ogg files take
//           the whole Ogg options and, with tags, the disc's comments.
//
// Every event of the source and the encode step names its entry; an event of another entry
// than the one running (a late report of a stopped step) changes nothing.
#pragma once

#include "accuraterip/AccurateRipDatabase.h"
#include "jobs/EncodeStep.h"
#include "jobs/JobController.h"
#include "jobs/RipRequest.h"
#include "jobs/RipState.h"
#include "jobs/RipTags.h"
#include "jobs/TrackResult.h"
#include "jobs/TrackSource.h"

#include <QElapsedTimer>
#include <QStringList>

#include <deque>
#include <map>
#include <memory>
#include <vector>

enum class TRipWindow { Job, CDRip };

// Where a track of a running rip stands, for the windows' track lists.
struct TTrackState {
    enum TStage { Waiting, Reading, Queued, Encoding, Done, Failed };
    TStage Stage = Waiting;
    // Of the step going on (reading or encoding).
    int32_t Percent = 0;
    // Once done or failed: the AccurateRip result, or why the track failed.
    QString Result;
};

class TRipPipeline : public TJobController {
    Q_OBJECT
public:
    // Without encoder wrappers the pipeline uses its own.
    TRipPipeline(const TRipRequest& request, std::unique_ptr<TTrackSource> source, TRipWindow window,
                 TMp3EncodeProcess* mp3 = nullptr, TWMAEncodeProcess* wma = nullptr, QObject* parent = nullptr);
    ~TRipPipeline() override;

    void Start() override;
    void Stop() override;
    void Finish() override;
    QStringList FilesWritten() const override;

    const TRipRequest& Request() const { return Req; }
    TTrackSource& Source() { return *Reader; }
    int32_t Count() const { return int32_t(Req.Tracks.size()); }
    // The results of the tracks that have ended, in order.
    const std::vector<TTrackResult>& TrackResults() const { return Ended; }
    // The rip's log and cue sheet once written (empty when none), or why they could not be.
    QString LogFile;
    QString CueFile;
    QString LogError;
    // The database's answer for the disc.
    const TAccurateRipAnswer& AccurateRipAnswer() const { return Answer; }
    // The files' tags; the album's (ReplayGain, cover) once every track is done.
    const TRipTags& FileTags() const { return Tags; }

    // The job window's failures are error boxes; without them (a command that says why itself)
    // they only go to Failure and the results.
    bool Boxes = true;
    // The first encode step (the wrappers, the Vorbis writer and its WAV reader, the WMA
    // estimate); with Pipeline, EncoderThreads - 1 more of their own.
    TEncodeStep Step;
    // Each entry's stage, and the rip as a whole in percent.
    std::vector<TTrackState> States;
    int32_t OverallPercent() const;
    // Whether steps of different tracks run at once (the CLI then names the track of each line).
    bool Overlapping() const { return Req.Pipeline && Req.Format != ofWAV; }
    // Entry i's stage as the track lists show it ("encoding 40 %", "done: accurate ...").
    QString StateText(int i) const;
    // Once the rip is over: tracks done and failed, and the time it took.
    QString Summary;
    int32_t ExtractedCount = 0;
    int32_t EncodedCount = 0;

    // What the CD rip window shows.
    QString CurrentTrack;
    QString OutputFormatText;
    QString SelectedTracks;
    QString Completed;
    QString ProgressHint;
    QString GaugeHint;

Q_SIGNALS:
    // A track ended (every entry once).
    void TrackFinished(const TTrackResult& result);
    // A track's AccurateRip result is known (every entry once, after TrackFinished).
    void TrackVerified(const TTrackResult& result);
    // A failure of a track: the CD rip window's line (also its hint line), or the text of a job
    // window's box when Boxes is off.
    void Failure(const QString& line);
    // A step of entry `index` (1-based) reported: its line as the window's step line shows it,
    // and its progress.
    void StepProgress(int32_t index, const QString& caption, const TJobProgress& progress);

protected:
    bool event(QEvent* e) override;
    // Waits for the database's answer before the rip ends, then writes the log and cue sheet.
    void EndJob() override;

private:
    // An encode step and the entry it runs (1-based; 0 = free).
    struct TEncodeSlot {
        TEncodeStep* Step = nullptr;
        std::unique_ptr<TEncodeStep> Own;
        int32_t Entry = 0;
        TJobProgress Progress;
    };

    // Starts what can start (the next read, encodes of tracks waiting for one) and ends the rip
    // once every entry has ended.
    void Pump();
    bool MayRead() const;
    bool AllEnded() const { return EndedCount >= Count(); }
    void StartExtraction(int i, bool initializing);
    void StartRead(int i, const QString& word, bool normalize);
    // Test & copy: true when another read of entry i was started.
    bool ReadAgain(int i, const TTrackRead& read);
    // The track's AccurateRip result once the answer is there.
    void Verify(TTrackResult& result);
    static QString ResultLineOf(const TTrackResult& r);
    // A finished track's AccurateRip result, with a warning when test and copy differed.
    static QString VerdictText(const TTrackResult& r);
    void OnAnswer(const TAccurateRipAnswer& answer);
    void WriteLogFiles();
    // Tags entry i's output when its encode succeeded, and writes the album's tags at the end.
    void TagTrack(int i);
    void TagAlbum();
    void TagNote(const QString& text);
    void OnSourceProgress(const TProcessInfo& info);
    void OnNormalizing(int32_t index);
    void OnDriveError(int32_t code);
    void OnExtracted(int32_t index, const TTrackRead& read);
    void OnStepReport(TEncodeSlot& slot, const TProcessInfo& info);
    void OnWmaTick(TEncodeSlot& slot);
    // A report of the read, or of an encode when no read is going on: the window's gauge.
    void ShowProgress(const TProcessInfo& info);
    void ConfigureStep(TEncodeStep& step);
    TEncodeSlot* FreeSlot();
    bool AnyEncoding() const;
    // Entry i was read whole: it waits for an encoder (or ends, for WAV files).
    void Queue(int i);
    void StartEncode(TEncodeSlot& slot, int i);
    // The caption of entry i's step as the window's step line shows it.
    QString StepCaption(int i, const QString& word) const;
    void SetStage(int i, TTrackState::TStage stage, int32_t percent = 0);
    // A resumed rip: the next entry to read is one not taken from the earlier run, and such an
    // entry ends with its earlier result.
    void SkipCarried();
    void EndCarried(const TTrackResult& earlier);
    // Tells the listeners of ended tracks in track order (`all`: every one ended so far).
    void TellInTrackOrder(bool all);
    // The state for a resume: track r recorded (its files synced and hashed), and written.
    void SaveState(const TTrackResult& r);
    void WriteState();
    void MakeSummary();

    // The job window's steps.
    void ExtractedInJob(int i, const TTrackRead& read);
    void EncodeEndedInJob(TEncodeSlot& slot, const TProcessInfo& info);
    void SetStep(const QString& word, int i, const QString& group);
    void ErrorBox(const QString& text);

    // The CD rip window's steps.
    void ExtractedInCDRip(int i, const TTrackRead& read);
    void EncodeEndedInCDRip(TEncodeSlot& slot, const TProcessInfo& info);
    void Report(const QString& line);

    // Entry i has ended: its result is recorded and told.
    void EndTrack(int i, bool ok, const QString& reason);
    void Notify() { Q_EMIT Changed(); }
    // The item text of an entry in messages: two-digit number and the cleaned title.
    QString ItemText(int i) const;

    const TRipRequest Req;
    TRipTags Tags{Req};
    bool AlbumTagged = false;
    std::unique_ptr<TTrackSource> Reader;
    const TRipWindow Window;
    std::vector<TTrackRead> Reads;
    // Test & copy per entry: reads done so far and their CRC32s.
    struct TPasses {
        int Done = 0;
        uint32_t Crc[3] = {};
    };
    std::vector<TPasses> Passes;
    TAccurateRipAnswer Answer;
    bool AnswerPending = false;
    bool EndWhenAnswered = false;
    bool Stopping = false;
    TPostGuard Inbox{this};
    std::vector<TTrackResult> Ended;
    // The entry being read (1-based; 0 = none), the next one to read (0-based), the entries
    // read whole and waiting for an encoder, and the encode steps.
    int32_t Reading = 0;
    int NextRead = 0;
    std::deque<int> Waiting;
    std::vector<std::unique_ptr<TEncodeSlot>> Slots;
    int32_t EndedCount = 0;
    QElapsedTimer Clock;
    std::vector<bool> Carried;
    // Ended tracks not yet told (an earlier one is still being encoded), by entry.
    std::map<int, TTrackResult> Untold;
    int NextToTell = 0;
    TRipState State;
    QString StatePath;
    bool LogWritten = false;
};
