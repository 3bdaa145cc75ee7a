// Fuzz target: single IMA and Microsoft ADPCM blocks with hostile headers and lengths,
// decoded straight into buffers sized as the reader sizes them.
#include "audio/ImaAdpcm.h"
#include "audio/MsAdpcm.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    const int channels = 1 + (data[0] & 1);
    const int samplesPerBlock = 2 + ((data[1] | (data[2] << 8)) % 8190);
    const int coefCount = 1 + data[3] % MsMaxCoefPairs;
    data += 4;
    size -= 4;
    const int bytes = int(size > 20000 ? 20000 : size);

    std::vector<int16_t> ima(size_t(ImaSamplesPerBlock(channels, bytes) + 1) * size_t(channels));
    ImaDecodeBlock(data, bytes, channels, ima.data());

    // Coefficients from the block itself, as a hostile header would supply them.
    TMsCoefPair coefs[MsMaxCoefPairs];
    for (int i = 0; i < coefCount; ++i) {
        auto at = [&](int k) { return bytes > 0 ? data[(i * 4 + k) % bytes] : uint8_t(0); };
        coefs[i] = {int16_t(at(0) | (at(1) << 8)), int16_t(at(2) | (at(3) << 8))};
    }
    std::vector<int16_t> ms(size_t(samplesPerBlock) * size_t(channels));
    MsDecodeBlock(data, bytes, channels, samplesPerBlock, coefs, coefCount, ms.data());

    // The encoder on whatever samples the bytes make.
    if (bytes < 3)
        return 0;
    const int blockSize = 4 * (2 + data[0] % 200);
    const int spb = ImaSamplesPerBlock(channels, blockSize);
    if (spb > 0) {
        std::vector<int16_t> pcm(size_t(spb) * size_t(channels));
        std::memcpy(pcm.data(), data, std::min(pcm.size() * 2, size_t(bytes)));
        std::vector<uint8_t> block(static_cast<size_t>(blockSize));
        int stepIndex[2] = {data[1] % 89, data[2] % 89};
        ImaEncodeBlock(pcm.data(), channels, blockSize, stepIndex, block.data());
    }
    return 0;
}
