// Helpers of the Ogg Vorbis tests (see VorbisTestSupport.h).
#include "vorbis/VorbisTestSupport.h"

#include "audio/AuInput.h"
#include "audio/AuOutput.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>

QString MakeOggWithOggenc(const QString& wav, const QString& ogg, const QStringList& args) {
    const TRunResult r = RunProgram(QStringLiteral("oggenc"), args + QStringList{"-Q", "-o", ogg, wav});
    return r.ExitCode == 0 ? ogg : QString();
}

QByteArray DecodeWithOggdec(const QString& ogg) {
    QTemporaryDir dir;
    const QString raw = dir.filePath(QStringLiteral("out.raw"));
    const TRunResult r =
        RunProgram(QStringLiteral("oggdec"), {"-Q", "-R", "-b", "16", "-e", "0", "-s", "1", "-o", raw, ogg});
    return r.ExitCode == 0 ? ReadFile(raw) : QByteArray();
}

QByteArray DecodeWithFfmpeg(const QString& ogg) {
    QTemporaryDir dir;
    const QString raw = dir.filePath(QStringLiteral("out.raw"));
    const TRunResult r = RunProgram(FindTool(QStringLiteral("ffmpeg")),
                                    {"-v", "error", "-i", ogg, "-f", "s16le", "-c:a", "pcm_s16le", raw});
    return r.ExitCode == 0 ? ReadFile(raw) : QByteArray();
}

namespace {

double TagFrequency(int channel) {
    return 50.0 + 20.0 * channel;
}

} // namespace

QByteArray ChannelTaggedPcm(int64_t frames, int channels, int rate) {
    QByteArray pcm(frames * channels * 2, 0);
    for (int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            qToLittleEndian<int16_t>(int16_t(std::lround(8000.0 * std::sin(2 * M_PI * TagFrequency(c) * i / rate))),
                                     pcm.data() + 2 * (i * channels + c));
    return pcm;
}

std::vector<int> TaggedChannelOrder(const QByteArray& pcm, int channels, int rate) {
    const int64_t frames = pcm.size() / 2 / channels;
    std::vector<int> order;
    for (int c = 0; c < channels; ++c) {
        // The tag tone with the strongest presence in this channel.
        int best = -1;
        double bestPower = 0;
        for (int tag = 0; tag < channels; ++tag) {
            double re = 0, im = 0;
            const double w = 2 * M_PI * TagFrequency(tag) / rate;
            for (int64_t i = 0; i < frames; ++i) {
                const double v = qFromLittleEndian<int16_t>(pcm.constData() + 2 * (i * channels + c));
                re += v * std::cos(w * double(i));
                im += v * std::sin(w * double(i));
            }
            if (re * re + im * im > bestPower) {
                bestPower = re * re + im * im;
                best = tag;
            }
        }
        order.push_back(best);
    }
    return order;
}

QStringList ListComments(const QString& ogg) {
    const TRunResult r = RunProgram(QStringLiteral("vorbiscomment"), {"-l", ogg});
    return QString::fromUtf8(r.Out).split('\n', Qt::SkipEmptyParts);
}

void FixOggChecksums(QByteArray& data) {
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k)
                r = r & 0x80000000u ? (r << 1) ^ 0x04c11db7u : r << 1;
            table[i] = r;
        }
    auto* bytes = reinterpret_cast<uint8_t*>(data.data());
    int at = 0;
    while ((at = data.indexOf("OggS", at)) >= 0 && at + 27 <= data.size()) {
        const int segments = bytes[at + 26];
        int length = 27 + segments;
        if (at + length > data.size())
            break;
        for (int i = 0; i < segments; ++i)
            length += bytes[at + 27 + i];
        if (at + length > data.size())
            break;
        qToLittleEndian<uint32_t>(0, bytes + at + 22);
        uint32_t crc = 0;
        for (int i = 0; i < length; ++i)
            crc = (crc << 8) ^ table[((crc >> 24) & 0xff) ^ bytes[at + i]];
        qToLittleEndian<uint32_t>(crc, bytes + at + 22);
        at += length;
    }
}

QByteArray ReadSome(TAuInput& input, int64_t bytes, uint32_t chunk) {
    QByteArray out;
    while (out.size() < bytes) {
        uint8_t* data = nullptr;
        uint32_t n = uint32_t(std::min<int64_t>(chunk, bytes - out.size()));
        input.Read(data, n);
        if (n == 0)
            break;
        out.append(reinterpret_cast<const char*>(data), n);
    }
    return out;
}

QByteArray ReadAllFrom(TAuInput& input, uint32_t chunk) {
    input.BeginReading();
    QByteArray out;
    for (;;) {
        uint8_t* data = nullptr;
        uint32_t n = chunk;
        input.Read(data, n);
        if (n == 0)
            break;
        out.append(reinterpret_cast<const char*>(data), n);
    }
    input.EndReading();
    return out;
}

double RelativeError(const QByteArray& reference, const QByteArray& other) {
    const int64_t n = std::min(reference.size(), other.size()) / 2;
    const auto* a = reinterpret_cast<const uchar*>(reference.constData());
    const auto* b = reinterpret_cast<const uchar*>(other.constData());
    double signal = 0, noise = 0;
    for (int64_t i = 0; i < n; ++i) {
        const double x = qFromLittleEndian<int16_t>(a + 2 * i);
        const double y = qFromLittleEndian<int16_t>(b + 2 * i);
        signal += x * x;
        noise += (x - y) * (x - y);
    }
    return signal > 0 ? std::sqrt(noise / signal) : (noise > 0 ? 1.0 : 0.0);
}

void TPcmIn::BeginReadingInternal() {
    Busy = true;
    Offset = 0;
    Position = 0;
    Size = Pcm.size();
    FrameSize = uint16_t(PcmChannels * PcmBits / 8);
}

void TPcmIn::ReadInternal(uint8_t*& buffer, uint32_t& bytes) {
    // Whole frames only, as every source delivers.
    const int64_t frame = std::max<int64_t>(FrameSize, 1);
    int64_t n = std::min<int64_t>(bytes, Pcm.size() - Offset);
    n -= n % frame;
    buffer = reinterpret_cast<uint8_t*>(Pcm.data()) + Offset;
    bytes = uint32_t(n);
    Offset += n;
    Position += n;
}

bool RunToEnd(TAuOutput& sink) {
    bool done = false;
    sink.OnDone = [&done](TAuOutput*) { done = true; };
    sink.Run();
    return WaitUntil([&done] { return done; });
}
