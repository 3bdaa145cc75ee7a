// Read offsets (see ReadOffset.h).
#include "cd/ReadOffset.h"

#include <algorithm>

namespace {

constexpr int64_t SectorBytes = 2352;

int64_t FloorDiv(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

TOffsetRead PlanOffsetRead(int32_t start, int32_t sectors, int32_t offsetSamples, int32_t readableBegin,
                           int32_t readableEnd) {
    TOffsetRead plan;
    const int64_t total = int64_t(sectors) * SectorBytes;
    const int64_t from = int64_t(start) * SectorBytes + int64_t(offsetSamples) * 4;
    const int64_t to = from + total;
    const int64_t readableFrom = int64_t(readableBegin) * SectorBytes;
    const int64_t readableTo = int64_t(readableEnd) * SectorBytes;
    const int64_t lo = std::clamp(from, readableFrom, std::max(readableFrom, readableTo));
    const int64_t hi = std::clamp(to, lo, std::max(lo, readableTo));
    plan.LeadingSilence = std::clamp<int64_t>(lo - from, 0, total);
    plan.Bytes = std::max<int64_t>(0, hi - lo);
    plan.TrailingSilence = total - plan.LeadingSilence - plan.Bytes;
    if (plan.Bytes > 0) {
        plan.FirstSector = int32_t(FloorDiv(lo, SectorBytes));
        plan.SkipBytes = lo - int64_t(plan.FirstSector) * SectorBytes;
        plan.Sectors = int32_t(FloorDiv(hi + SectorBytes - 1, SectorBytes)) - plan.FirstSector;
    } else {
        plan.FirstSector = start;
    }
    return plan;
}
