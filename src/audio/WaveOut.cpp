// The WAV writer: headers, PCM and IMA ADPCM blocks, appending and the end-of-run patch.
#include "audio/WaveOut.h"

#include "audio/AuException.h"
#include "audio/ImaAdpcm.h"
#include "audio/WaveHeader.h"

#include <QFileInfo>

#include <algorithm>
#include <exception>

namespace {

QString ErrorWriting() {
    return QStringLiteral("Error writing wave file");
}
QString CannotAppend() {
    return QStringLiteral("Cannot append data to this .wav file.");
}
QString DifferentFormat() {
    return QStringLiteral("Cannot append data in different audio format.");
}

} // namespace

TWaveOut::TWaveOut(QObject* owner) : TAuFileOut(owner) {}

TWaveOut::~TWaveOut() {
    Shutdown();
}

void TWaveOut::SetWavType(TWavType type) {
    if (!Busy && (type == wtPCM || type == wtDVIADPCM))
        Type = type;
}

void TWaveOut::SetBlockSize(uint16_t size) {
    if (!Busy && size != 0 && size % 4 == 0)
        BlockBytes = size;
}

void TWaveOut::Refuse(const QString& message) {
    if (ReadingBegun) {
        ReadingBegun = false;
        Input()->EndReading();
    }
    if (!StreamAttached)
        ReleaseStream();
    throw EAuException(message);
}

void TWaveOut::CheckImaInput(int bits) {
    if (bits != 16)
        Refuse(QStringLiteral("Cannot encode %1 bit sound into ADPCM.").arg(bits));
    // The block layouts exist for one and two channels only.
    if (Channels > 2)
        Refuse(QStringLiteral("Cannot encode more than two channels into ADPCM."));
    if (ImaSamplesPerBlock(Channels, RunBlockBytes) == 0)
        Refuse(QStringLiteral("The ADPCM block size is too small."));
}

void TWaveOut::CheckFits(int64_t headerBytes, int64_t dataBytes) {
    // Every size field of a RIFF file is 32 bits wide; a longer file would announce a
    // wrapped, far too small length.
    if (headerBytes + dataBytes > int64_t(MaxWaveFileBytes))
        Refuse(QStringLiteral("The audio is too long for a WAV file (more than 4 GiB)."));
}

void TWaveOut::Write(const void* data, int64_t bytes) {
    if (Stream->Write(data, bytes) != bytes)
        throw EAuException(ErrorWriting());
}

void TWaveOut::CheckWriteFits(uint32_t bytes) {
    if (Stream->Position() + int64_t(bytes) > int64_t(MaxWaveFileBytes))
        throw EAuException(QStringLiteral("The audio is too long for a WAV file (more than 4 GiB)."));
}

void TWaveOut::WriteLE32At(int64_t offset, uint32_t value) {
    uint8_t b[4];
    PutLE32(b, value);
    Stream->SetPosition(offset);
    Write(b, 4);
}

void TWaveOut::ScanExisting() {
    Stream->SetPosition(0);
    const TWaveHeaderInfo info = ScanWaveHeader(*Stream, TWaveScanMode::Append);
    OldType = info.Found ? info.WavType : wtUnsupported;
    if (OldType == wtUnsupported)
        return;
    OldSampleRate = info.SampleRate;
    OldChannels = info.Channels;
    OldBitsPerSample = info.BitsPerSample;
    OldFactSamples = info.FactSamples;
    FactValuePos = info.HasFact ? info.FactValuePos : -1;
    OldDataSize = info.DataSize;
    DataSizePos = info.DataSizePos;
    DataStart = info.DataStart;
    if (OldType == wtDVIADPCM)
        RunBlockBytes = info.BlockAlign;
    // New audio goes at the end of the file; that must also be the end of the data chunk, or
    // the chunks behind it would be swallowed as audio by the size patch.
    const int64_t dataEnd = DataStart + int64_t(OldDataSize) + (OldDataSize & 1);
    if (OldDataSize > 0 && dataEnd < Stream->Size())
        OldType = wtUnsupported;
}

void TWaveOut::BeginOutput() {
    InputEnded = false;
    Prepared = false;
    Appending = false;
    FramesGathered = 0;
    FramesAnnounced = 0;
    // The run works on copies: what it finds out (an extensible header, the type and block
    // size of a file appended to) holds for this run only and never changes the properties.
    RunType = Type;
    RunBlockBytes = BlockBytes;
    if (!(StreamAttached && Stream) && FileName().isEmpty())
        throw EAuException(QStringLiteral("File name is not assigned."));
    TAuInput* in = Input();
    in->BeginReading();
    ReadingBegun = true;
    const int bits = in->GetBitsPerSample();
    const int rate = in->GetSampleRate();
    const int64_t size = in->Size;
    Channels = in->GetChannels();

    const bool fileHasAudio =
        Mode == foAppend && ((StreamAttached && Stream) ? Stream->Size() > 0 : QFileInfo(FileName()).size() > 0);
    // Refusals that do not depend on an existing file come before it is created or truncated.
    if (!fileHasAudio) {
        if (RunType == wtDVIADPCM) {
            CheckImaInput(bits);
            const int spb = ImaSamplesPerBlock(Channels, RunBlockBytes);
            CheckFits(60, size > 0 ? (size / 2 / Channels + spb - 1) / spb * RunBlockBytes : 0);
        } else {
            if ((Channels > 2 || bits > 16) && !CreateNonMsHeaders)
                RunType = wtExtPCM;
            CheckFits(RunType == wtExtPCM ? 68 : 44, std::max<int64_t>(size, 0));
        }
    }

    OpenDestination();
    if (Mode == foAppend && Stream->Size() > 0) {
        ScanExisting();
        if (OldType != wtPCM && OldType != wtDVIADPCM)
            Refuse(CannotAppend());
        RunType = OldType;
        Appending = true;
    }

    switch (RunType) {
    case wtDVIADPCM: {
        if (Appending) {
            if (bits != 16)
                Refuse(QStringLiteral("Cannot encode %1 bit sound into ADPCM.").arg(bits));
            if (uint32_t(rate) != OldSampleRate || Channels != OldChannels)
                Refuse(DifferentFormat());
            if (ImaSamplesPerBlock(Channels, RunBlockBytes) == 0)
                Refuse(CannotAppend());
        }
        CheckImaInput(bits);
        SamplesPerBlock = ImaSamplesPerBlock(Channels, RunBlockBytes);
        if (Appending) {
            CheckFits(Stream->Size(),
                      size > 0 ? (size / 2 / Channels + SamplesPerBlock - 1) / SamplesPerBlock * RunBlockBytes : 0);
            Stream->Seek(0, SEEK_END);
        } else {
            FramesAnnounced = size > 0 ? size / 2 / Channels : 0;
            // Every started block is written, so the data holds that many whole blocks.
            const int64_t blocks = (FramesAnnounced + SamplesPerBlock - 1) / SamplesPerBlock;
            Write(MakeImaAdpcmHeader(Channels, rate, RunBlockBytes, uint32_t(FramesAnnounced),
                                     uint32_t(blocks * RunBlockBytes))
                      .constData(),
                  60);
            LeftStepIndex = RightStepIndex = 0;
            FactValuePos = 48;
            DataSizePos = 56;
            DataStart = 60;
        }
        ImaSamples.assign(size_t(SamplesPerBlock) * size_t(Channels), 0);
        ImaBlock.assign(RunBlockBytes, 0);
        break;
    }
    case wtExtPCM:
        Write(MakeExtensiblePcmHeader(Channels, rate, bits, uint32_t(size)).constData(), 68);
        FactValuePos = -1;
        DataSizePos = 64;
        DataStart = 68;
        break;
    default:
        if (Appending) {
            if (uint32_t(rate) != OldSampleRate || bits != OldBitsPerSample || Channels != OldChannels)
                Refuse(DifferentFormat());
            CheckFits(Stream->Size(), std::max<int64_t>(size, 0));
            Stream->Seek(0, SEEK_END);
        } else {
            Write(MakePcmHeader(Channels, rate, bits, uint32_t(size)).constData(), 44);
            FactValuePos = -1;
            DataSizePos = 40;
            DataStart = 44;
        }
        break;
    }
    Prepared = true;
}

bool TWaveOut::OutputBlock(bool abort) {
    if (!OutputOpen)
        return true;
    if (abort || InputEnded)
        return false;
    if (RunType == wtDVIADPCM)
        return OutputImaBlock();
    uint8_t* data = nullptr;
    uint32_t bytes = 16384;
    Input()->Read(data, bytes);
    if (bytes == 0)
        return false;
    CheckWriteFits(bytes);
    Write(data, bytes);
    return true;
}

bool TWaveOut::OutputImaBlock() {
    const uint32_t want = uint32_t(ImaSamples.size() * 2);
    std::fill(ImaSamples.begin(), ImaSamples.end(), 0);
    auto* raw = reinterpret_cast<uint8_t*>(ImaSamples.data());
    uint32_t got = 0;
    while (got < want) {
        const uint32_t n = Input()->ReadOnce(raw + got, want - got);
        if (n == 0) {
            InputEnded = true;
            break;
        }
        got += n;
    }
    // The rest of a short last block stays silent; a block with no input at all is not written.
    if (got == 0)
        return false;
    FramesGathered += got / 2 / uint32_t(Channels);
    LeftPredictor = ImaSamples[0];
    if (Channels == 2)
        RightPredictor = ImaSamples[1];
    int stepIndex[2] = {LeftStepIndex, RightStepIndex};
    ImaEncodeBlock(ImaSamples.data(), Channels, RunBlockBytes, stepIndex, ImaBlock.data());
    LeftStepIndex = uint8_t(stepIndex[0]);
    RightStepIndex = uint8_t(stepIndex[1]);
    CheckWriteFits(RunBlockBytes);
    Write(ImaBlock.data(), RunBlockBytes);
    return true;
}

void TWaveOut::PatchHeader() {
    const int64_t fileSize = Stream->Size();
    const uint32_t dataSize = uint32_t(std::max<int64_t>(0, fileSize - DataStart));
    WriteLE32At(DataSizePos, dataSize);
    if (RunType == wtDVIADPCM && FactValuePos >= 0)
        WriteLE32At(FactValuePos, uint32_t(SamplesPerBlock) * (dataSize / RunBlockBytes));
    WriteLE32At(4, uint32_t(fileSize - 8));
}

void TWaveOut::EndOutput() {
    QString error;
    try {
        if (Prepared && Stream) {
            const int64_t size = Input()->Size;
            bool patch = size < 0 || Mode == foAppend || StopRequested;
            // An input that ended before its announced length: the header is made to describe
            // what was written, never padded out with silence that was not in the input.
            if (RunType == wtDVIADPCM)
                patch = patch || FramesGathered < FramesAnnounced;
            else
                patch = patch || Stream->Size() - DataStart != size;
            if (patch)
                PatchHeader();
        }
    } catch (const std::exception& e) {
        const auto* au = dynamic_cast<const EAuException*>(&e);
        error = au ? au->Message() : QString::fromUtf8(e.what());
    }
    Prepared = false;
    if (!StreamAttached)
        ReleaseStream();
    if (ReadingBegun) {
        ReadingBegun = false;
        if (Input())
            Input()->EndReading();
    }
    // The run's last write failed: say so instead of ending as if all went well.
    if (!error.isEmpty() && LastError.isEmpty()) {
        LastError = error;
        PostThreadException();
    }
}
