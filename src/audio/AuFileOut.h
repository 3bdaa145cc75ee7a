// TAuFileOut: a sink that writes a file: the file name, rewrite or append, and the sharing
// used when an existing file is opened for appending.
#pragma once

#include "audio/AuStreamedOutput.h"

class TAuFileOut : public TAuStreamedOutput {
    Q_OBJECT
public:
    explicit TAuFileOut(QObject* owner = nullptr);
    ~TAuFileOut() override;

    // Share flags for opening an existing file to append (default 0).
    uint16_t ShareMode = 0;

    const QString& FileName() const { return Name; }
    void SetFileName(const QString& name) { Name = name; }
    TFileOutputMode FileMode() const { return Mode; }
    // The base always stores foRewrite; sinks that can append override it.
    virtual void SetFileMode(TFileOutputMode mode);

protected:
    // For BeginOutput: unless a stream is attached, raise "File name is not assigned." without
    // a name; open an existing file read-write with ShareMode's sharing when FileMode is not
    // foRewrite; else create (or truncate) it.
    void OpenDestination();

    TFileOutputMode Mode = foRewrite;

private:
    QString Name;
};
