// TVorbisOut: the bitrate setter rules, ApplyOggSettings, sample conversion, and whole runs
// whose files oggdec, ogginfo and vorbiscomment read back.
#include "vorbis/VorbisOut.h"
#include "core/DiscInfo.h"

#include "core/Settings.h"
#include "support/TestSupport.h"
#include "tags/Genres.h"
#include "vorbis/VorbisIn.h"
#include "vorbis/VorbisTestSupport.h"

#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace {

bool HaveVorbisTools() {
    return !FindTool(QStringLiteral("oggdec")).isEmpty() && !FindTool(QStringLiteral("ogginfo")).isEmpty() &&
           !FindTool(QStringLiteral("vorbiscomment")).isEmpty();
}

QString OggInfo(const QString& ogg, int* exitCode = nullptr) {
    const TRunResult r = RunProgram(QStringLiteral("ogginfo"), {ogg});
    if (exitCode)
        *exitCode = r.ExitCode;
    return QString::fromUtf8(r.Out);
}

QByteArray Pcm8(int64_t frames, int channels) {
    QByteArray pcm(frames * channels, 0);
    for (int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            pcm[int(i * channels + c)] =
                char(uint8_t(128 + std::lround(90 * std::sin(2 * M_PI * (300 + 200 * c) * i / 22050.0))));
    return pcm;
}

QByteArray Widen8To16(const QByteArray& pcm8) {
    QByteArray out(pcm8.size() * 2, 0);
    for (int i = 0; i < pcm8.size(); ++i)
        qToLittleEndian<int16_t>(int16_t((int(uint8_t(pcm8[i])) - 128) * 256), out.data() + 2 * i);
    return out;
}

// 16-bit PCM as 24-bit packed PCM (the 16 bits on top).
QByteArray Widen16To24(const QByteArray& pcm16) {
    QByteArray out;
    for (int i = 0; i + 1 < pcm16.size(); i += 2)
        out += QByteArray(1, 0) + pcm16.mid(i, 2);
    return out;
}

int32_t GenreIndex(const char* name) {
    for (size_t i = 0; i < GenreNames.size(); ++i)
        if (qstrcmp(GenreNames[i], name) == 0)
            return int32_t(i);
    return -1;
}

class VorbisOutTest : public testing::Test {
protected:
    void SetUp() override {
        if (!HaveVorbisTools())
            GTEST_SKIP() << "vorbis-tools not installed";
    }
    QString Path(const QString& name) const { return Dir.filePath(name); }
    QTemporaryDir Dir;
};

} // namespace

TEST(VorbisBitRateTest, BitsPerSecondAndListPositions) {
    EXPECT_EQ(BitrateToInt(brAutoSelect), -1);
    EXPECT_EQ(BitrateToInt(bitrate24), 24000);
    EXPECT_EQ(BitrateToInt(bitrate45), 45000);
    EXPECT_EQ(BitrateToInt(bitrate499), 499000);
    EXPECT_EQ(BitrateToInt(TVorbisBitRate(18)), -1);
    EXPECT_EQ(BitrateToInt(TVorbisBitRate(128 + 10)), 128000);
    EXPECT_EQ(BitrateFromKbps(160), bitrate160);
    EXPECT_FALSE(BitrateFromKbps(100).has_value());

    // The options dialog's lists: " Default", then 45 ... 320 kbit/s.
    const int listed[] = {45, 48, 56, 64, 80, 96, 112, 128, 144, 160, 192, 224, 256, 320};
    EXPECT_EQ(BitrateOfListPosition(0), brAutoSelect);
    for (int position = 1; position <= 14; ++position)
        EXPECT_EQ(BitrateToInt(BitrateOfListPosition(position)), listed[position - 1] * 1000) << position;
    EXPECT_EQ(BitrateOfListPosition(15), brAutoSelect);
    EXPECT_EQ(BitrateOfListPosition(-1), brAutoSelect);
}

TEST(VorbisOutSettersTest, BoundsFollowTheNominalBitrate) {
    TVorbisOut out;
    EXPECT_EQ(out.Compression, 0.2f);
    EXPECT_EQ(out.Serial, 0);
    EXPECT_EQ(out.FileMode(), foRewrite);

    // While the nominal is automatic, only an automatic maximum and minimum are possible.
    out.SetDesiredMaximumBitrate(bitrate160);
    out.SetMinimumBitrate(bitrate64);
    EXPECT_EQ(out.DesiredMaximumBitrate(), brAutoSelect);
    EXPECT_EQ(out.MinimumBitrate(), brAutoSelect);

    out.SetDesiredNominalBitrate(bitrate128);
    EXPECT_EQ(out.DesiredMaximumBitrate(), bitrate128);
    out.SetDesiredMaximumBitrate(bitrate64); // below the nominal: ignored
    EXPECT_EQ(out.DesiredMaximumBitrate(), bitrate128);
    out.SetMinimumBitrate(bitrate160); // above the nominal: ignored
    EXPECT_EQ(out.MinimumBitrate(), brAutoSelect);
    out.SetDesiredMaximumBitrate(bitrate256);
    out.SetMinimumBitrate(bitrate96);
    EXPECT_EQ(out.DesiredMaximumBitrate(), bitrate256);
    EXPECT_EQ(out.MinimumBitrate(), bitrate96);
    out.SetDesiredMaximumBitrate(brAutoSelect);
    EXPECT_EQ(out.DesiredMaximumBitrate(), brAutoSelect);

    // A nominal below the minimum lowers it; one above the maximum raises it.
    out.SetDesiredNominalBitrate(bitrate80);
    EXPECT_EQ(out.MinimumBitrate(), bitrate80);
    EXPECT_EQ(out.DesiredMaximumBitrate(), bitrate80);

    // Back to automatic: everything automatic.
    out.SetDesiredNominalBitrate(brAutoSelect);
    EXPECT_EQ(out.DesiredMaximumBitrate(), brAutoSelect);
    EXPECT_EQ(out.MinimumBitrate(), brAutoSelect);

    out.SetFileMode(foAppend);
    EXPECT_EQ(out.FileMode(), foAppend);
}

TEST(VorbisOutSettersTest, ApplyOggSettingsInBitrateModeSetsTheMaximumFirst) {
    TOggOptions o;
    o.IsUseCompress = false;
    o.MaxBitRate = 10;    // 160 kbit/s
    o.NominalBitRate = 6; // 96 kbit/s
    o.MinBitRate = 0;     // Default
    TVorbisOut out;
    out.Compression = 0.7f;
    ApplyOggSettings(out, o, nullptr);
    // The maximum came while the nominal was still automatic and was dropped.
    EXPECT_EQ(out.DesiredNominalBitrate(), bitrate96);
    EXPECT_EQ(out.DesiredMaximumBitrate(), bitrate96);
    EXPECT_EQ(out.MinimumBitrate(), brAutoSelect);
    EXPECT_EQ(out.Compression, 0.2f);
    ApplyOggSettings(out, o, nullptr);
    EXPECT_EQ(out.DesiredMaximumBitrate(), bitrate160);
    EXPECT_EQ(out.DesiredNominalBitrate(), bitrate96);

    // Quality mode resets the bitrates.
    o.IsUseCompress = true;
    o.CompressPosition = 100;
    ApplyOggSettings(out, o, nullptr);
    EXPECT_FLOAT_EQ(out.Compression, 0.9f);
    EXPECT_EQ(out.DesiredNominalBitrate(), brAutoSelect);
    EXPECT_EQ(out.DesiredMaximumBitrate(), brAutoSelect);
    EXPECT_EQ(out.MinimumBitrate(), brAutoSelect);
    o.CompressPosition = 30;
    ApplyOggSettings(out, o, nullptr);
    EXPECT_FLOAT_EQ(out.Compression, 0.2f);
}

TEST(VorbisOutSettersTest, ApplyOggSettingsTakesTheDiscFieldsWhenTagging) {
    TDiscFields disc;
    disc.Artist = QStringLiteral("Artist \u00e9");
    disc.Album = QStringLiteral("Album");
    disc.Year = QStringLiteral("2001");
    disc.Comment = QStringLiteral("Remark");
    disc.Genre = -1;
    const TOggOptions o;
    TVorbisOut out;
    out.Comments().SetTitle(QStringLiteral("left over"));

    ApplyOggSettings(out, o, nullptr);
    EXPECT_TRUE(out.Comments().Title().isEmpty());
    EXPECT_TRUE(out.Comments().Artist().isEmpty());

    ApplyOggSettings(out, o, &disc);
    EXPECT_EQ(out.Comments().Artist(), disc.Artist);
    EXPECT_EQ(out.Comments().Album(), QStringLiteral("Album"));
    EXPECT_EQ(out.Comments().Date(), QStringLiteral("2001"));
    EXPECT_EQ(out.Comments().Title(), QStringLiteral("Remark"));
    EXPECT_EQ(out.Comments().Genre(), QStringLiteral("255"));

    // "Blues" is ID3 genre 0; the disc keeps its index in the alphabetical table.
    disc.Genre = GenreIndex("Blues");
    ApplyOggSettings(out, o, &disc);
    EXPECT_EQ(out.Comments().Genre(), QStringLiteral("0"));
    disc.Genre = GenreIndex("Rock");
    ApplyOggSettings(out, o, &disc);
    EXPECT_EQ(out.Comments().Genre(), QStringLiteral("17"));
}

TEST(VorbisOutSamplesTest, SamplesBecomeFloatsPerChannel) {
    float left[4], right[4];
    float* channels[] = {left, right};

    const uint8_t eight[] = {0, 255, 128, 129};
    TVorbisOut::Deinterleave(eight, channels, 2, 2, 8);
    EXPECT_EQ(left[0], -1.0f);
    EXPECT_EQ(right[0], 0.9921875f);
    EXPECT_EQ(left[1], 0.0f);
    EXPECT_EQ(right[1], 1.0f / 128);

    const uint8_t sixteen[] = {0x00, 0x80, 0xFF, 0x7F, 0x01, 0x00, 0xFF, 0xFF};
    TVorbisOut::Deinterleave(sixteen, channels, 2, 2, 16);
    EXPECT_EQ(left[0], -1.0f);
    EXPECT_EQ(right[0], 32767.0f / 32768);
    EXPECT_EQ(left[1], 1.0f / 32768);
    EXPECT_EQ(right[1], -1.0f / 32768);

    const uint8_t twentyFour[] = {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF};
    TVorbisOut::Deinterleave(twentyFour, channels, 1, 3, 24);
    EXPECT_EQ(left[0], -1.0f);
    EXPECT_EQ(left[1], 8388607.0f / 8388608);
    EXPECT_EQ(left[2], -1.0f / 8388608);

    const uint8_t thirtyTwo[] = {0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x40};
    TVorbisOut::Deinterleave(thirtyTwo, channels, 1, 2, 32);
    EXPECT_EQ(left[0], -1.0f);
    EXPECT_EQ(left[1], 0.5f);

    // Three channels take the general path.
    float a[2], b[2], c[2];
    float* three[] = {a, b, c};
    const uint8_t mono8[] = {0, 64, 128, 192, 255, 128};
    TVorbisOut::Deinterleave(mono8, three, 3, 2, 8);
    EXPECT_EQ(a[0], -1.0f);
    EXPECT_EQ(b[0], -0.5f);
    EXPECT_EQ(c[0], 0.0f);
    EXPECT_EQ(a[1], 0.5f);
    EXPECT_EQ(b[1], 0.9921875f);
    EXPECT_EQ(c[1], 0.0f);
}

TEST_F(VorbisOutTest, EncodedFileDecodesWithOggdecAndCarriesTheComments) {
    const int64_t frames = 3 * 44100 + 17;
    const QByteArray pcm = MakePcm16(frames, 2, 5);
    TPcmIn in(pcm, 2, 44100, 16);
    TVorbisOut out;
    out.SetInput(&in);
    out.SetFileName(Path("out.ogg"));
    out.Compression = 0.4f;
    out.Comments().SetArtist(QStringLiteral("Zo\u00eb"));
    out.Comments().SetTitle(QStringLiteral("Song"));
    out.Comments().SetAlbum(QString()); // empty values are left out
    std::vector<int> progress;
    out.OnProgress = [&progress](TAuOutput* s) { progress.push_back(s->Progress()); };
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_TRUE(out.LastError.isEmpty()) << out.LastError.toStdString();
    EXPECT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);

    const QByteArray decoded = DecodeWithOggdec(Path("out.ogg"));
    EXPECT_EQ(decoded.size(), pcm.size());
    EXPECT_LT(RelativeError(pcm, decoded), 0.2);
    const QStringList comments = ListComments(Path("out.ogg"));
    EXPECT_EQ(comments, (QStringList{QStringLiteral("artist=Zo\u00eb"), QStringLiteral("title=Song")}));
    int exitCode = -1;
    const QString info = OggInfo(Path("out.ogg"), &exitCode);
    EXPECT_EQ(exitCode, 0) << info.toStdString();
    EXPECT_TRUE(info.contains(QLatin1String("serial: 00000000"))) << info.toStdString();

    // The comments applied to that run only.
    EXPECT_TRUE(out.Comments().Artist().isEmpty());
    out.SetFileName(Path("again.ogg"));
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_TRUE(ListComments(Path("again.ogg")).isEmpty());
    EXPECT_EQ(DecodeWithOggdec(Path("again.ogg")).size(), pcm.size());
}

TEST_F(VorbisOutTest, EightAndTwentyFourBitInputsKeepTheirSignal) {
    const QByteArray pcm8 = Pcm8(22050, 1);
    TPcmIn in8(pcm8, 1, 22050, 8);
    TVorbisOut out;
    out.SetInput(&in8);
    out.SetFileName(Path("eight.ogg"));
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_TRUE(out.LastError.isEmpty()) << out.LastError.toStdString();
    EXPECT_LT(RelativeError(Widen8To16(pcm8), DecodeWithOggdec(Path("eight.ogg"))), 0.2);

    const QByteArray pcm16 = MakePcm16(30000, 2, 9);
    TPcmIn in24(Widen16To24(pcm16), 2, 44100, 24);
    out.SetInput(&in24);
    out.SetFileName(Path("twentyfour.ogg"));
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_TRUE(out.LastError.isEmpty()) << out.LastError.toStdString();
    EXPECT_LT(RelativeError(pcm16, DecodeWithOggdec(Path("twentyfour.ogg"))), 0.2);
}

TEST_F(VorbisOutTest, EmptyInputGivesAValidFile) {
    TPcmIn in(QByteArray(), 2, 44100, 16);
    TVorbisOut out;
    out.SetInput(&in);
    out.SetFileName(Path("empty.ogg"));
    out.Comments().SetArtist(QString());
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_TRUE(out.LastError.isEmpty()) << out.LastError.toStdString();
    // ogginfo reads the stream through; it warns about the zero granule position of a stream
    // without samples, as it does for oggenc's own output of an empty file.
    const QString info = OggInfo(Path("empty.ogg"));
    EXPECT_TRUE(info.contains(QLatin1String("Vorbis headers parsed"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QLatin1String("Logical stream 1 ended"))) << info.toStdString();
    EXPECT_FALSE(info.contains(QLatin1String("ERROR"))) << info.toStdString();
    const TRunResult dec = RunProgram(QStringLiteral("oggdec"), {"-Q", "-o", Path("empty.wav"), Path("empty.ogg")});
    EXPECT_EQ(dec.ExitCode, 0);
    EXPECT_TRUE(ListComments(Path("empty.ogg")).isEmpty());
    TVorbisIn back;
    back.SetFileName(Path("empty.ogg"));
    ASSERT_TRUE(back.Valid());
    EXPECT_EQ(back.Size, 0);
}

TEST_F(VorbisOutTest, BitrateManagerGetsNominalAndMinimum) {
    TPcmIn in(MakePcm16(44100, 2, 3), 2, 44100, 16);
    TVorbisOut out;
    out.SetInput(&in);
    out.SetFileName(Path("managed.ogg"));
    out.SetDesiredNominalBitrate(bitrate128);
    out.SetDesiredMaximumBitrate(brAutoSelect);
    out.SetMinimumBitrate(brAutoSelect);
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_TRUE(out.LastError.isEmpty()) << out.LastError.toStdString();
    const QString info = OggInfo(Path("managed.ogg"));
    EXPECT_TRUE(info.contains(QLatin1String("Nominal bitrate: 128.000000 kb/s"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QLatin1String("Lower bitrate: 128.000000 kb/s"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QLatin1String("Upper bitrate not set"))) << info.toStdString();
}

TEST_F(VorbisOutTest, AppendingAddsALogicalStream) {
    const QByteArray first = MakePcm16(20000, 2, 1);
    const QByteArray second = MakePcm16(30000, 2, 2);
    TPcmIn in1(first, 2, 44100, 16), in2(second, 2, 44100, 16);
    TVorbisOut out;
    out.SetFileMode(foAppend);
    out.SetFileName(Path("append.ogg")); // not there yet: created
    out.SetInput(&in1);
    ASSERT_TRUE(RunToEnd(out));
    out.SetInput(&in2);
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_TRUE(out.LastError.isEmpty()) << out.LastError.toStdString();

    TVorbisIn back;
    back.SetFileName(Path("append.ogg"));
    EXPECT_EQ(ReadAllFrom(back).size(), first.size() + second.size());
    // Two streams with distinct serial numbers, each decodable.
    const QString info = OggInfo(Path("append.ogg"));
    EXPECT_TRUE(info.contains(QLatin1String("serial: 00000000"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QLatin1String("serial: 00000001"))) << info.toStdString();
    EXPECT_FALSE(info.contains(QLatin1String("WARNING"))) << info.toStdString();

    // A stream of another format, or a file that is no Ogg file, is not appended to.
    const QByteArray before = ReadFile(Path("append.ogg"));
    TPcmIn mono(MakePcm16(1000, 1, 3, 22050), 1, 22050, 16);
    out.SetInput(&mono);
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_EQ(out.LastError, QStringLiteral("Cannot append data in different audio format."));
    EXPECT_EQ(ReadFile(Path("append.ogg")), before);
    ASSERT_TRUE(WriteFile(Path("text.ogg"), "no pages here"));
    out.SetFileName(Path("text.ogg"));
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_EQ(out.LastError, QStringLiteral("Cannot append data to this .ogg file."));
    EXPECT_EQ(ReadFile(Path("text.ogg")), "no pages here");
    out.SetFileName(Path("append.ogg"));

    // Rewriting starts over.
    out.SetFileMode(foRewrite);
    out.SetInput(&in1);
    ASSERT_TRUE(RunToEnd(out));
    back.SetFileName(Path("append.ogg"));
    EXPECT_EQ(ReadAllFrom(back).size(), first.size());
}

// Channels come in WAV order and go into the Vorbis slots the Vorbis I mapping gives them,
// where ffmpeg's decoder finds them again.
TEST_F(VorbisOutTest, MultichannelIsStoredInVorbisOrder) {
    for (int channels : {3, 6, 8}) {
        SCOPED_TRACE(channels);
        TPcmIn in(ChannelTaggedPcm(22050, channels, 44100), channels, 44100, 16);
        TVorbisOut out;
        out.Compression = 0.6f;
        out.SetInput(&in);
        out.SetFileName(Path(QStringLiteral("tagged%1.ogg").arg(channels)));
        ASSERT_TRUE(RunToEnd(out));
        ASSERT_TRUE(out.LastError.isEmpty()) << out.LastError.toStdString();
        std::vector<int> inOrder(static_cast<size_t>(channels));
        std::iota(inOrder.begin(), inOrder.end(), 0);
        EXPECT_EQ(TaggedChannelOrder(DecodeWithFfmpeg(out.FileName()), channels, 44100), inOrder);
    }
}

TEST_F(VorbisOutTest, FailuresEndTheRunWithTheirMessage) {
    TPcmIn in(MakePcm16(1000, 2, 1), 2, 44100, 16);
    TVorbisOut out;
    out.SetInput(&in);
    bool exception = false;
    out.OnThreadException = [&exception](TAuOutput*) { exception = true; };

    ASSERT_TRUE(RunToEnd(out));
    EXPECT_EQ(out.LastError, QStringLiteral("File name is not assigned."));
    EXPECT_TRUE(exception);

    out.SetFileName(Path("no/such/folder/x.ogg"));
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_FALSE(out.LastError.isEmpty());
    EXPECT_FALSE(QFile::exists(Path("no/such/folder/x.ogg")));

    // Far too much for 8 kHz mono.
    TPcmIn low(MakePcm16(8000, 1, 1, 8000), 1, 8000, 16);
    out.SetInput(&low);
    out.SetFileName(Path("rate.ogg"));
    out.SetDesiredNominalBitrate(bitrate499);
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_EQ(out.LastError,
              QStringLiteral("Vorbis codec setup with the requested bitrate failed. Try a lower bitrate."));
    out.SetDesiredNominalBitrate(brAutoSelect);

    // More channels than the encoder's table: a clear error, not an overflow.
    TPcmIn wide(QByteArray(18 * 2 * 100, 0), 18, 44100, 16);
    out.SetInput(&wide);
    out.SetFileName(Path("wide.ogg"));
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_EQ(out.LastError, QStringLiteral("Ogg Vorbis encoding takes 1 to 17 channels, not 18."));
    // Refused runs leave no file behind.
    EXPECT_FALSE(QFile::exists(Path("wide.ogg")));
    EXPECT_FALSE(QFile::exists(Path("rate.ogg")));

    TPcmIn odd(QByteArray(300, 0), 1, 44100, 12);
    out.SetInput(&odd);
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_EQ(out.LastError, QStringLiteral("Ogg Vorbis encoding takes 8, 16, 24 or 32 bits per sample, not 12."));

    // The sink is usable again afterwards.
    TPcmIn good(MakePcm16(5000, 17, 1), 17, 44100, 16);
    out.SetInput(&good);
    out.SetFileName(Path("seventeen.ogg"));
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_TRUE(out.LastError.isEmpty()) << out.LastError.toStdString();
    EXPECT_EQ(DecodeWithOggdec(Path("seventeen.ogg")).size(), 5000 * 17 * 2);
}
