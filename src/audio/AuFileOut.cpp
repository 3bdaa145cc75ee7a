// TAuFileOut: a sink writing a file.
#include "audio/AuFileOut.h"

#include "audio/AuException.h"

#include <QFileInfo>

TAuFileOut::TAuFileOut(QObject* owner) : TAuStreamedOutput(owner) {}

TAuFileOut::~TAuFileOut() {
    Shutdown();
}

void TAuFileOut::SetFileMode(TFileOutputMode) {
    Mode = foRewrite;
}

void TAuFileOut::OpenDestination() {
    if (StreamAttached && Stream)
        return;
    if (Name.isEmpty())
        throw EAuException(QStringLiteral("File name is not assigned."));
    ReleaseStream();
    if (QFileInfo::exists(Name) && Mode != foRewrite)
        Stream = new TAuFileStream(Name, static_cast<uint16_t>(ShareMode | fmOpenReadWrite));
    else
        Stream = new TAuFileStream(Name, fmCreate);
}
