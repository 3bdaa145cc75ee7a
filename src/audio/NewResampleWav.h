// The WAV to WAV dialog without widgets: the fixed chain WaveIn1 → FastResampler1 →
// AudioConverter1 → WaveOut1, the input file's facts, the output choice and the conversion run.
// TfrmResample (NewResampleWavForm.h) shows it; discwright-cli and the tests drive it directly.
#pragma once

#include "audio/AudioConverter.h"
#include "audio/FastResampler.h"
#include "audio/WaveIn.h"
#include "audio/WaveOut.h"

#include <QObject>
#include <QString>

class TResampleWavController : public QObject {
    Q_OBJECT
public:
    explicit TResampleWavController(QObject* parent = nullptr);
    // Stops a running conversion synchronously (no done event follows).
    ~TResampleWavController() override;

    // The chain, owned.
    TWaveIn* WaveIn1 = nullptr;
    TFastResampler* FastResampler1 = nullptr;
    TAudioConverter* AudioConverter1 = nullptr;
    TWaveOut* WaveOut1 = nullptr;
    // The sink chosen by the output file dialog; unset until an output was chosen.
    TWaveOut* ChosenOutput = nullptr;

    // What the window shows: the input's name (without folder), channels, rate, bits and
    // encoding; the output's name; the status panel; the progress bar; the Convert button.
    QString InputName;
    QString InputChannels;
    QString InputSampleRate;
    QString InputBits;
    QString InputEncoding;
    QString OutputName;
    QString StatusText;
    int32_t ProgressValue = 0;
    bool ConvertEnabled = true;

    bool Converting() const { return !ConvertEnabled; }

    // "Input File..." answered with a file. An invalid file changes nothing shown. Ignored while
    // converting (the reader is in use).
    void InputFileChosen(const QString& path);
    // "Output File..." answered with a file: a name that does not end in ".wav" (any case) gets
    // ".wav" added.
    void OutputFileChosen(const QString& path);
    // "Convert" with the values of the output controls (encodingIndex 0 RAW PCM, 1 DVI IMA
    // ADPCM). Raises EAuException for a missing output, an output that is the input file and a
    // rate that is not a number; an input that is not valid does nothing, and so does an
    // existing output the user would not have overwritten.
    void Convert(int32_t channels, const QString& rateText, int32_t bits, int32_t encodingIndex);
    // "Abort": the run ends and the done event follows.
    void Abort();
    // Closing the window: a running conversion is stopped synchronously.
    void Close();

Q_SIGNALS:
    // Any of the shown values changed.
    void Changed();

private:
    void WaveOut1Progress(TAuOutput* sender);
    void WaveOut1Done(TAuOutput* sender);
    void WaveOut1ThreadException(TAuOutput* sender);

    bool AbortRequested = false;
    // The output did not exist before the run (a failed run's leftover may then be removed).
    bool OutputIsNew = false;
};
