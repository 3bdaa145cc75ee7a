// The WAV reader: header scan, validity checks, block decoding and seeking.
#include "audio/WaveIn.h"

#include "audio/AuException.h"
#include "audio/FlacCodec.h"
#include "audio/ImaAdpcm.h"
#include "audio/MsAdpcm.h"
#include "audio/SampleConvert.h"
#include "audio/WaveConverter.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <mutex>

TWaveIn::TWaveIn(QObject* owner) : TAuFileIn(owner), DecodeBuffer(DecodeBufferSize) {}

TWaveIn::~TWaveIn() {
    // Consumers stop using this source before any of it is taken down.
    ReleaseConsumers();
    try {
        CloseSource();
    } catch (const std::exception&) {
        // Closing a file cannot be helped any further here.
    }
}

TWavType TWaveIn::WavType() {
    try {
        OpenSource();
    } catch (const std::exception&) {
        return wtUnsupported;
    }
    return Type;
}

void TWaveIn::ScanHeader() {
    Size = 0;
    BitsPerSample = 0;
    Channels = 0;
    SampleRate = 0;
    Type = wtUnsupported;
    const TWaveHeaderInfo info = ScanWaveHeader(*Stream, TWaveScanMode::Reader);
    if (!info.Found)
        return;
    Type = info.WavType;
    Channels = info.Channels;
    SampleRate = int32_t(std::min<uint32_t>(info.SampleRate, INT32_MAX));
    BitsPerSample = info.BitsPerSample;
    if (Type == wtDVIADPCM) {
        ImaBlockAlign = info.BlockAlign;
        // Decoding follows the block align; the stored count may disagree with it.
        ImaSamplesPerBlock = uint16_t(::ImaSamplesPerBlock(info.Channels, info.BlockAlign));
        ImaTotalSamples = info.FactSamples;
    } else {
        MsBlockAlign = info.BlockAlign;
        MsSamplesPerBlock = info.SamplesPerBlock;
        MsTotalSamples = info.FactSamples;
        MsCoefCount = info.CoefsComplete ? info.CoefCount : 0;
        std::copy(info.MsCoefs.begin(), info.MsCoefs.end(), MsCoefs);
    }
    DataStart = info.DataStart;
    // A data size that runs past the end of the file (a cut file, or a writer that never
    // came back to fill it in) stops at the end of the file.
    const int64_t available = std::max<int64_t>(0, Stream->Size() - DataStart);
    DataEnd = DataStart + std::min<int64_t>(info.DataSize, available);
    if (Type == wtPCM || Type == wtIEEEFloat || Type == wtExtPCM || Type == wtExtIEEEFloat)
        Size = DataEnd - DataStart;
}

bool TWaveIn::CheckBlockLayout() {
    const int frame = Channels * BitsPerSample / 8;
    switch (Type) {
    case wtPCM:
    case wtExtPCM:
        return Channels > 0 && BitsPerSample > 0 && BitsPerSample <= 32 && BitsPerSample % 8 == 0 &&
               frame <= DecodeBufferSize;
    case wtIEEEFloat:
    case wtExtIEEEFloat:
        return Channels > 0 && (BitsPerSample == 32 || BitsPerSample == 64) && Channels * 8 <= DecodeBufferSize;
    case wtDVIADPCM:
        // Stored bits other than 4 are another codec; a decoded block must fit the buffer.
        return BitsPerSample == 4 && ImaSamplesPerBlock > 0 && ImaSamplesPerBlock * 2 * Channels <= DecodeBufferSize;
    case wtMSADPCM:
        return (Channels == 1 || Channels == 2) && MsCoefCount > 0 && MsSamplesPerBlock >= 2 &&
               MsSamplesPerBlock * 2 * Channels <= DecodeBufferSize &&
               MsBlockHeaderBytes(Channels) + MsBlockDataBytes(Channels, MsSamplesPerBlock) <= MsBlockAlign;
    default:
        return false;
    }
}

void TWaveIn::OpenSource() {
    std::lock_guard lock(FileLock);
    if (OpenCount > 0)
        return;
    ValidFlag = true;
    FloatIs32 = false;
    SkipInBlock = 0;
    if (!Stream) {
        Stream = new TAuFileStream(FileName(), fmOpenRead | fmShareDenyWrite);
        StreamAttached = false;
    }
    ScanHeader();
    if (Type == wtUnsupported && OpenFlac())
        Type = wtFlac;
    switch (Type) {
    case wtUnsupported:
        ValidFlag = false;
        break;
    case wtFlac:
        break;
    case wtPCM:
    case wtExtPCM:
        ValidFlag = CheckBlockLayout();
        break;
    case wtDVIADPCM:
        ValidFlag = CheckBlockLayout();
        BitsPerSample = 16;
        Size = int64_t(Channels) * ImaTotalSamples * 2;
        break;
    case wtMSADPCM:
        ValidFlag = CheckBlockLayout();
        BitsPerSample = 16;
        Size = int64_t(Channels) * MsTotalSamples * 2;
        break;
    case wtIEEEFloat:
    case wtExtIEEEFloat:
        ValidFlag = CheckBlockLayout();
        FloatIs32 = BitsPerSample == 32;
        if (!FloatIs32)
            Size = Size / 2;
        BitsPerSample = 32;
        break;
    case wtACM:
        if (!OpenCompressed()) {
            // The file has been given up; OpenCount stays 0.
            ValidFlag = false;
            Size = 0;
            if (!StreamAttached) {
                delete Stream;
                Stream = nullptr;
            } else {
                Stream->SetPosition(0);
            }
            return;
        }
        break;
    }
    if (!ValidFlag)
        Size = 0;
    // ADPCM is read as many blocks at a time as the decode buffer takes (reading block by block
    // costs more than decoding them), within a bound a header cannot push up.
    BlocksPerRefill = 1;
    const int blockAlign = std::max<int>(1, Type == wtDVIADPCM ? ImaBlockAlign : MsBlockAlign);
    const int spb = Type == wtDVIADPCM ? ImaSamplesPerBlock : MsSamplesPerBlock;
    if (ValidFlag && (Type == wtDVIADPCM || Type == wtMSADPCM) && spb > 0 && Channels > 0)
        BlocksPerRefill = std::clamp(DecodeBufferSize / (spb * 2 * Channels), 1, std::max(1, 65536 / blockAlign));
    BlockBuffer.resize(size_t(BlocksPerRefill) * size_t(blockAlign));
    ++OpenCount;
}

bool TWaveIn::OpenCompressed() {
    Mpeg = std::make_unique<TWaveConverter>();
    if (!Mpeg->Open(*Stream, DataStart, DataEnd)) {
        Mpeg.reset();
        return false;
    }
    // What the decoder delivers, whatever the format chunk claims.
    Channels = Mpeg->Channels;
    SampleRate = Mpeg->SampleRate;
    BitsPerSample = 16;
    Size = Mpeg->TotalFrames * 2 * Channels;
    return true;
}

bool TWaveIn::OpenFlac() {
    QByteArray head(16, '\0');
    Stream->SetPosition(0);
    head.resize(qsizetype(std::max<int64_t>(0, Stream->Read(head.data(), head.size()))));
    if (!TFlacStreamReader::LooksLikeFlac(head))
        return false;
    Flac = std::make_unique<TFlacStreamReader>();
    if (!Flac->Open(*Stream) || Flac->TotalFrames <= 0) {
        Flac.reset();
        Stream->SetPosition(0);
        return false;
    }
    Channels = Flac->Channels;
    SampleRate = Flac->SampleRate;
    BitsPerSample = Flac->BitsPerSample;
    Size = Flac->TotalFrames * Channels * (BitsPerSample / 8);
    return true;
}

void TWaveIn::CloseSource() {
    std::lock_guard lock(FileLock);
    if (OpenCount <= 0)
        return;
    // The decoders read through the stream: they go first.
    Mpeg.reset();
    Flac.reset();
    if (!StreamAttached) {
        delete Stream;
        Stream = nullptr;
    } else if (Stream) {
        Stream->SetPosition(0);
    }
    OpenCount = 0;
}

int64_t TWaveIn::ReadData(void* buffer, int64_t bytes) {
    const int64_t left = DataEnd - Stream->Position();
    if (left <= 0)
        return 0;
    return ReadFromStream(*Stream, buffer, std::min(bytes, left));
}

bool TWaveIn::DecodeNextBlocks() {
    const bool ima = Type == wtDVIADPCM;
    const int blockAlign = ima ? ImaBlockAlign : MsBlockAlign;
    const int64_t got = ReadData(BlockBuffer.data(), int64_t(BlocksPerRefill) * blockAlign);
    BlockLast = 0;
    for (int64_t at = 0; at < got; at += blockAlign) {
        // The last block of the data may be short.
        const int bytes = int(std::min<int64_t>(blockAlign, got - at));
        auto* out = reinterpret_cast<int16_t*>(DecodeBuffer.data() + BlockLast);
        const int frames =
            ima ? ImaDecodeBlock(BlockBuffer.data() + at, bytes, Channels, out)
                : MsDecodeBlock(BlockBuffer.data() + at, bytes, Channels, MsSamplesPerBlock, MsCoefs, MsCoefCount, out);
        if (frames <= 0)
            break;
        BlockLast += frames * 2 * Channels;
    }
    return BlockLast > 0;
}

void TWaveIn::ReadInternal(uint8_t*& buffer, uint32_t& bytes) {
    if (!Busy)
        throw EAuException(QStringLiteral("The Stream is not opened"));
    const int frame = Channels * BitsPerSample / 8;
    if (!ValidFlag || frame <= 0) {
        buffer = nullptr;
        bytes = 0;
        return;
    }
    if (BlockLast < BlockFirst) {
        BlockFirst = 1;
        BlockLast = 0;
        switch (Type) {
        case wtPCM:
        case wtExtPCM: {
            const int64_t want = DecodeBufferSize - DecodeBufferSize % frame;
            const int64_t got = ReadData(DecodeBuffer.data(), want);
            BlockLast = int32_t(got - got % frame);
            break;
        }
        case wtACM:
            BlockLast = int32_t(Mpeg ? Mpeg->Read(DecodeBuffer.data(), DecodeBufferSize) : 0);
            break;
        case wtFlac:
            BlockLast =
                int32_t(Flac ? Flac->Read(DecodeBuffer.data(), DecodeBufferSize - DecodeBufferSize % frame) : 0);
            break;
        case wtDVIADPCM:
        case wtMSADPCM:
            if (!DecodeNextBlocks())
                BlockLast = 0;
            break;
        case wtIEEEFloat:
        case wtExtIEEEFloat: {
            const int storedFrame = Channels * (FloatIs32 ? 4 : 8);
            const int64_t want = DecodeBufferSize - DecodeBufferSize % (Channels * 8);
            int64_t got = ReadData(DecodeBuffer.data(), want);
            got -= got % storedFrame;
            BlockLast = int32_t(IeeeFloatToInt32(DecodeBuffer.data(), size_t(got), FloatIs32));
            break;
        }
        case wtUnsupported:
            break;
        }
        if (SkipInBlock > 0) {
            // The rest of a seek that landed inside a block.
            BlockFirst += int32_t(std::min<uint32_t>(SkipInBlock, uint32_t(std::max(0, BlockLast))));
            SkipInBlock = 0;
        }
    }
    uint32_t available = BlockLast >= BlockFirst ? uint32_t(BlockLast - BlockFirst + 1) : 0;
    bytes = std::min(bytes, available);
    bytes -= bytes % uint32_t(frame);
    buffer = DecodeBuffer.data() + BlockFirst - 1;
    BlockFirst += int32_t(bytes);
}

bool TWaveIn::SeekSource(int64_t& sample) {
    BlockFirst = 1;
    BlockLast = 0;
    SkipInBlock = 0;
    if (sample < 0)
        return false;
    switch (Type) {
    case wtPCM:
        Stream->SetPosition(DataStart + sample * (BitsPerSample / 8) * Channels);
        return true;
    case wtFlac:
        return Flac && Flac->Seek(sample);
    case wtDVIADPCM:
    case wtMSADPCM: {
        const int spb = Type == wtDVIADPCM ? ImaSamplesPerBlock : MsSamplesPerBlock;
        const int blockAlign = Type == wtDVIADPCM ? ImaBlockAlign : MsBlockAlign;
        if (spb <= 0)
            return false;
        Stream->SetPosition(DataStart + (sample / spb) * blockAlign);
        // Delivery starts at the sample itself, not at the start of its block.
        SkipInBlock = uint32_t(sample % spb) * 2u * uint32_t(Channels);
        return true;
    }
    default:
        return false;
    }
}
