// ReplayGain 2.0 measured from the samples as a rip reads them (the track's checksums), against
// loudgain on FLAC files of the same samples: track and album gain within 0.1 dB, whatever the
// reads' sizes; silence has no gain.
#include "audio/Loudness.h"
#include "audio/FlacCodec.h"
#include "cd/TrackChecksums.h"

#include "support/TestSupport.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Stereo PCM: a tone at `level` with noise, so the two tracks differ in loudness.
QByteArray Track(int seconds, double level, uint32_t seed) {
    QRandomGenerator random(seed);
    QByteArray pcm;
    for (int i = 0; i < seconds * 44100; ++i) {
        const double tone = std::sin(i * 2 * M_PI * 330.0 / 44100.0) * level;
        for (int c = 0; c < 2; ++c) {
            const auto v = int16_t(std::lround((tone + (random.generateDouble() - 0.5) * level * 0.4) * 32767.0));
            pcm += char(v & 0xFF);
            pcm += char(v >> 8);
        }
    }
    return pcm;
}

// Feeds `pcm` in reads of changing sizes that split frames, as a drive's reads may.
TTrackChecksums Measure(const QByteArray& pcm) {
    TTrackChecksums sums;
    sums.Begin(pcm.size() / 4, false, false, true);
    const auto* p = reinterpret_cast<const uint8_t*>(pcm.constData());
    for (qsizetype at = 0, step = 1; at < pcm.size(); step = step * 7 % 9973 + 1) {
        const qsizetype n = std::min(step, pcm.size() - at);
        sums.Add(p + at, size_t(n));
        at += n;
    }
    return sums;
}

} // namespace

TEST(LoudnessTest, GainsOfTheReadSamplesAgreeWithLoudgain) {
    const QString loudgain = FindTool(QStringLiteral("loudgain"));
    if (loudgain.isEmpty())
        GTEST_SKIP() << "loudgain is not installed";
    TTempProgramFolder dir;
    const QByteArray pcm[2] = {Track(6, 0.25, 1), Track(5, 0.8, 2)};
    std::vector<std::shared_ptr<const TLoudness>> album;
    double gains[2] = {};
    QStringList files;
    for (int t = 0; t < 2; ++t) {
        const TTrackChecksums sums = Measure(pcm[t]);
        ASSERT_TRUE(sums.Loudness());
        ASSERT_TRUE(ReplayGainOf(*sums.Loudness(), gains[t]));
        album.push_back(sums.Loudness());
        const QString wav = dir.File(QStringLiteral("t%1.wav").arg(t));
        ASSERT_TRUE(WriteFile(wav, MakeWav(pcm[t], 2, 44100, 16)));
        files << dir.File(QStringLiteral("t%1.flac").arg(t));
        QString error;
        ASSERT_TRUE(EncodeWavToFlac(wav, files.back(), TFlacEncodeOptions(), TFlacRunHooks(), error));
    }
    double albumGain = 0;
    ASSERT_TRUE(AlbumReplayGainOf(album, albumGain));

    // File, loudness, range, true peak, dBTP, reference, will clip, clip prevent, gain, ...
    const TRunResult r = RunProgram(loudgain, QStringList{"-a", "-q", "-O"} + files);
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    const QList<QByteArray> lines = r.Out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4) << r.Out.constData();
    for (int row = 1; row < 4; ++row) {
        const double theirs = lines[row].split('\t').value(8).split(' ').value(0).toDouble();
        const double ours = row < 3 ? gains[row - 1] : albumGain;
        EXPECT_NEAR(ours, theirs, 0.1) << lines[row].constData();
    }

    // Digital silence has no loudness to correct.
    const TTrackChecksums silent = Measure(QByteArray(44100 * 4 * 3, '\0'));
    double gain = 0;
    EXPECT_FALSE(ReplayGainOf(*silent.Loudness(), gain));
    // Without asking, nothing is measured.
    TTrackChecksums plain;
    plain.Begin(10, false, false);
    EXPECT_FALSE(plain.Loudness());
}
