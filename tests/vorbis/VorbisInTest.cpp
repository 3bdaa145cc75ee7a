// TVorbisIn on files made by oggenc: format, size, decoded data (against oggdec), comments,
// chained streams, seeking, attached streams and the open failures.
#include "vorbis/VorbisIn.h"

#include "audio/AuException.h"
#include "support/TestSupport.h"
#include "vorbis/VorbisTestSupport.h"

#include "vorbis/VorbisChannelOrder.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <numeric>

namespace {

class VorbisInTest : public testing::Test {
protected:
    void SetUp() override {
        if (FindTool(QStringLiteral("oggenc")).isEmpty() || FindTool(QStringLiteral("oggdec")).isEmpty())
            GTEST_SKIP() << "vorbis-tools not installed";
    }

    // An Ogg file of `frames` frames of the seeded test signal, made by oggenc.
    QString MakeOgg(const QString& name, int64_t frames, int channels, int rate, const QStringList& args = {},
                    uint32_t seed = 1) {
        const QString wav = Dir.filePath(name + QStringLiteral(".wav"));
        if (!WriteFile(wav, MakeWav(MakePcm16(frames, channels, seed, rate), channels, rate, 16)))
            return {};
        return MakeOggWithOggenc(wav, Dir.filePath(name + QStringLiteral(".ogg")), QStringList{"-q", "2"} + args);
    }

    QTemporaryDir Dir;
};

} // namespace

TEST_F(VorbisInTest, MonoAt22050DeliversWhatOggdecDecodes) {
    const QString ogg = MakeOgg("mono", 30001, 1, 22050);
    ASSERT_FALSE(ogg.isEmpty());
    TVorbisIn in;
    in.SetFileName(ogg);
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.GetChannels(), 1);
    EXPECT_EQ(in.GetSampleRate(), 22050);
    EXPECT_EQ(in.GetBitsPerSample(), 16);
    EXPECT_EQ(in.Size, 2 * 30001);
    EXPECT_EQ(in.GetTotalSamples(), 30001);
    EXPECT_EQ(in.GetTotalSeconds(), 1);

    const QByteArray pcm = ReadAllFrom(in, 1000);
    EXPECT_EQ(pcm.size(), 2 * 30001);
    EXPECT_EQ(pcm, DecodeWithOggdec(ogg));
    EXPECT_LT(RelativeError(MakePcm16(30001, 1, 1, 22050), pcm), 0.5);
}

TEST_F(VorbisInTest, StereoFileDecodesWholeInAnyReadSize) {
    const QString ogg = MakeOgg("stereo", 100000, 2, 44100);
    ASSERT_FALSE(ogg.isEmpty());
    const QByteArray reference = DecodeWithOggdec(ogg);
    ASSERT_EQ(reference.size(), 400000);
    TVorbisIn in;
    in.SetFileName(ogg);
    // Small reads take the decode buffer apart; reads larger than it get at most one buffer.
    for (uint32_t chunk : {4u, 1000u, 65536u}) {
        SCOPED_TRACE(chunk);
        EXPECT_EQ(ReadAllFrom(in, chunk), reference);
    }
}

TEST_F(VorbisInTest, FiveChannelsDecodeToTheEnd) {
    // 12288 bytes is not a whole number of 10-byte frames.
    const QString ogg = MakeOgg("five", 50000, 5, 44100);
    ASSERT_FALSE(ogg.isEmpty());
    TVorbisIn in;
    in.SetFileName(ogg);
    const QByteArray pcm = ReadAllFrom(in, 7770);
    EXPECT_EQ(pcm.size(), 50000 * 10);
    // oggdec's raw output keeps the Vorbis order.
    QByteArray reference = DecodeWithOggdec(ogg);
    VorbisToWavOrder(reinterpret_cast<int16_t*>(reference.data()), reference.size() / 10, 5);
    EXPECT_EQ(pcm, reference);
}

// Vorbis and WAV order the channels of 3 to 8 channel sound differently; ffmpeg's decoder
// puts them in WAV order as we do.
TEST_F(VorbisInTest, MultichannelComesInWavOrder) {
    // Three orders that differ from WAV's in different ways.
    for (int channels : {3, 6, 8}) {
        SCOPED_TRACE(channels);
        const QString wav = Dir.filePath(QStringLiteral("tagged%1.wav").arg(channels));
        const QString ogg = Dir.filePath(QStringLiteral("tagged%1.ogg").arg(channels));
        ASSERT_TRUE(WriteFile(wav, MakeWav(ChannelTaggedPcm(22050, channels, 44100), channels, 44100, 16)));
        // ffmpeg takes a WAV file's channels in WAV order and stores them in Vorbis order.
        ASSERT_EQ(RunProgram(FindTool(QStringLiteral("ffmpeg")),
                             {"-v", "error", "-i", wav, "-c:a", "libvorbis", "-q:a", "6", ogg})
                      .ExitCode,
                  0);
        TVorbisIn in;
        in.SetFileName(ogg);
        const QByteArray ours = ReadAllFrom(in);
        std::vector<int> inOrder(static_cast<size_t>(channels));
        std::iota(inOrder.begin(), inOrder.end(), 0);
        EXPECT_EQ(TaggedChannelOrder(ours, channels, 44100), inOrder);
        EXPECT_EQ(TaggedChannelOrder(DecodeWithFfmpeg(ogg), channels, 44100), inOrder);
    }
}

TEST_F(VorbisInTest, CommentsAreTakenWithoutRegardToCase) {
    const QString ogg = MakeOgg("tags", 5000, 2, 44100, {"-c", "ARTIST=Big Band", "-c", "Title=\u00dcber alles",
                                                         "-c", "album=First",     "-c", "album=Second",
                                                         "-c", "date=1999",       "-c", "GENRE=Jazz",
                                                         "-c", "tracknumber=07",  "-c", "discnumber=2",
                                                         "-c", "NOEQUALS=1",      "-c", "comment=x"});
    ASSERT_FALSE(ogg.isEmpty());
    // Make the NOEQUALS entry a comment without "=".
    QByteArray data = ReadFile(ogg);
    const int at = data.indexOf("NOEQUALS=1");
    ASSERT_GE(at, 0);
    data[at + 8] = '_';
    FixOggChecksums(data);
    ASSERT_TRUE(WriteFile(ogg, data));
    ASSERT_TRUE(ListComments(ogg).contains(QStringLiteral("NOEQUALS_1")));

    TVorbisIn in;
    in.SetFileName(ogg);
    // Reading the comments opens the file.
    TVorbisTags& tags = in.Comments();
    EXPECT_EQ(in.OpenCount, 1);
    EXPECT_EQ(tags.Artist(), QStringLiteral("Big Band"));
    EXPECT_EQ(tags.Title(), QStringLiteral("\u00dcber alles"));
    EXPECT_EQ(tags.Album(), QStringLiteral("Second"));
    EXPECT_EQ(tags.Date(), QStringLiteral("1999"));
    EXPECT_EQ(tags.Genre(), QStringLiteral("Jazz"));
    EXPECT_EQ(tags.Track(), QStringLiteral("07"));
    // Names outside the six are not taken.
    EXPECT_TRUE(tags.GetValue(QStringLiteral("discnumber")).isNull());

    EXPECT_EQ(in.CommonTags.Artist(), QStringLiteral("Big Band"));
    EXPECT_EQ(in.CommonTags.Album(), QStringLiteral("Second"));
    EXPECT_EQ(in.CommonTags.Title(), QStringLiteral("\u00dcber alles"));
    EXPECT_EQ(in.CommonTags.Year(), QStringLiteral("1999"));
    EXPECT_EQ(in.CommonTags.Track(), QStringLiteral("07"));
    EXPECT_EQ(in.CommonTags.Genre(), QStringLiteral("Jazz"));

    // Every comment, in file order, as stored.
    EXPECT_EQ(in.AllComments(),
              (QStringList{"ARTIST=Big Band", "Title=\u00dcber alles", "album=First", "album=Second", "date=1999",
                           "GENRE=Jazz", "tracknumber=07", "discnumber=2", "NOEQUALS_1", "comment=x"}));
}

TEST_F(VorbisInTest, ChainedStreamsDecodeStraightThrough) {
    // Serial numbers of their own: oggenc's random ones can meet.
    const QString first = MakeOgg("first", 20000, 2, 44100, {"-c", "artist=One", "-s", "101"}, 1);
    const QString second = MakeOgg("second", 33333, 2, 44100, {"-c", "artist=Two", "-s", "102"}, 2);
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    const QString chained = Dir.filePath(QStringLiteral("chained.ogg"));
    ASSERT_TRUE(WriteFile(chained, ReadFile(first) + ReadFile(second)));

    TVorbisIn in;
    in.SetFileName(chained);
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.Size, (20000 + 33333) * 4);
    const QByteArray pcm = ReadAllFrom(in);
    EXPECT_EQ(pcm, DecodeWithOggdec(first) + DecodeWithOggdec(second));
    // The comments come from the first stream.
    EXPECT_EQ(in.Comments().Artist(), QStringLiteral("One"));

    // A stream of another format is never read as the first one's: what comes before it is
    // delivered, then the run ends with an error.
    const QString mono = MakeOgg("mono", 30000, 1, 22050, {"-s", "103"}, 3);
    ASSERT_FALSE(mono.isEmpty());
    const QString mixed = Dir.filePath(QStringLiteral("mixed.ogg"));
    ASSERT_TRUE(WriteFile(mixed, ReadFile(mono) + ReadFile(first)));
    in.SetFileName(mixed);
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.GetChannels(), 1);
    in.BeginReading();
    QByteArray delivered;
    try {
        for (;;) {
            uint8_t* data = nullptr;
            uint32_t bytes = 5000;
            in.Read(data, bytes);
            ASSERT_NE(bytes, 0u) << "the run ended without an error";
            delivered.append(reinterpret_cast<const char*>(data), bytes);
        }
    } catch (const EAuException& e) {
        EXPECT_TRUE(e.Message().contains(QLatin1String("changes its format at logical stream 2 (2 channels at "
                                                       "44100 Hz after 1 channels at 22050 Hz)")))
            << e.Message().toStdString();
    }
    in.EndReading();
    EXPECT_EQ(delivered, DecodeWithOggdec(mono));

    // Two files joined with the same serial number read as one stream announcing the second
    // file's length; everything is still delivered, as oggdec decodes it.
    const QString again = MakeOgg("again", 20000, 2, 44100, {"-s", "102"}, 4);
    const QString joined = Dir.filePath(QStringLiteral("joined.ogg"));
    ASSERT_TRUE(WriteFile(joined, ReadFile(again) + ReadFile(second)));
    in.SetFileName(joined);
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.Size, 33333 * 4);
    const QByteArray all = ReadAllFrom(in);
    EXPECT_GT(all.size(), (20000 + 33333 - 2048) * 4);
    EXPECT_EQ(all, DecodeWithOggdec(joined));
}

// Pages that fail their checksum leave a gap; decoding goes on behind it as oggdec's does.
TEST_F(VorbisInTest, DamagedPagesAreSkipped) {
    const QString ogg = MakeOgg("damaged", 6 * 44100, 2, 44100);
    ASSERT_FALSE(ogg.isEmpty());
    QByteArray data = ReadFile(ogg);
    data[data.size() / 2] = char(data[data.size() / 2] ^ 0xFF);
    data[data.size() / 2 + 1] = char(data[data.size() / 2 + 1] ^ 0x55);
    ASSERT_TRUE(WriteFile(ogg, data));
    const QByteArray reference = DecodeWithOggdec(ogg);
    ASSERT_GT(reference.size(), 5 * 44100 * 4);
    TVorbisIn in;
    in.SetFileName(ogg);
    EXPECT_EQ(ReadAllFrom(in, 3000), reference);
}

TEST_F(VorbisInTest, SeekLeavesNoStaleData) {
    const QString ogg = MakeOgg("seek", 88200, 2, 44100);
    ASSERT_FALSE(ogg.isEmpty());
    const QByteArray reference = DecodeWithOggdec(ogg);
    ASSERT_EQ(reference.size(), 88200 * 4);

    TVorbisIn in;
    in.SetFileName(ogg);
    in.BeginReading();
    // A small read leaves most of a decode buffer unread.
    EXPECT_EQ(ReadSome(in, 400), reference.left(400));
    ASSERT_TRUE(in.Seek(50000));
    EXPECT_EQ(in.Position, 50000 * 4);
    const QByteArray after = ReadSome(in, 20000);
    EXPECT_LT(RelativeError(reference.mid(50000 * 4, 20000), after), 0.01);
    // Back to the start, then past the end of what was decoded.
    ASSERT_TRUE(in.Seek(0));
    EXPECT_EQ(ReadSome(in, 8000), reference.left(8000));
    ASSERT_TRUE(in.Seek(88000));
    const QByteArray tail = ReadSome(in, 100000);
    EXPECT_EQ(tail.size(), 200 * 4);
    in.EndReading();
}

TEST_F(VorbisInTest, SampleRangeAppliesToOneRun) {
    const QString ogg = MakeOgg("range", 44100, 1, 44100);
    ASSERT_FALSE(ogg.isEmpty());
    const QByteArray reference = DecodeWithOggdec(ogg);
    TVorbisIn in;
    in.SetFileName(ogg);
    in.SetStartSample(10000);
    in.SetEndSample(19999);
    const QByteArray part = ReadAllFrom(in, 3000);
    EXPECT_EQ(part.size(), 20000);
    EXPECT_LT(RelativeError(reference.mid(20000, 20000), part), 0.01);
    EXPECT_EQ(ReadAllFrom(in).size(), reference.size());
}

TEST_F(VorbisInTest, AttachedStreamIsRewoundAndKept) {
    const QString ogg = MakeOgg("attached", 10000, 2, 44100);
    ASSERT_FALSE(ogg.isEmpty());
    TAuMemoryStream stream(ReadFile(ogg));
    {
        TVorbisIn in;
        in.AttachStream(&stream);
        ASSERT_TRUE(in.Valid());
        EXPECT_EQ(ReadAllFrom(in), DecodeWithOggdec(ogg));
        EXPECT_EQ(stream.Position(), 0);
        EXPECT_EQ(ReadAllFrom(in).size(), 40000);
    }
    // Still ours after the component is gone.
    EXPECT_EQ(stream.Size(), ReadFile(ogg).size());
}

TEST_F(VorbisInTest, OpenFailuresAreReportedAndNotValid) {
    TVorbisIn in;
    in.SetFileName(Dir.filePath(QStringLiteral("missing.ogg")));
    EXPECT_FALSE(in.Valid());
    try {
        in.OpenSource();
        ADD_FAILURE() << "no exception";
    } catch (const EAuException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Failed to open stream"));
    }

    const QString text = Dir.filePath(QStringLiteral("text.ogg"));
    ASSERT_TRUE(WriteFile(text, QByteArray(5000, 'x')));
    in.SetFileName(text);
    EXPECT_FALSE(in.Valid());
    try {
        in.OpenSource();
        ADD_FAILURE() << "no exception";
    } catch (const EAuException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Failed to open an ogg file: -132"));
    }
    // The failed open did not keep the file busy.
    EXPECT_TRUE(QFile::remove(text));

    // Reading outside a run.
    const QString ogg = MakeOgg("closed", 1000, 1, 8000);
    ASSERT_FALSE(ogg.isEmpty());
    in.SetFileName(ogg);
    ASSERT_TRUE(in.Valid());
    uint8_t* data = nullptr;
    uint32_t bytes = 100;
    EXPECT_THROW(in.Read(data, bytes), EAuException);
}
