// The gain pass: a fixed gain applied in place to the samples of a 16-bit PCM WAV file.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// The gain pass on a 16-bit WAV file, in place, through a ".nor" sibling. Samples saturate at
// the 16-bit limits. The optional callback is told, before each 2048-byte block, the bytes
// processed so far and the file length. Throws std::runtime_error on an I/O error; the file
// at path is then left untouched.
void ScaleWaveFile(int32_t percent, const QString& path,
                   const std::function<void(int64_t done, int64_t total)>& beforeBlock = {});
