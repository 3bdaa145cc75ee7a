// The WAV to WAV dialog's controller (see NewResampleWav.h).
#include "audio/NewResampleWav.h"

#include "audio/AuException.h"
#include "core/LanguageText.h"
#include "platform/Prompter.h"
#include "platform/SameFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

TResampleWavController::TResampleWavController(QObject* parent) : QObject(parent) {
    WaveIn1 = new TWaveIn();
    WaveIn1->SetLoop(false);
    WaveIn1->SetEndSample(-1);
    FastResampler1 = new TFastResampler();
    FastResampler1->SetInput(WaveIn1);
    FastResampler1->OutSampleRate = 22050;
    AudioConverter1 = new TAudioConverter();
    AudioConverter1->SetInput(FastResampler1);
    AudioConverter1->Mode = msmMonoToBoth;
    AudioConverter1->OutBitsPerSample = 0;
    AudioConverter1->OutChannels = 0;
    WaveOut1 = new TWaveOut();
    WaveOut1->SetInput(AudioConverter1);
    WaveOut1->SetWavType(wtPCM);
    WaveOut1->SetBlockSize(512);
    WaveOut1->CreateNonMsHeaders = false;
    WaveOut1->SetFileMode(foRewrite);
    WaveOut1->ShareMode = 0;
    WaveOut1->OnProgress = [this](TAuOutput* sender) { WaveOut1Progress(sender); };
    WaveOut1->OnDone = [this](TAuOutput* sender) { WaveOut1Done(sender); };
    WaveOut1->OnThreadException = [this](TAuOutput* sender) { WaveOut1ThreadException(sender); };
}

TResampleWavController::~TResampleWavController() {
    Close();
    // The sink first: it must not outlive the filters it pulls from.
    delete WaveOut1;
    delete AudioConverter1;
    delete FastResampler1;
    delete WaveIn1;
}

void TResampleWavController::InputFileChosen(const QString& path) {
    if (Converting())
        return;
    WaveIn1->SetFileName(path);
    if (!WaveIn1->Valid())
        return;
    InputName = QFileInfo(path).fileName();
    InputChannels = QString::number(WaveIn1->GetChannels());
    InputSampleRate = QString::number(WaveIn1->GetSampleRate());
    InputBits = QString::number(WaveIn1->GetBitsPerSample());
    InputEncoding = WavTypeName(WaveIn1->WavType());
    Q_EMIT Changed();
}

void TResampleWavController::OutputFileChosen(const QString& path) {
    if (Converting())
        return;
    // The writer writes WAV whatever the name says: a name typed without ".wav" (or with
    // another extension) gets it, so the file is what its name claims.
    QString file = path;
    if (QFileInfo(file).suffix().toLower() != QLatin1String("wav"))
        file += QStringLiteral(".wav");
    ChosenOutput = WaveOut1;
    WaveOut1->SetFileName(file);
    OutputName = QFileInfo(file).fileName();
    Q_EMIT Changed();
}

void TResampleWavController::Convert(int32_t channels, const QString& rateText, int32_t bits, int32_t encodingIndex) {
    if (Converting())
        return;
    if (!ChosenOutput || ChosenOutput->FileName().isEmpty())
        throw EAuException(ResText("RES_Output_Not_Set", "The output file name is not set!"));
    AudioConverter1->OutBitsPerSample = 0;
    AudioConverter1->OutChannels = 0;
    bool isNumber = false;
    const int32_t rate = rateText.trimmed().toInt(&isNumber);
    if (!isNumber)
        throw EAuException(ResText("RES_Not_Integer", "'%1' is not a valid integer value").arg(rateText));
    if (!WaveIn1->Valid())
        return;
    // Writing over the file being read would destroy it before it has been read.
    if (IsSameFile(QFile::encodeName(WaveIn1->FileName()).constData(),
                   QFile::encodeName(ChosenOutput->FileName()).constData()))
        throw EAuException(ResText("RES_Output_Is_Input_File", "The output file is the input file!"));
    // The output is chosen once and kept: a second Convert would write over the first one's
    // file, so an existing file is replaced only after the usual question.
    if (QFileInfo::exists(ChosenOutput->FileName()) &&
        Prompter().Show(ChosenOutput->FileName() + ResText("RES_File_Exist", " has existed,overite it?"),
                        TPromptIcon::Question, TPromptButtons::YesNo, TPromptAnswer::No) != TPromptAnswer::Yes)
        return;
    if (bits != WaveIn1->GetBitsPerSample())
        AudioConverter1->OutBitsPerSample = bits;
    if (channels != WaveIn1->GetChannels())
        AudioConverter1->OutChannels = channels;
    FastResampler1->OutSampleRate = rate;
    WaveOut1->SetWavType(encodingIndex == 1 ? wtDVIADPCM : wtPCM);

    OutputIsNew = !QFileInfo::exists(ChosenOutput->FileName());
    AbortRequested = false;
    ConvertEnabled = false;
    StatusText = ResText("RES_Converting", "Converting...");
    Q_EMIT Changed();
    try {
        ChosenOutput->Run();
    } catch (const EAuException&) {
        ConvertEnabled = true;
        StatusText.clear();
        Q_EMIT Changed();
        throw;
    }
}

void TResampleWavController::Abort() {
    if (!Converting())
        return;
    AbortRequested = true;
    WaveOut1->Stop(true);
}

void TResampleWavController::Close() {
    WaveOut1->Stop(false);
    ConvertEnabled = true;
}

void TResampleWavController::WaveOut1Progress(TAuOutput* sender) {
    ProgressValue = std::clamp(sender->Progress(), 0, 100);
    Q_EMIT Changed();
}

void TResampleWavController::WaveOut1Done(TAuOutput* sender) {
    ConvertEnabled = true;
    if (AbortRequested) {
        // A stopped run wrote part of the file only: saying "Success!" would be untrue.
        StatusText = ResText("RES_Aborted", "Aborted.");
    } else {
        ProgressValue = 100;
        if (sender->LastError.isEmpty())
            StatusText = ResText("RES_Success", "Success!");
    }
    // A file this run created and could not finish is of no use to anyone.
    if (!sender->LastError.isEmpty() && OutputIsNew)
        QFile::remove(WaveOut1->FileName());
    AbortRequested = false;
    Q_EMIT Changed();
}

void TResampleWavController::WaveOut1ThreadException(TAuOutput* sender) {
    StatusText = sender->LastError;
    Q_EMIT Changed();
}
