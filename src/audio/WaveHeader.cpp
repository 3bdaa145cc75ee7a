// RIFF/WAVE header scan and header layouts.
#include "audio/WaveHeader.h"

#include "audio/ImaAdpcm.h"

#include "audio/AuException.h"
#include "audio/AuFileStream.h"

#include <cstring>

int64_t ReadFromStream(TAuStream& stream, void* buffer, int64_t bytes) {
    char* p = static_cast<char*>(buffer);
    int64_t got = 0;
    while (got < bytes) {
        const int64_t n = stream.Read(p + got, bytes - got);
        if (n <= 0)
            break;
        got += n;
    }
    return got;
}

namespace {

enum class TExpect { Riff, Wave, Fmt, Fact, Data };

// Walks the stream, counting every byte it passes against the scan limit.
class THeaderScanner {
public:
    THeaderScanner(TAuStream& stream, TWaveScanMode mode)
        : Stream(stream), Mode(mode), Start(stream.Position()), Offset(Start),
          Limit(mode == TWaveScanMode::Reader ? 65535 : 8192) {}

    TWaveHeaderInfo Run();

private:
    bool Read(void* buffer, int64_t bytes) {
        if (Offset - Start + bytes > Limit)
            return false;
        const int64_t n = ReadFromStream(Stream, buffer, bytes);
        Offset += n;
        return n == bytes;
    }
    bool ReadWindow() { return Read(Window, 4); }
    bool SlideWindow() {
        std::memmove(Window, Window + 1, 3);
        return Read(Window + 3, 1);
    }
    bool ReadSize(uint32_t& size) {
        uint8_t b[4];
        if (!Read(b, 4))
            return false;
        size = GetLE32(b);
        return true;
    }
    // Chunk bodies of odd length are followed by a pad byte.
    static int64_t Padded(uint32_t size) { return int64_t(size) + (size & 1); }
    bool Skip(int64_t bytes) {
        if (Offset - Start + bytes > Limit)
            return false;
        if (Offset + bytes > Stream.Size())
            return false;
        Offset += bytes;
        return Stream.Seek(Offset) == Offset;
    }
    // Reads the size of a chunk that is not wanted now, skips it and reads the next name.
    bool SkipChunk() {
        uint32_t size;
        return ReadSize(size) && Skip(Padded(size)) && ReadWindow();
    }
    bool ParseFormat(const QByteArray& body);

    TAuStream& Stream;
    TWaveScanMode Mode;
    const int64_t Start;
    int64_t Offset;
    const int64_t Limit;
    uint8_t Window[4] = {};
    TWaveHeaderInfo Info;
};

bool THeaderScanner::ParseFormat(const QByteArray& body) {
    if (body.size() < 16)
        return false;
    const auto* b = reinterpret_cast<const uint8_t*>(body.constData());
    Info.FormatTag = GetLE16(b);
    Info.Channels = GetLE16(b + 2);
    Info.SampleRate = GetLE32(b + 4);
    Info.BlockAlign = GetLE16(b + 12);
    Info.BitsPerSample = GetLE16(b + 14);
    switch (Info.FormatTag) {
    case WaveFormatPcm:
        Info.WavType = wtPCM;
        break;
    case WaveFormatImaAdpcm:
        Info.WavType = wtDVIADPCM;
        break;
    case WaveFormatMsAdpcm:
        Info.WavType = Mode == TWaveScanMode::Reader ? wtMSADPCM : wtUnsupported;
        break;
    case WaveFormatIeeeFloat:
        Info.WavType = Mode == TWaveScanMode::Reader ? wtIEEEFloat : wtUnsupported;
        break;
    case WaveFormatMpegLayer3:
        Info.WavType = Mode == TWaveScanMode::Reader ? wtACM : wtUnsupported;
        break;
    case WaveFormatExtensible:
        Info.WavType = wtUnsupported;
        if (Mode == TWaveScanMode::Reader && body.size() >= 40) {
            const uint8_t* guid = b + body.size() - 16;
            if (std::memcmp(guid, KsDataFormatPcm, 16) == 0)
                Info.WavType = wtExtPCM;
            else if (std::memcmp(guid, KsDataFormatIeeeFloat, 16) == 0)
                Info.WavType = wtExtIEEEFloat;
        }
        break;
    default:
        Info.WavType = wtUnsupported;
        break;
    }
    if (Info.WavType == wtUnsupported)
        return false;
    if (Info.WavType == wtDVIADPCM || Info.WavType == wtMSADPCM) {
        if (body.size() < 20) {
            // Without the samples-per-block field the block layout has to be derived.
            if (Info.WavType == wtMSADPCM)
                return false;
            Info.SamplesPerBlock = uint16_t(ImaSamplesPerBlock(Info.Channels, Info.BlockAlign));
        } else {
            Info.SamplesPerBlock = GetLE16(b + 18);
        }
    }
    if (Info.WavType == wtMSADPCM) {
        if (body.size() < 22)
            return false;
        Info.CoefCount = GetLE16(b + 20);
        if (Info.CoefCount <= MsMaxCoefPairs && body.size() >= 22 + 4 * Info.CoefCount) {
            for (int i = 0; i < Info.CoefCount; ++i)
                Info.MsCoefs.push_back({GetLE16s(b + 22 + 4 * i), GetLE16s(b + 24 + 4 * i)});
            Info.CoefsComplete = true;
        }
    }
    return true;
}

TWaveHeaderInfo THeaderScanner::Run() {
    TExpect expect = TExpect::Riff;
    if (!ReadWindow())
        return Info;
    for (;;) {
        switch (expect) {
        case TExpect::Riff:
        case TExpect::Wave:
            if (ChunkNameEquals(Window, expect == TExpect::Riff ? "RIFF" : "WAVE")) {
                expect = expect == TExpect::Riff ? TExpect::Wave : TExpect::Fmt;
                if (!ReadWindow())
                    return {};
            } else if (!SlideWindow()) {
                return {};
            }
            break;
        case TExpect::Fmt:
            if (ChunkNameEquals(Window, "fmt ")) {
                uint32_t size;
                if (!ReadSize(size) || size > uint32_t(Limit))
                    return {};
                QByteArray body(qsizetype(size), Qt::Uninitialized);
                if (!Read(body.data(), size) || !ParseFormat(body) || !Skip(Padded(size) - size))
                    return {};
                const bool wantsFact =
                    Info.WavType == wtDVIADPCM ||
                    (Mode == TWaveScanMode::Reader && (Info.WavType == wtMSADPCM || Info.WavType == wtACM));
                expect = wantsFact ? TExpect::Fact : TExpect::Data;
                if (!ReadWindow())
                    return {};
            } else if (!SkipChunk()) {
                return {};
            }
            break;
        case TExpect::Fact:
            if (ChunkNameEquals(Window, "fact")) {
                uint32_t size;
                if (!ReadSize(size) || size < 4)
                    return {};
                Info.FactValuePos = Offset;
                uint8_t b[4];
                if (!Read(b, 4) || !Skip(Padded(size) - 4) || !ReadWindow())
                    return {};
                Info.HasFact = true;
                Info.FactSamples = GetLE32(b);
                expect = TExpect::Data;
            } else if (!SkipChunk()) {
                return {};
            }
            break;
        case TExpect::Data:
            if (ChunkNameEquals(Window, "data")) {
                Info.DataSizePos = Offset;
                if (!ReadSize(Info.DataSize))
                    return {};
                Info.DataStart = Offset;
                Info.Found = true;
                return Info;
            }
            if (!SkipChunk())
                return {};
            break;
        }
    }
}

} // namespace

TWaveHeaderInfo ScanWaveHeader(TAuStream& stream, TWaveScanMode mode) {
    return THeaderScanner(stream, mode).Run();
}

TWaveHeaderInfo ScanWaveFile(const QString& path, QString* error) {
    try {
        TAuFileStream stream(path, fmOpenRead | fmShareDenyWrite);
        return ScanWaveHeader(stream, TWaveScanMode::Reader);
    } catch (const EAuException& e) {
        if (error)
            *error = e.Message();
        return {};
    }
}

namespace {

void PutTag(uint8_t* p, const char* tag) {
    std::memcpy(p, tag, 4);
}

} // namespace

QByteArray MakePcmHeader(int channels, int sampleRate, int bitsPerSample, uint32_t dataSize) {
    QByteArray h(44, '\0');
    auto* p = reinterpret_cast<uint8_t*>(h.data());
    const int blockAlign = bitsPerSample * channels / 8;
    PutTag(p, "RIFF");
    PutLE32(p + 4, dataSize + 36);
    PutTag(p + 8, "WAVE");
    PutTag(p + 12, "fmt ");
    PutLE32(p + 16, 16);
    PutLE16(p + 20, WaveFormatPcm);
    PutLE16(p + 22, uint16_t(channels));
    PutLE32(p + 24, uint32_t(sampleRate));
    PutLE32(p + 28, uint32_t(sampleRate) * uint32_t(blockAlign));
    PutLE16(p + 32, uint16_t(blockAlign));
    PutLE16(p + 34, uint16_t(bitsPerSample));
    PutTag(p + 36, "data");
    PutLE32(p + 40, dataSize);
    return h;
}

uint32_t ExtensibleChannelMask(int channels) {
    switch (channels) {
    case 1:
        return 0x1;
    case 2:
        return 0x3;
    case 6:
        return 0x3F;
    case 8:
        return 0xFF;
    default:
        return 0;
    }
}

QByteArray MakeExtensiblePcmHeader(int channels, int sampleRate, int bitsPerSample, uint32_t dataSize) {
    QByteArray h(68, '\0');
    auto* p = reinterpret_cast<uint8_t*>(h.data());
    const int blockAlign = bitsPerSample * channels / 8;
    PutTag(p, "RIFF");
    PutLE32(p + 4, dataSize + 60);
    PutTag(p + 8, "WAVE");
    PutTag(p + 12, "fmt ");
    PutLE32(p + 16, 40);
    PutLE16(p + 20, WaveFormatExtensible);
    PutLE16(p + 22, uint16_t(channels));
    PutLE32(p + 24, uint32_t(sampleRate));
    PutLE32(p + 28, uint32_t(sampleRate) * uint32_t(blockAlign));
    PutLE16(p + 32, uint16_t(blockAlign));
    PutLE16(p + 34, uint16_t(bitsPerSample));
    PutLE16(p + 36, 22);
    PutLE16(p + 38, uint16_t(bitsPerSample));
    PutLE32(p + 40, ExtensibleChannelMask(channels));
    std::memcpy(p + 44, KsDataFormatPcm, 16);
    PutTag(p + 60, "data");
    PutLE32(p + 64, dataSize);
    return h;
}

QByteArray MakeImaAdpcmHeader(int channels, int sampleRate, int blockSize, uint32_t frames, uint32_t dataSize) {
    QByteArray h(60, '\0');
    auto* p = reinterpret_cast<uint8_t*>(h.data());
    const int spb = ImaSamplesPerBlock(channels, blockSize);
    PutTag(p, "RIFF");
    PutLE32(p + 4, dataSize + 52);
    PutTag(p + 8, "WAVE");
    PutTag(p + 12, "fmt ");
    PutLE32(p + 16, 20);
    PutLE16(p + 20, WaveFormatImaAdpcm);
    PutLE16(p + 22, uint16_t(channels));
    PutLE32(p + 24, uint32_t(sampleRate));
    PutLE32(p + 28, spb > 0 ? uint32_t(sampleRate / spb) * uint32_t(blockSize) : 0);
    PutLE16(p + 32, uint16_t(blockSize));
    PutLE16(p + 34, 4);
    PutLE16(p + 36, 2);
    PutLE16(p + 38, uint16_t(spb));
    PutTag(p + 40, "fact");
    PutLE32(p + 44, 4);
    PutLE32(p + 48, frames);
    PutTag(p + 52, "data");
    PutLE32(p + 56, dataSize);
    return h;
}
