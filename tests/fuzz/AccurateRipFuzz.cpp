// AccurateRip database files from a server: the disc's ids are taken from the first block's
// header (so that the search gets past the check of the ids); a file is read whole into blocks
// of the disc's track count or refused with an "AccurateRip: " reason, and judging any track
// against what was read stays in bounds.
#include "accuraterip/AccurateRipDatabase.h"

#include <QtEndian>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    TAccurateRipIds ids;
    if (size >= 13) {
        ids.AudioTracks = data[0];
        ids.Id1 = qFromLittleEndian<uint32_t>(data + 1);
        ids.Id2 = qFromLittleEndian<uint32_t>(data + 5);
        ids.Cddb = qFromLittleEndian<uint32_t>(data + 9);
    }
    TAccurateRipAnswer answer;
    if (!ParseAccurateRip(file, ids, answer.Blocks, answer.Error)) {
        if (!answer.Error.startsWith(QLatin1String("AccurateRip: ")) || !answer.Blocks.empty())
            std::abort();
        answer.Kind = TAccurateRipAnswer::Failed;
    } else {
        if (answer.Blocks.size() * (13 + 9 * size_t(ids.AudioTracks)) != size)
            std::abort();
        for (const TAccurateRipBlock& b : answer.Blocks)
            if (b.Tracks.size() != size_t(ids.AudioTracks))
                std::abort();
        answer.Kind = TAccurateRipAnswer::Found;
    }
    for (const int index : {-1, 0, int(ids.AudioTracks) - 1, int(ids.AudioTracks), 255})
        if (JudgeTrack(answer, index, size > 16 ? data[16] : 0, 7).Text.isEmpty())
            std::abort();
    return 0;
}
