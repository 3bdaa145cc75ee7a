// TWaveOut: the sink that writes its input's PCM into a RIFF/WAVE file: plain PCM with the
// 44-byte header, WAVE_FORMAT_EXTENSIBLE PCM (68 bytes) for more than two channels or more
// than 16 bits when CreateNonMsHeaders is off, or IMA ADPCM (60 bytes) with its own encoder.
// It can append to an existing PCM or IMA ADPCM file of the same format. An IMA ADPCM request
// for input the encoder cannot take is refused, never written as something else; what a run
// chooses by itself (the extensible header, an appended file's type) holds for that run only.
// A file the 32-bit RIFF sizes cannot describe is refused. When the input delivers less than
// it announced, the header is patched to what was written.
#pragma once

#include "audio/AuFileOut.h"
#include "audio/WavTypes.h"

#include <cstdint>
#include <vector>

class TWaveOut : public TAuFileOut {
public:
    explicit TWaveOut(QObject* owner = nullptr);
    ~TWaveOut() override;

    // The input returned no more data while an ADPCM block was being gathered.
    bool InputEnded = false;

    // The largest file the 32-bit RIFF sizes can describe.
    static constexpr uint32_t MaxWaveFileBytes = 0xFFFFFFFFu;

    TWavType WavType() const { return Type; }
    // Accepts wtPCM and wtDVIADPCM while not busy; other values are ignored.
    void SetWavType(TWavType type);
    // ADPCM block length in bytes (default 512); ignored while busy, for 0 and for values that
    // are not a multiple of 4.
    uint16_t BlockSize() const { return BlockBytes; }
    void SetBlockSize(uint16_t size);
    void SetFileMode(TFileOutputMode mode) override { Mode = mode; }

    // Without it, input of more than two channels or 16 bits gets the extensible header.
    bool CreateNonMsHeaders = true;

    // IMA encoder state; the step indices run on from block to block and from run to run.
    int16_t LeftPredictor = 0;
    uint8_t LeftStepIndex = 0;
    int16_t RightPredictor = 0;
    uint8_t RightStepIndex = 0;

    // What the append scan found in an existing file (or, for a fresh file, where its own
    // header keeps the fields that the end of the run fills in).
    uint32_t OldSampleRate = 0;
    uint16_t OldChannels = 0;
    uint16_t OldBitsPerSample = 0;
    uint32_t OldFactSamples = 0;
    int64_t FactValuePos = -1;
    uint32_t OldDataSize = 0;
    int64_t DataSizePos = -1;
    TWavType OldType = wtUnsupported;
    int64_t DataStart = 0;

protected:
    void BeginOutput() override;
    bool OutputBlock(bool abort) override;
    void EndOutput() override;

private:
    // Ends reading on the input, gives up the file and raises `message`.
    [[noreturn]] void Refuse(const QString& message);
    // Refuses input the IMA encoder cannot take (not 16-bit, more than two channels).
    void CheckImaInput(int bits);
    // Refuses a run whose file would outgrow the 32-bit sizes of the RIFF header.
    void CheckFits(int64_t headerBytes, int64_t dataBytes);
    // The same during the run, for inputs that could not tell their length.
    void CheckWriteFits(uint32_t bytes);
    void ScanExisting();
    void Write(const void* data, int64_t bytes);
    void WriteLE32At(int64_t offset, uint32_t value);
    // Fixes the size fields from the file's length (stopped runs, unknown lengths, appends).
    void PatchHeader();
    bool OutputImaBlock();

    TWavType Type = wtPCM;
    uint16_t BlockBytes = 512;
    // What this run writes: the type and block size above, or what the run chose instead.
    TWavType RunType = wtPCM;
    uint16_t RunBlockBytes = 512;
    bool ReadingBegun = false;
    bool Prepared = false;
    bool Appending = false;
    int Channels = 0;
    int SamplesPerBlock = 0;
    // Frames the run promised (from the input's size) and frames it took from the input.
    int64_t FramesAnnounced = 0;
    int64_t FramesGathered = 0;
    std::vector<int16_t> ImaSamples;
    std::vector<uint8_t> ImaBlock;
};
