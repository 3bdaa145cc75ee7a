// TRipPipeline: the one way a rip runs, behind both rip windows and discwright-cli's extract,
// rip and rip --paranoia. Track by track: a track source (the drive library's extraction thread
// or the CD input) reads the track into its WAV file, the encode step turns the WAV into the
// output format, the file gets its tags (TRipTags; the album's ReplayGain and cover once every
// track is done), and the WAV goes when the window's rules say so; then the next track. After
// each track a TTrackResult tells the listeners what was read and written.
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
#include "jobs/RipTags.h"
#include "jobs/TrackSource.h"

#include <QStringList>

#include <memory>
#include <vector>

enum class TRipWindow { Job, CDRip };

// What one track of a rip came to, once all its steps ended.
struct TTrackResult {
    int32_t Index = 0;      // entry of the rip (1-based)
    int32_t Number = 0;     // the track's place on the disc
    int32_t DiscNumber = 0; // the disc's own number of the track
    QString Title;
    // The files the track left: its output and, when kept, its WAV file.
    QStringList Files;
    // The read: complete or not, checksums of the audio read, the source's read errors.
    TTrackRead Read;
    // The output exists as asked (the read and, unless WAV is the output, the encode
    // succeeded); otherwise Reason says why.
    bool Ok = false;
    QString Reason;
    // Test & copy: the CRC32 of the test read and of a third read (when the first two
    // disagreed), and whether the reads left the track in doubt.
    bool Tested = false;
    uint32_t TestCrc = 0;
    bool Reread = false;
    uint32_t RereadCrc = 0;
    bool Suspicious = false;
    // The AccurateRip result; Unchecked until the database's answer is known.
    TAccurateRipVerdict AccurateRip;
    // The encode step's outcome ("ok", or why not; empty for WAV).
    QString Encode;
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
    // The encode step (the wrappers, the Vorbis writer and its WAV reader, the WMA estimate).
    TEncodeStep Step;
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

protected:
    bool event(QEvent* e) override;
    // Waits for the database's answer before the rip ends, then writes the log and cue sheet.
    void EndJob() override;

private:
    void StartExtraction(int i, bool initializing);
    void StartRead(int i, const QString& word, bool normalize);
    // Test & copy: true when another read of entry i was started.
    bool ReadAgain(int i, const TTrackRead& read);
    // The track's AccurateRip result once the answer is there.
    void Verify(TTrackResult& result);
    static QString ResultLineOf(const TTrackResult& r);
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
    void OnStepReport(const TProcessInfo& info);
    void OnProgressReport(const TProcessInfo& info);

    // The job window's steps.
    void ExtractedInJob(int i, const TTrackRead& read);
    void StartEncodeInJob(int i);
    void EncodeEndedInJob(const TProcessInfo& info);
    // Runs `start`; when it raises, the rip stalls (it waits for Stop) and the reason is shown.
    void StartStep(const std::function<void()>& start);
    // The end of entry i's encode; true when it was the last (the rip is then over).
    bool EndEncodedEntry(int i, const TProcessInfo& info, int32_t settleMs = 0);
    void SetStep(const QString& word, int i, const QString& group);
    void ErrorBox(const QString& text);

    // The CD rip window's steps.
    void ExtractedInCDRip(int i, const TTrackRead& read);
    void EncodeEndedInCDRip(const TProcessInfo& info);
    void NextOrEnd(bool afterEncode);
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
    // The entry whose read, and the entry whose encode, is awaited (1-based; 0 = none).
    int32_t Reading = 0;
    int32_t Encoding = 0;
    bool ProgressSeen = false;
};
