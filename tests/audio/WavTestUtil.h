// Helpers of the WAV, ADPCM, converter and resampler tests: running sox and ffmpeg on
// temporary files and reading 16-bit samples back.
#pragma once

#include "audio/WavTypes.h"
#include "support/TestSupport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

// Runs sox with the arguments; fails the test when it does not succeed.
inline bool RunSox(const QStringList& args) {
    const QString sox = FindTool(QStringLiteral("sox"));
    if (sox.isEmpty()) {
        ADD_FAILURE() << "sox is not installed";
        return false;
    }
    const TRunResult r = RunProgram(sox, args);
    EXPECT_EQ(r.ExitCode, 0) << r.Err.constData();
    return r.ExitCode == 0;
}

inline bool RunFfmpeg(const QStringList& args) {
    const QString ffmpeg = FindTool(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty()) {
        ADD_FAILURE() << "ffmpeg is not installed";
        return false;
    }
    const TRunResult r = RunProgram(ffmpeg, QStringList{"-hide_banner", "-loglevel", "error", "-y"} + args);
    EXPECT_EQ(r.ExitCode, 0) << r.Err.constData();
    return r.ExitCode == 0;
}

// sox's own decoding of a file to raw 16-bit samples.
inline std::vector<int16_t> SoxDecode16(const QString& file, const QString& rawPath) {
    if (!RunSox({file, "-t", "raw", "-e", "signed-integer", "-b", "16", "-L", rawPath}))
        return {};
    const QByteArray raw = ReadFile(rawPath);
    std::vector<int16_t> s(size_t(raw.size() / 2));
    std::memcpy(s.data(), raw.constData(), s.size() * 2);
    return s;
}

inline std::vector<int16_t> Samples16(const QByteArray& pcm) {
    std::vector<int16_t> s(size_t(pcm.size() / 2));
    std::memcpy(s.data(), pcm.constData(), s.size() * 2);
    return s;
}

// First index where the two differ within the shorter length, or -1.
inline int64_t FirstDifference(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t count) {
    for (size_t i = 0; i < count && i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i])
            return int64_t(i);
    return -1;
}
