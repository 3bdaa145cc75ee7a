// Fuzz target: an arbitrary cue sheet opened as a disc-image drive, its TOC read in both
// address forms and sectors read around every track start and the lead-out.
#include "cd/akrip32.h"
#include "core/Settings.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    static bool ready = false;
    if (!ready) {
        QFile bin(dir.filePath(QStringLiteral("disc.bin")));
        if (bin.open(QIODevice::WriteOnly))
            bin.write(QByteArray(300 * CDSectorBytes, char(0x5A)));
        ready = true;
    }
    return dir;
}

void ReadAround(int handle, uint32_t sector) {
    for (uint32_t first : {sector, sector > 5 ? sector - 5 : 0u}) {
        TCDReadBufferPtr b = NewCDReadBuffer(first, MaxSectorsPerRead);
        ReadCDAudioLBA(handle, b.get());
    }
}

} // namespace

// libcdio frees some of its strings only on success; those leaks are not ours to find.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libcdio.so";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString cue = Folder().filePath(QStringLiteral("fuzz.cue"));
    QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    // Most inputs get a usable FILE line, so the fuzzer spends its time on the track lines.
    if (size > 0 && (data[0] & 1))
        text.prepend("FILE \"disc.bin\" BINARY\n");
    {
        QFile f(cue);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(text);
    }
    Settings.Images = cue;
    TCDOpenRequest request;
    request.Adapter = 1;
    const int handle = GetCDHandle(&request);
    if (!handle)
        return 0;
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
    return 0;
}
