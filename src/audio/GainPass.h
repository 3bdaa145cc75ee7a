// The gain pass: a fixed gain applied in place to the samples of a 16-bit PCM WAV file.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// The gain pass on a 16-bit PCM WAV file (plain or extensible header), in place: the file is
// copied to a temporary file of a unique name in the same folder with the samples of its
// "data" chunk scaled (saturating at the 16-bit limits, halves rounded to even), every other
// byte copied unchanged, and then renamed over the original. The optional callback is told,
// before each 2048-byte block of the data and what follows it, the bytes processed so far and
// the file length. Throws std::runtime_error, with the original untouched and no temporary
// file left behind, when the file is not 16-bit PCM or on any I/O error.
void ScaleWaveFile(int32_t percent, const QString& path,
                   const std::function<void(int64_t done, int64_t total)>& beforeBlock = {});
