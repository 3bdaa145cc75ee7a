// Names and constants of the WAV file types.
#include "audio/WavTypes.h"

// 00000001-0000-0010-8000-00AA00389B71 and 00000003-...: the first three fields are stored
// little-endian, the last eight bytes as they are.
const uint8_t KsDataFormatPcm[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                     0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
const uint8_t KsDataFormatIeeeFloat[16] = {0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                           0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

QString WavTypeName(TWavType type) {
    switch (type) {
    case wtPCM:
        return QStringLiteral("Raw PCM");
    case wtDVIADPCM:
        return QStringLiteral("DVI IMA ADPCM");
    case wtMSADPCM:
        return QStringLiteral("Microsoft ADPCM");
    case wtACM:
        return QStringLiteral("ACM");
    case wtIEEEFloat:
        return QStringLiteral("IEEE Float");
    case wtExtPCM:
        return QStringLiteral("WaveFormatExt (PCM)");
    case wtExtIEEEFloat:
        return QStringLiteral("WaveFormatExt (IEEE Float)");
    case wtFlac:
        return QStringLiteral("FLAC");
    case wtUnsupported:
        break;
    }
    return QStringLiteral("Unsupported");
}
