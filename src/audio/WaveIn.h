// TWaveIn: the file source that reads RIFF/WAVE files and delivers PCM. Plain and extensible
// PCM come out as stored, IMA and Microsoft ADPCM decoded to 16-bit, IEEE float (32- and
// 64-bit) as 32-bit integers, and MPEG-compressed files (format tag 85) decoded as a stream
// while they are read (TWaveConverter). FLAC files are read too, decoded as they are read
// (type wtFlac), so every WAV input also takes a FLAC file.
#pragma once

#include "audio/AuFileIn.h"
#include "audio/WaveHeader.h"

#include <cstdint>
#include <memory>
#include <vector>

class TFlacStreamReader;
class TWaveConverter;

class TWaveIn : public TAuFileIn {
public:
    explicit TWaveIn(QObject* owner = nullptr);
    ~TWaveIn() override;

    // Bytes of PCM one refill produces at most.
    static constexpr int DecodeBufferSize = 16384;

    // Type of the file; asking opens it (wtUnsupported when it cannot be opened).
    TWavType WavType();

    // IMA ADPCM: block layout and the fact count.
    uint16_t ImaBlockAlign = 0;
    uint16_t ImaSamplesPerBlock = 0;
    uint32_t ImaTotalSamples = 0;
    // Microsoft ADPCM (MsBlockAlign also holds the block align of the other non-IMA types).
    uint16_t MsBlockAlign = 0;
    uint16_t MsSamplesPerBlock = 0;
    uint32_t MsTotalSamples = 0;
    uint16_t MsCoefCount = 0;
    TMsCoefPair MsCoefs[MsMaxCoefPairs] = {};
    // Offset of the first audio byte in the file.
    int64_t DataStart = 0;
    // The IEEE float data is 32-bit (else 64-bit).
    bool FloatIs32 = false;

    void OpenSource() override;
    void CloseSource() override;

protected:
    void ReadInternal(uint8_t*& buffer, uint32_t& bytes) override;
    bool SeekSource(int64_t& sample) override;

private:
    // Reads the header of the current stream into the fields above; sets Size for the types
    // whose data size is their output size.
    void ScanHeader();
    // Checks what the header promised against what this reader can decode safely.
    bool CheckBlockLayout();
    // Reads up to `bytes` of the data chunk (never past its end).
    int64_t ReadData(void* buffer, int64_t bytes);
    // Reads and decodes as many ADPCM blocks as DecodeBuffer holds; false at the end of the data.
    bool DecodeNextBlocks();
    // Opens the decoder of a compressed file; false when it finds no MPEG audio.
    bool OpenCompressed();
    // Opens the stream as FLAC; false when it is none.
    bool OpenFlac();

    TWavType Type = wtUnsupported;
    std::vector<uint8_t> DecodeBuffer;
    std::vector<uint8_t> BlockBuffer;
    int BlocksPerRefill = 1;
    int64_t DataEnd = 0;
    // Bytes to drop from the next decoded block: a seek into the middle of an ADPCM block.
    uint32_t SkipInBlock = 0;
    // The decoder of a compressed file while it is open.
    std::unique_ptr<TWaveConverter> Mpeg;
    std::unique_ptr<TFlacStreamReader> Flac;
};
