// Ripping a disc to an image: the whole disc read through the drive library into one WAV or
// FLAC file (from its first sector, pregaps included, to the lead-out) and a cue sheet whose TRACK and
// INDEX lines give the disc's layout back, so that the pair opened as a disc image is the disc
// again: the same tracks, disc id and audio. TImageRipJob runs it behind the job window.
#pragma once

#include "core/JobEvents.h"
#include "jobs/JobController.h"

#include "cd/Disc.h"
#include "core/DiscInfo.h"
#include "core/EncoderOptions.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <QThread>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// What the cue sheet says of each track besides where it lies.
struct TImageTrackInfo {
    QString Title;
    int32_t Index0 = -1;          // where its pregap begins; -1 when not known (no INDEX 00 line)
    std::vector<int32_t> Indexes; // INDEX 02, 03, ... when known
    bool CopyPermitted = false;
    bool PreEmphasis = false;
    bool FourChannels = false;
    QString Isrc;
};

struct TImageLayout {
    TDisc Disc;
    std::vector<TImageTrackInfo> Tracks; // one per track of Disc
    int32_t First = 0;                   // the first sector the WAV file holds
    QString Catalog;
};

// The cue sheet of a disc ripped whole into `wavName` from sector `layout.First` on: the disc's
// fields as REM, PERFORMER and TITLE lines, each track with its title, flags, ISRC and its
// INDEX 00 (when known), 01 and further lines at their places in the file. Sectors before
// `First` are placed as PREGAP of track 1.
QByteArray ImageCueSheet(const TImageLayout& layout, const TDiscFields& fields, const QString& wavName);

// The base name of an image's files: "Artist - Album", the album alone, or "Disc " and the
// CDDB disc id, without the characters a file name cannot hold.
QString ImageBaseName(const TDiscFields& fields, const TDisc& disc);

class TImageRip {
public:
    // `titles` by the disc's track numbers from its first track on; the files go to
    // folder/baseName.wav (.flac with `flac`) and .cue.
    TImageRip(int handle, QString folder, QString baseName, TDiscFields fields, QStringList titles, bool flac = false,
              TFlacOptions flacOptions = TFlacOptions());

    // Reads the disc's layout (TOC, pregaps, flags) from the drive. False with Error, e.g. for
    // a disc with a data track.
    bool ReadLayout();
    const TImageLayout& Layout() const { return Image; }
    // The audio file: the WAV or FLAC image.
    QString WavPath() const;
    QString CuePath() const;

    // Reads the disc into the audio file, then writes the cue sheet. `progress` gets the percent
    // read; `stopped` is asked between reads. Each file appears only whole: a failure or a stop
    // leaves neither. False with Error (or Stopped).
    bool Run(const std::function<void(int)>& progress, const std::function<bool()>& stopped);

    QString Error;
    bool Stopped = false;
    QStringList FilesWritten;

private:
    int Handle = 0;
    QString Folder;
    QString BaseName;
    TDiscFields Fields;
    QStringList Titles;
    bool Flac = false;
    TFlacOptions FlacOptions;
    TImageLayout Image;
};

// The rip to an image as a job of the job window: the disc is read on a thread of its own, the
// window shows the percentage and Stop ends the read (no file is left). One entry: the image.
class TImageRipJob : public TJobController {
    Q_OBJECT
public:
    // `rip` has read its layout already.
    explicit TImageRipJob(std::unique_ptr<TImageRip> rip, QObject* parent = nullptr);
    ~TImageRipJob() override;

    void Start() override;
    void Stop() override;
    void Finish() override;
    QStringList FilesWritten() const override;

    const TImageRip& Rip() const { return *Image; }

protected:
    bool event(QEvent* e) override;

private:
    std::unique_ptr<TImageRip> Image;
    std::unique_ptr<QThread> Worker;
    std::atomic<bool> StopAsked{false};
    TPostGuard Inbox{this};
};
