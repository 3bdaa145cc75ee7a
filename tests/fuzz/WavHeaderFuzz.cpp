// Fuzz target: a whole WAV file through the header scans and the reader (every decoder the
// header can select), and the compressed-file decoder on the whole file.
#include "audio/AuFileStream.h"
#include "audio/WaveConverter.h"
#include "audio/WaveHeader.h"
#include "audio/WaveIn.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        TAuMemoryStream stream(bytes);
        ScanWaveHeader(stream, TWaveScanMode::Reader);
        stream.SetPosition(0);
        ScanWaveHeader(stream, TWaveScanMode::Append);
        stream.SetPosition(0);
        TWaveConverter converter;
        if (converter.Open(stream, 0, stream.Size())) {
            char pcm[4096];
            for (int i = 0; i < 64 && converter.Read(pcm, sizeof pcm) > 0; ++i) {
            }
        }
    }
    TAuMemoryStream stream(bytes);
    TWaveIn in;
    in.AttachStream(&stream);
    try {
        if (!in.Valid())
            return 0;
        in.BeginReading();
        // Odd request sizes exercise the block bookkeeping; a bounded amount keeps runs short.
        uint32_t request = 1 + uint32_t(size % 7000);
        for (int64_t total = 0; total < (int64_t(1) << 22);) {
            uint8_t* out = nullptr;
            uint32_t got = request;
            in.Read(out, got);
            if (got == 0)
                break;
            // Touch the block so the sanitizers see a read of every byte handed out.
            volatile uint8_t sink = out[0] ^ out[got - 1];
            (void)sink;
            total += got;
            request = request * 3 % 20000 + 1;
        }
        in.Seek(in.TotalSamples / 2);
        uint8_t* out = nullptr;
        uint32_t got = 4096;
        in.Read(out, got);
        in.EndReading();
    } catch (const std::exception&) {
        // Refusals are fine; crashes are not.
    }
    return 0;
}
