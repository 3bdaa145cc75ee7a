// TCdTrackIn: a source of the stream framework that reads a range of audio sectors from a drive
// of the CD drive library (a physical drive or a disc image), 16-bit stereo at 44,100 Hz. The
// CD player feeds it to the playback sink.
#pragma once

#include "audio/AuInput.h"
#include "cd/akrip32.h"

class TCdTrackIn : public TAuInput {
    Q_OBJECT
public:
    explicit TCdTrackIn(QObject* owner = nullptr);
    ~TCdTrackIn() override;

    // The drive handle and the sectors (logical block addresses) of the next run.
    void SetRange(int handle, int32_t firstSector, int32_t sectorCount);

    int32_t GetBitsPerSample() override { return 16; }
    int32_t GetChannels() override { return 2; }
    int32_t GetSampleRate() override { return 44100; }
    int32_t GetTotalSeconds() override { return int32_t((int64_t(SectorCount) + 37) / 75); }
    int64_t GetTotalSamples() override { return int64_t(SectorCount) * CDSectorBytes / 4; }

protected:
    void BeginReadingInternal() override;
    void EndReadingInternal() override;
    // Reads up to ten sectors at a time; a failed read ends the run with the drive's reason.
    void ReadInternal(uint8_t*& buffer, uint32_t& bytes) override;

private:
    int Handle = 0;
    int32_t FirstSector = 0;
    int32_t SectorCount = 0;
    int32_t NextSector = 0;
    TCDReadBufferPtr Block;
};
