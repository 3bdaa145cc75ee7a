// The RIFF/WAVE header scan over odd but legal files and over broken ones. (The header
// layouts are checked through the files the writer makes, in WavWriterTest.)
#include "WavTestUtil.h"

#include "audio/AuFileStream.h"
#include "audio/WaveHeader.h"

namespace {

TWaveHeaderInfo Scan(const QByteArray& file, TWaveScanMode mode = TWaveScanMode::Reader) {
    TAuMemoryStream stream(file);
    return ScanWaveHeader(stream, mode);
}

TEST(WavHeaderScanTest, ListChunkBeforeDataAndLowerCaseNames) {
    const QByteArray data(400, 'x');
    const QByteArray file =
        Riff(Chunk("fmt ", PcmFormat(2, 44100, 16)) + Chunk("LIST", QByteArray(33, 'l')) + Chunk("data", data));
    const TWaveHeaderInfo info = Scan(file);
    ASSERT_TRUE(info.Found);
    EXPECT_EQ(info.WavType, wtPCM);
    EXPECT_EQ(info.Channels, 2);
    EXPECT_EQ(info.SampleRate, 44100u);
    EXPECT_EQ(info.BitsPerSample, 16);
    EXPECT_EQ(info.DataSize, 400u);
    // The odd-sized LIST body is followed by its pad byte.
    EXPECT_EQ(info.DataStart, 12 + 24 + 8 + 34 + 8);
    EXPECT_EQ(info.DataSizePos, info.DataStart - 4);

    QByteArray lower = file;
    lower.replace("RIFF", "riff").replace("WAVE", "wave").replace("fmt ", "FMT ").replace("data", "DATA");
    EXPECT_TRUE(Scan(lower).Found);
}

TEST(WavHeaderScanTest, SlidesOverJunkBeforeRiffAndWave) {
    const QByteArray body = Chunk("fmt ", PcmFormat(1, 8000, 8)) + Chunk("data", "abcd");
    const QByteArray file = "junk!" + QByteArray("RIFF") + Le32(99) + "xyWAVE" + body;
    const TWaveHeaderInfo info = Scan(file);
    ASSERT_TRUE(info.Found);
    EXPECT_EQ(info.DataStart, file.size() - 4);
}

TEST(WavHeaderScanTest, FormatsAndSubFormats) {
    auto withTag = [](uint16_t tag) {
        return Scan(Riff(Chunk("fmt ", PcmFormat(1, 8000, 32, tag)) + Chunk("data", "abcd"))).WavType;
    };
    EXPECT_EQ(withTag(3), wtIEEEFloat);
    EXPECT_EQ(withTag(0x50), wtUnsupported);

    QByteArray ext = PcmFormat(2, 48000, 24, WaveFormatExtensible);
    ext += QByteArray("\x16\x00\x18\x00\x03\x00\x00\x00", 8);
    auto extWith = [&](const uint8_t* guid) {
        return Scan(Riff(Chunk("fmt ", ext + QByteArray(reinterpret_cast<const char*>(guid), 16)) +
                         Chunk("data", "abcdef")))
            .WavType;
    };
    EXPECT_EQ(extWith(KsDataFormatPcm), wtExtPCM);
    EXPECT_EQ(extWith(KsDataFormatIeeeFloat), wtExtIEEEFloat);
    uint8_t other[16];
    std::memcpy(other, KsDataFormatPcm, 16);
    other[0] = 2;
    EXPECT_EQ(extWith(other), wtUnsupported);
    // An extensible format too short to hold a GUID.
    EXPECT_EQ(withTag(WaveFormatExtensible), wtUnsupported);
}

TEST(WavHeaderScanTest, AppendModeAcceptsPcmAndImaOnly) {
    const QByteArray floatFile = Riff(Chunk("fmt ", PcmFormat(1, 8000, 32, 3)) + Chunk("data", "abcd"));
    EXPECT_EQ(Scan(floatFile, TWaveScanMode::Append).WavType, wtUnsupported);
    EXPECT_FALSE(Scan(floatFile, TWaveScanMode::Append).Found);
}

// IMA and MS ADPCM need their fact chunk before the data; a data chunk met first is skipped.
TEST(WavHeaderScanTest, BlockFormatsReadFactChunk) {
    QByteArray ima = PcmFormat(1, 22050, 4, 17) + QByteArray("\x02\x00\xf9\x03", 4);
    ima[12] = 0; // block align 512
    ima[13] = 2;
    const QByteArray file = Riff(Chunk("fmt ", ima) + Chunk("fact", Le32(5000)) + Chunk("data", QByteArray(1024, 0)));
    TWaveHeaderInfo info = Scan(file);
    ASSERT_TRUE(info.Found);
    EXPECT_EQ(info.WavType, wtDVIADPCM);
    EXPECT_EQ(info.BlockAlign, 512);
    EXPECT_EQ(info.SamplesPerBlock, 1017);
    EXPECT_EQ(info.FactSamples, 5000u);
    EXPECT_EQ(info.FactValuePos, 12 + 28 + 8);

    EXPECT_FALSE(Scan(Riff(Chunk("fmt ", ima) + Chunk("data", QByteArray(1024, 0)))).Found);
    // A fact chunk too short to hold its sample count.
    for (int size = 0; size < 4; ++size)
        EXPECT_FALSE(
            Scan(Riff(Chunk("fmt ", ima) + Chunk("fact", QByteArray(size, 1)) + Chunk("data", QByteArray(1024, 0))))
                .Found)
            << size;
}

TEST(WavHeaderScanTest, MsAdpcmCoefficientTable) {
    auto msFormat = [](int count, int present) {
        QByteArray f = PcmFormat(1, 22050, 4, 2) + QByteArray("\x20\x00\xf4\x03", 4);
        f += Le16(uint16_t(count));
        for (int i = 0; i < present; ++i)
            f += QByteArray("\x00\x01\x00\xff", 4);
        return Riff(Chunk("fmt ", f) + Chunk("fact", Le32(100)) + Chunk("data", QByteArray(512, 0)));
    };
    TWaveHeaderInfo info = Scan(msFormat(7, 7));
    ASSERT_TRUE(info.Found);
    EXPECT_TRUE(info.CoefsComplete);
    ASSERT_EQ(info.MsCoefs.size(), 7u);
    EXPECT_EQ(info.MsCoefs[3].Coef1, 256);
    EXPECT_EQ(info.MsCoefs[3].Coef2, -256);
    // More pairs than the table holds, or fewer present than announced.
    EXPECT_FALSE(Scan(msFormat(33, 33)).CoefsComplete);
    EXPECT_FALSE(Scan(msFormat(7, 5)).CoefsComplete);
}

TEST(WavHeaderScanTest, LimitsAndTruncation) {
    const QByteArray fmt = Chunk("fmt ", PcmFormat(2, 44100, 16));
    // The scan passes at most 65,535 bytes for the reader and 8,192 for the append mode, up to
    // and including the data chunk's size field. A file whose audio starts `headerBytes` in:
    // junk before RIFF (slid over byte by byte) and an even-sized LIST chunk fill the space.
    auto withHeaderOf = [&](int headerBytes) {
        const int junk = headerBytes % 2;
        const QByteArray list = Chunk("LIST", QByteArray(headerBytes - junk - 52, 'l'));
        return QByteArray(junk, 'j') + Riff(fmt + list + Chunk("data", "abcd"));
    };
    for (const auto& [mode, limit] :
         {std::pair{TWaveScanMode::Reader, 65535}, std::pair{TWaveScanMode::Append, 8192}}) {
        SCOPED_TRACE(limit);
        for (int headerBytes : {limit - 1, limit}) {
            const TWaveHeaderInfo info = Scan(withHeaderOf(headerBytes), mode);
            EXPECT_TRUE(info.Found) << headerBytes;
            EXPECT_EQ(info.DataStart, headerBytes);
        }
        EXPECT_FALSE(Scan(withHeaderOf(limit + 1), mode).Found);
    }
    EXPECT_TRUE(Scan(withHeaderOf(8193)).Found);
    // A chunk size pointing past the end, a cut file, no RIFF at all.
    QByteArray lying = Riff(fmt + "LIST" + Le32(0x7FFFFFF0) + "data" + Le32(4) + "abcd");
    EXPECT_FALSE(Scan(lying).Found);
    const QByteArray whole = Riff(fmt + Chunk("data", "abcd"));
    for (int n = 0; n < 44; ++n)
        EXPECT_FALSE(Scan(whole.left(n)).Found) << n;
    EXPECT_TRUE(Scan(whole.left(44)).Found);
    EXPECT_FALSE(Scan(QByteArray(5000, 'R')).Found);
}

} // namespace

namespace {

// The one scan every part of the program uses to look at a WAV file on disk (the reader, the
// gain pass, the command-line checks).
TEST(WavHeaderScanTest, ScanWaveFileFromDisk) {
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(ScanWaveFile(dir.filePath("missing.wav"), &error).Found);
    EXPECT_TRUE(error.contains("No such file")) << error.toStdString();
    // The RIFF preamble alone is no WAV file: the format and the data are missing.
    ASSERT_TRUE(WriteFile(dir.filePath("preamble.wav"), "RIFF\x04\0\0\0WAVE"));
    error.clear();
    EXPECT_FALSE(ScanWaveFile(dir.filePath("preamble.wav"), &error).Found);
    EXPECT_TRUE(error.isEmpty());
    ASSERT_TRUE(WriteFile(dir.filePath("ok.wav"), MakeWav(MakePcm16(10, 2, 1), 2, 44100, 16)));
    const TWaveHeaderInfo info = ScanWaveFile(dir.filePath("ok.wav"));
    EXPECT_TRUE(info.Found);
    EXPECT_EQ(info.DataStart, 44);
    EXPECT_EQ(info.DataSize, 40u);
}

} // namespace
