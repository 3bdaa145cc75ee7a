// Reading and writing RIFF/WAVE headers: the chunk scan shared by the reader and by the
// writer's append mode, and the three header layouts the writer produces.
#pragma once

#include "audio/WavTypes.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

class TAuStream;

// One Microsoft ADPCM predictor coefficient pair.
struct TMsCoefPair {
    int16_t Coef1 = 0;
    int16_t Coef2 = 0;
};

// At most this many coefficient pairs are accepted from a Microsoft ADPCM header.
constexpr int MsMaxCoefPairs = 32;

// What a header scan found. Offsets are absolute positions in the scanned stream.
struct TWaveHeaderInfo {
    TWavType WavType = wtUnsupported;
    bool Found = false; // the "data" chunk was reached
    uint16_t FormatTag = 0;
    uint16_t Channels = 0;
    uint32_t SampleRate = 0;
    uint16_t BlockAlign = 0;
    uint16_t BitsPerSample = 0;
    uint16_t SamplesPerBlock = 0;
    uint16_t CoefCount = 0;           // as stored; may exceed MsMaxCoefPairs
    std::vector<TMsCoefPair> MsCoefs; // only filled when the header held them all
    bool CoefsComplete = false;       // every announced pair was present and fits the table
    bool HasFact = false;
    uint32_t FactSamples = 0;
    int64_t FactValuePos = -1;
    uint32_t DataSize = 0;
    int64_t DataSizePos = -1;
    int64_t DataStart = -1;
};

enum class TWaveScanMode {
    // The reader: every supported tag, fact chunk expected for the block and compressed
    // types, 65,535 bytes at most.
    Reader,
    // The writer's append mode: PCM and IMA ADPCM only, 8,192 bytes at most.
    Append
};

// Scans from the stream's current position: RIFF and WAVE are found by sliding a 4-byte
// window, then chunks are skipped by their size until "data". Stops with WavType
// wtUnsupported (and Found false) at the end of the stream, at the byte limit, or at a format
// the mode does not accept; the stream is then left wherever the scan stopped.
TWaveHeaderInfo ScanWaveHeader(TAuStream& stream, TWaveScanMode mode);
// The reader's scan of a file from its start. A file that cannot be opened gives an empty
// result and, when `error` is given, the system's reason in it.
TWaveHeaderInfo ScanWaveFile(const QString& path, QString* error = nullptr);

// Reads exactly `bytes` unless the stream ends first; returns what was read.
int64_t ReadFromStream(TAuStream& stream, void* buffer, int64_t bytes);

// The classic 44-byte PCM header.
QByteArray MakePcmHeader(int channels, int sampleRate, int bitsPerSample, uint32_t dataSize);
// The 68-byte WAVE_FORMAT_EXTENSIBLE PCM header.
QByteArray MakeExtensiblePcmHeader(int channels, int sampleRate, int bitsPerSample, uint32_t dataSize);
// The 60-byte IMA ADPCM header with its fact chunk.
QByteArray MakeImaAdpcmHeader(int channels, int sampleRate, int blockSize, uint32_t frames, uint32_t dataSize);
// Speaker mask of the extensible header: 1, 2, 6 and 8 channels get the usual layouts,
// other counts none.
uint32_t ExtensibleChannelMask(int channels);
