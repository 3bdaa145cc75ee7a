// What the disc-image fuzz targets share: the image text written to a file, opened as the
// image drive, its TOC read in both address forms and sectors read around every track start
// and the lead-out. Included by one fuzz target per program.
#pragma once

#include "cd/akrip32.h"
#include "core/Settings.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>

// libcdio frees some of its strings only on success; those leaks are not ours to find.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libcdio.so";
}

inline void ReadAround(int handle, uint32_t sector) {
    for (uint32_t first : {sector, sector > 5 ? sector - 5 : 0u}) {
        TCDReadBufferPtr b = NewCDReadBuffer(first, MaxSectorsPerRead);
        ReadCDAudioLBA(handle, b.get());
    }
}

// Writes `text` to `path` and reads the image it makes as a drive would be read.
inline void FuzzImageDrive(const QString& path, const QByteArray& text) {
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        f.write(text);
    }
    Settings.Images = path;
    TCDOpenRequest request;
    request.Adapter = 1;
    const int handle = GetCDHandle(&request);
    if (!handle)
        return;
    TCDToc toc{};
    for (int msf : {1, 0}) {
        ModifyCDParms(handle, CDP_MSF, msf);
        if (ReadTOC(handle, &toc) != 1)
            continue;
        const int entries = toc.LastTrack - toc.FirstTrack + 2;
        for (int i = 0; msf && i < entries && i < 100; ++i) {
            const int32_t at = TocAddressSectors(toc.Tracks[i]) - 150;
            ReadAround(handle, at < 0 ? 0u : uint32_t(at));
        }
    }
    CloseCDHandle(handle);
}
