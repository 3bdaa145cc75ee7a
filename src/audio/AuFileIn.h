// TAuFileIn: a source that reads a file (or a stream attached from outside): opening on demand,
// the header values, the run's sample range and the length queries. TAuTaggedFileIn adds the
// tag containers that travel with a file.
//
// Concrete readers override OpenSource (idempotent while OpenCount > 0; sets Channels,
// BitsPerSample, SampleRate, Size and ValidFlag), CloseSource, ReadInternal and SeekSource;
// see the example at the top of AuInput.h. Their destructors call ReleaseConsumers() and then
// CloseSource() (the base classes cannot: by then the concrete part is gone).
#pragma once

#include "audio/AuStreamedInput.h"

class TAuFileIn : public TAuStreamedInput {
    Q_OBJECT
public:
    explicit TAuFileIn(QObject* owner = nullptr);
    ~TAuFileIn() override;

    // Guards OpenSource and CloseSource (re-entrant).
    std::recursive_mutex FileLock;
    int32_t OpenCount = 0;
    // The last OpenSource found a file this reader understands.
    bool ValidFlag = false;
    int32_t BitsPerSample = 0;
    int32_t SampleRate = 0;
    int32_t Channels = 0;
    int32_t TotalSeconds = 0;

    const QString& FileName() const { return Name; }
    // Closes the source first.
    void SetFileName(const QString& name);
    void AttachStream(TAuStream* stream) override;

    // Opens the source when needed; false when it cannot be opened or is not understood.
    bool Valid();

    int32_t GetBitsPerSample() override;
    int32_t GetChannels() override;
    int32_t GetSampleRate() override;
    int32_t GetTotalSeconds() override;
    int64_t GetTotalSamples() override;
    void Reset() override;

    // Opens the file (or uses the attached stream) and reads its header.
    virtual void OpenSource() = 0;
    virtual void CloseSource() = 0;

protected:
    void BeginReadingInternal() override;
    void EndReadingInternal() override;

private:
    QString Name;
};
