// TAuStreamedOutput: a sink writing a byte stream.
#include "audio/AuStreamedOutput.h"

TAuStreamedOutput::TAuStreamedOutput(QObject* owner) : TAuOutput(owner) {}

TAuStreamedOutput::~TAuStreamedOutput() {
    Shutdown();
    ReleaseStream();
}

void TAuStreamedOutput::AttachStream(TAuStream* stream) {
    ReleaseStream();
    Stream = stream;
    StreamAttached = stream != nullptr;
}

void TAuStreamedOutput::ReleaseStream() {
    if (!StreamAttached)
        delete Stream;
    Stream = nullptr;
    StreamAttached = false;
}
