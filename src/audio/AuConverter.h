// TAuConverter: the abstract filter, a source whose data comes from another source (Input).
// See the filter example at the top of AuInput.h.
#pragma once

#include "audio/AuInput.h"

#include <QPointer>

#include <algorithm>

class TAuConverter : public TAuInput {
    Q_OBJECT
public:
    explicit TAuConverter(QObject* owner = nullptr);
    ~TAuConverter() override;

    TAuInput* Input() const { return InputRef.data(); }
    // Ignores the filter itself; while busy, ends reading on the old input and begins it on
    // the new one. A destroyed input is forgotten.
    virtual void SetInput(TAuInput* input);

    // Forwarded to Input (0 without one); bits are masked with 0x7F unless FullBitDepth.
    int32_t GetBitsPerSample() override;
    int32_t GetChannels() override;
    int32_t GetSampleRate() override;
    void Pause() override;
    void Resume() override;
    // Passes the seek on to Input; then this filter's own count follows the input's, so that
    // progress and the end of the data stay right after the jump.
    void SeekRelative(int32_t offset) override;

protected:
    // ReadInternal with position accounting; a count of 0 or passing Size ends the data.
    void ReadThrough(uint8_t*& buffer, uint32_t& bytes) override;

private:
    QPointer<TAuInput> InputRef;
    QMetaObject::Connection InputDestroyed;
};
