// The WMA encoder wrapper: runs the wm8eutil utility to encode a WAV file to WMA with the
// setting of WmaSettingsTable chosen in the options. Its end event (Code 5000) is sent, i.e.
// handled by the window before the wrapper goes on.
//
// An error line and the exit give one end event, not two: when the utility prints a line
// containing "ERROR", the wrapper keeps it and waits for the child to exit (it does so at once
// after such a line), then sends 5000 with Status 8, Elapsed = that line, Ok false and Reason
// "wm8eutil: " + the line. So a window counts every 5000 once and may start the next run from
// it: the child of the run it ends has already gone.
#pragma once

#include "core/EncoderOptions.h"
#include "jobs/EncodeProcess.h"
#include "jobs/EncoderParsers.h"

#include <QList>
#include <QPair>

// What the utility stores in the file besides the audio: the ASF author and description (each
// passed only when not empty), and further entries by name (title, album, album_artist, date,
// genre, track, "MusicBrainz/Album Id"; empty values are left out).
struct TWmaTags {
    QString Author;
    QString Description;
    QList<QPair<QString, QString>> Metadata{};
};

// The utility's arguments (the program name not included), each text one argument.
QStringList WmaArguments(const TWmaOptions& options, const TWmaTags& tags, const QString& inputFile,
                         const QString& outputFile);
// The same command as one line for logs: PROGRAM -input "in" -output "out" -a_setting 64_44_2 ...
QString WmaCommandLine(const TWmaOptions& options, const TWmaTags& tags, const QString& program,
                       const QString& inputFile, const QString& outputFile);
// wm8eutil in the program's own folder, the install's libexec folder, then PATH; empty if none.
QString FindWmaEncoder();
// The box text shown when the utility is missing.
QString NoWmaEncoderText();

class TWMAEncodeProcess : public TEncodeProcess {
public:
    // The setting and the texts of the next run, set by the caller before Start.
    TWmaOptions Options;
    TWmaTags Tags;

    // The end event, sent: Code 5000 with Status 0 (overwrite declined, or the utility was not
    // found; no child), 1 (output in use; no child), 2 (the child has exited without an error
    // line) or 8 (the child has exited after printing an error line, which `text` and Elapsed
    // hold); Ok and Reason as described in EncodeProcess.h. Only a Status 2 event can have Ok set.
    void Notify(int32_t status, const QString& text = QString()) override;

protected:
    bool AsksOverwrite() const override;
    bool FindProgram(QString& program) override;
    QStringList Arguments() const override;
    void ResetParser() override {}
    void ParseChunk(const QByteArray& chunk) override;
    int32_t EndStatus() const override;

private:
    TWmaOutputParser Parser;
};

// The reader thread of a run: the common one.
using TWMAEncodeThread = TEncodeThread;
