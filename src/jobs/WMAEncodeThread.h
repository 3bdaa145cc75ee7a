// The WMA encoder wrapper: runs the wm8eutil utility to encode a WAV file to WMA with the
// setting of WmaSettingsTable chosen in the options. Its end events (Code 5000) are sent, i.e.
// handled by the window before the wrapper goes on.
#pragma once

#include "jobs/EncodeProcess.h"
#include "jobs/EncoderParsers.h"

// The utility's arguments for the current Settings (the program name not included). Artist and
// comment are passed only when tags are on and the text is not empty, each as one argument.
QStringList WmaArguments(const QString& inputFile, const QString& outputFile);
// The same command as one line for logs: PROGRAM -input "in" -output "out" -a_setting 64_44_2 ...
QString WmaCommandLine(const QString& program, const QString& inputFile, const QString& outputFile);
// wm8eutil in the program's own folder, the install's libexec folder, then PATH; empty if none.
QString FindWmaEncoder();
// The box text shown when the utility is missing.
QString NoWmaEncoderText();

class TWMAEncodeProcess : public TEncodeProcess {
public:
    // 5000 with the status, sent: 0 declined or no utility, 1 output in use, 2 child exited,
    // 8 the utility reported an error (text = its line).
    void Notify(int32_t status, const QString& text = QString()) override;

protected:
    bool AsksOverwrite() const override;
    bool FindProgram(QString& program) override;
    QStringList Arguments() const override;
    void ResetParser() override {}
    void ParseChunk(const QByteArray& chunk) override;

private:
    TWmaOutputParser Parser;
};

// The reader thread of a run: the common one.
using TWMAEncodeThread = TEncodeThread;
