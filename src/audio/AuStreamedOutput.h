// TAuStreamedOutput: a sink that writes a byte stream, its own or one attached from outside.
#pragma once

#include "audio/AuFileStream.h"
#include "audio/AuOutput.h"

class TAuStreamedOutput : public TAuOutput {
    Q_OBJECT
public:
    explicit TAuStreamedOutput(QObject* owner = nullptr);
    ~TAuStreamedOutput() override;

    // The destination; owned here unless StreamAttached.
    TAuStream* Stream = nullptr;
    bool StreamAttached = false;

    // Uses a stream that belongs to the caller (nil detaches).
    virtual void AttachStream(TAuStream* stream);

protected:
    // Frees the destination unless it is attached.
    void ReleaseStream();
};
