// Sample width and channel conversions.
#include "audio/SampleConvert.h"

#include <cmath>
#include <cstring>

void PcmToFloat(const uint8_t* in, int bits, float* out, size_t count) {
    switch (BytesPerSample(bits)) {
    case 1:
        for (size_t i = 0; i < count; ++i)
            out[i] = float(in[i]) / 128.0f - 1.0f;
        break;
    case 2:
        for (size_t i = 0; i < count; ++i, in += 2)
            out[i] = float(int16_t(uint16_t(in[0] | (in[1] << 8)))) / 32768.0f;
        break;
    case 3:
        for (size_t i = 0; i < count; ++i, in += 3) {
            // Sign-extend through the top byte of a 32-bit value.
            const int32_t v = int32_t(uint32_t(in[0] << 8) | uint32_t(in[1] << 16) | uint32_t(in[2]) << 24) >> 8;
            out[i] = float(v) / 8388608.0f;
        }
        break;
    default:
        for (size_t i = 0; i < count; ++i, in += 4) {
            int32_t v;
            std::memcpy(&v, in, 4);
            out[i] = float(double(v) / 2147483648.0);
        }
        break;
    }
}

void FloatToPcm(const float* in, int bits, uint8_t* out, size_t count) {
    switch (BytesPerSample(bits)) {
    case 1:
        for (size_t i = 0; i < count; ++i) {
            const float x = in[i];
            out[i] = x >= 1.0f ? 255 : (x <= -1.0f || std::isnan(x) ? 0 : uint8_t(std::floor((x + 1.0f) * 128.0f)));
        }
        break;
    case 2:
        for (size_t i = 0; i < count; ++i, out += 2) {
            const float x = std::isnan(in[i]) ? 0.0f : std::fmin(1.0f, std::fmax(-1.0f, in[i]));
            const int v = int(std::lrint(x * 32767.0f));
            out[0] = uint8_t(v);
            out[1] = uint8_t(v >> 8);
        }
        break;
    case 3:
        for (size_t i = 0; i < count; ++i, out += 3) {
            // Filtered signals overshoot a little; without the clip the low three bytes of an
            // out-of-range value would wrap round to the opposite sign.
            double v = std::isnan(in[i]) ? 0.0 : std::floor(double(in[i]) * 8388607.0);
            v = v > 8388607.0 ? 8388607.0 : (v < -8388608.0 ? -8388608.0 : v);
            const int32_t s = int32_t(v);
            out[0] = uint8_t(s);
            out[1] = uint8_t(s >> 8);
            out[2] = uint8_t(s >> 16);
        }
        break;
    default:
        for (size_t i = 0; i < count; ++i, out += 4) {
            const double x = std::isnan(in[i]) ? 0.0 : std::fmin(1.0, std::fmax(-1.0, double(in[i])));
            const int32_t v = int32_t(std::llrint(x * 2147483647.0));
            std::memcpy(out, &v, 4);
        }
        break;
    }
}

bool PcmToPcmExact(const uint8_t* in, int inBits, uint8_t* out, int outBits, size_t count) {
    const int inBytes = BytesPerSample(inBits), outBytes = BytesPerSample(outBits);
    if (outBytes == 1 && (inBytes == 2 || inBytes == 3)) {
        // v ÷ 2^(n−1) + 1 is exact in a float for n ≤ 24 bits, and so is × 128: the floor is
        // (v + 2^(n−1)) >> (n − 8), the top byte with its sign bit flipped.
        in += inBytes - 1;
        for (size_t i = 0; i < count; ++i, in += inBytes)
            out[i] = uint8_t(*in ^ 0x80);
        return true;
    }
    if (inBytes == 2 && outBytes == 3) {
        // v ÷ 32768 × 8388607 is exact in a double, so its floor is an arithmetic shift.
        for (size_t i = 0; i < count; ++i, in += 2, out += 3) {
            const int64_t v = int16_t(uint16_t(in[0] | (in[1] << 8)));
            const int32_t s = int32_t((v * 8388607) >> 15);
            out[0] = uint8_t(s);
            out[1] = uint8_t(s >> 8);
            out[2] = uint8_t(s >> 16);
        }
        return true;
    }
    return false;
}

void StereoToMono(const float* in, float* out, size_t frames) {
    for (size_t i = 0; i < frames; ++i)
        out[i] = (in[2 * i] + in[2 * i + 1]) / 2.0f;
}

void MonoToStereo(const float* in, float* out, size_t frames) {
    // Backwards, so that the widening can run in place.
    for (size_t i = frames; i-- > 0;) {
        const float v = in[i];
        out[2 * i] = v;
        out[2 * i + 1] = v;
    }
}

namespace {

int32_t FloatToInt32(double v) {
    if (std::isnan(v) || v == 0.0)
        return 0;
    if (v >= 1.0)
        return 2147483647;
    if (v <= -1.0)
        return -2147483647 - 1;
    return int32_t(std::floor(v * 2147483647.0));
}

} // namespace

size_t IeeeFloatToInt32(uint8_t* buffer, size_t bytes, bool floatIs32) {
    if (floatIs32) {
        const size_t n = bytes / 4;
        for (size_t i = 0; i < n; ++i) {
            float f;
            std::memcpy(&f, buffer + 4 * i, 4);
            const int32_t v = FloatToInt32(f);
            std::memcpy(buffer + 4 * i, &v, 4);
        }
        return n * 4;
    }
    const size_t n = bytes / 8;
    for (size_t i = 0; i < n; ++i) {
        double d;
        std::memcpy(&d, buffer + 8 * i, 8);
        const int32_t v = FloatToInt32(d);
        std::memcpy(buffer + 4 * i, &v, 4);
    }
    return n * 4;
}
