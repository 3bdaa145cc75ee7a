// The WAV file types shared by the reader and the writer, little-endian field helpers and
// the RIFF chunk-name comparison both header scans use.
#pragma once

#include <QString>

#include <cstdint>
#include <cstring>

enum TWavType {
    wtUnsupported = 0,
    wtPCM = 1,
    wtDVIADPCM = 2,
    wtMSADPCM = 3,
    wtACM = 4,
    wtIEEEFloat = 5,
    wtExtPCM = 6,
    wtExtIEEEFloat = 7,
    wtFlac = 8 // not a WAV file: a FLAC stream, which the WAV reader decodes as it reads
};

// Format tags of the "fmt " chunk.
constexpr uint16_t WaveFormatPcm = 1;
constexpr uint16_t WaveFormatMsAdpcm = 2;
constexpr uint16_t WaveFormatIeeeFloat = 3;
constexpr uint16_t WaveFormatImaAdpcm = 17;
constexpr uint16_t WaveFormatMpegLayer3 = 85;
constexpr uint16_t WaveFormatExtensible = 0xFFFE;

// Sub-format GUIDs of WAVE_FORMAT_EXTENSIBLE in their stored byte order.
extern const uint8_t KsDataFormatPcm[16];
extern const uint8_t KsDataFormatIeeeFloat[16];

inline uint16_t GetLE16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline int16_t GetLE16s(const uint8_t* p) {
    return int16_t(GetLE16(p));
}
inline uint32_t GetLE32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void PutLE16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void PutLE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// Compares a 4-byte window with a chunk name; bytes that differ by exactly 32 count as
// equal, which makes ASCII letters match regardless of case ("data" = "DATA").
inline bool ChunkNameEquals(const uint8_t* window, const char* name) {
    for (int i = 0; i < 4; ++i) {
        const int d = int(window[i]) - int(uint8_t(name[i]));
        if (d != 0 && d != 32 && d != -32)
            return false;
    }
    return true;
}

// The name a file type is shown with ("Raw PCM", "DVI IMA ADPCM", ...).
QString WavTypeName(TWavType type);
