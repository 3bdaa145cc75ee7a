// The MP3 encoder wrapper: runs lame to encode a WAV file to MP3 or to decode an MP3 file to
// WAV, and turns lame's progress lines into WM_JOB_INFO events (Code 1..100 posted while it
// runs, Code 2000 at the end).
#pragma once

#include "core/EncoderOptions.h"
#include "jobs/EncodeProcess.h"
#include "jobs/EncoderParsers.h"

// lame's argument vector for `options` (the program name not included).
QStringList Mp3Arguments(const TMp3Options& options, bool encode, const QString& inputFile, const QString& outputFile);
// The same command as one line, in the form logs show it:
// lame.exe -b 128 -m j "in.wav" "out.mp3".
QString Mp3CommandLine(const TMp3Options& options, bool encode, const QString& inputFile, const QString& outputFile);
// The lame executable: the program's own folder first, then PATH; empty when there is none.
QString FindLame();

class TMp3EncodeProcess : public TEncodeProcess {
public:
    // True = WAV to MP3, false = MP3 to WAV.
    bool Encode = false;
    // The encoder's options, set by the caller before Start.
    TMp3Options Options;

    // The end event, posted: Code 2000 with Status 0 (overwrite declined; no child), 1 (output
    // in use; no child) or 2 (the child has exited, whether it succeeded or not), and Ok and
    // Reason as described in EncodeProcess.h. Only a Status 2 event can have Ok set.
    void Notify(int32_t status, const QString& text = QString()) override;

protected:
    bool AsksOverwrite() const override;
    bool FindProgram(QString& program) override;
    QStringList Arguments() const override;
    void ResetParser() override;
    void ParseChunk(const QByteArray& chunk) override;
    bool ProducesWav() const override { return !Encode; }

private:
    TLameEncodeParser EncodeParser;
    TLameDecodeParser DecodeParser;
};

// The reader thread of a run: the common one.
using TMp3EncodeThread = TEncodeThread;
