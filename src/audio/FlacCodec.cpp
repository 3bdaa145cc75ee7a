// FLAC encoding and decoding over libFLAC (see FlacCodec.h).
#include "audio/FlacCodec.h"

#include "audio/AuFileStream.h"
#include "audio/WaveHeader.h"
#include "platform/TemporaryBeside.h"

#include <QFile>
#include <QFileInfo>

#include <FLAC/metadata.h>
#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Frames handed to libFLAC at a time: a few of its blocks, few calls.
constexpr int64_t ChunkFrames = 4608 * 4;
// Room left in the file for tags and a picture added later.
constexpr unsigned PaddingBytes = 8192;

QString Named(const QString& path, const QString& what) {
    return path + QStringLiteral(": ") + what;
}

bool Stopped(const TFlacRunHooks& hooks) {
    return hooks.Stop && hooks.Stop->load();
}

// Reports each percent once, in order.
struct TPercent {
    const TFlacRunHooks& Hooks;
    int32_t Last = -1;
    void Tell(int64_t done, int64_t total) {
        const auto now = int32_t(total > 0 ? std::min<int64_t>(done * 100 / total, 100) : 100);
        if (now != Last && Hooks.Progress)
            Hooks.Progress(Last = now);
    }
};

// The source's PCM as libFLAC wants it: an int32 per sample, interleaved.
void ToInt32(const uint8_t* from, int64_t samples, int bytesPerSample, std::vector<FLAC__int32>& to) {
    to.resize(size_t(samples));
    switch (bytesPerSample) {
    case 1:
        for (int64_t i = 0; i < samples; ++i)
            to[size_t(i)] = FLAC__int32(from[i]) - 128; // 8-bit WAV is unsigned
        break;
    case 2:
        for (int64_t i = 0; i < samples; ++i)
            to[size_t(i)] = int16_t(uint16_t(from[2 * i] | (from[2 * i + 1] << 8)));
        break;
    case 3:
        for (int64_t i = 0; i < samples; ++i) {
            const uint8_t* p = from + 3 * i;
            to[size_t(i)] = FLAC__int32(uint32_t(p[0] << 8 | p[1] << 16 | p[2] << 24)) >> 8;
        }
        break;
    default:
        for (int64_t i = 0; i < samples; ++i) {
            const uint8_t* p = from + 4 * i;
            to[size_t(i)] = FLAC__int32(uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24));
        }
        break;
    }
}

// An encoder set up for a stream, with padding and a seek table every ten seconds.
FLAC__StreamEncoder* NewEncoder(unsigned channels, unsigned bits, unsigned rate, uint64_t frames,
                                const TFlacEncodeOptions& options, FLAC__StreamMetadata* (&metadata)[2]) {
    FLAC__StreamEncoder* e = FLAC__stream_encoder_new();
    if (!e)
        return nullptr;
    FLAC__stream_encoder_set_channels(e, channels);
    FLAC__stream_encoder_set_bits_per_sample(e, bits);
    FLAC__stream_encoder_set_sample_rate(e, rate);
    FLAC__stream_encoder_set_compression_level(e, unsigned(std::clamp(options.Level, 0, 8)));
    FLAC__stream_encoder_set_verify(e, options.Verify);
    FLAC__stream_encoder_set_total_samples_estimate(e, frames);
    metadata[0] = FLAC__metadata_object_new(FLAC__METADATA_TYPE_SEEKTABLE);
    metadata[1] = FLAC__metadata_object_new(FLAC__METADATA_TYPE_PADDING);
    if (metadata[0] && metadata[1] && frames > 0 &&
        FLAC__metadata_object_seektable_template_append_spaced_points_by_samples(metadata[0], rate * 10, frames) &&
        FLAC__metadata_object_seektable_template_sort(metadata[0], true)) {
        metadata[1]->length = PaddingBytes;
        FLAC__stream_encoder_set_metadata(e, metadata, 2);
    } else if (metadata[1]) {
        metadata[1]->length = PaddingBytes;
        FLAC__stream_encoder_set_metadata(e, metadata + 1, 1);
    }
    return e;
}

void DeleteEncoder(FLAC__StreamEncoder*& e, FLAC__StreamMetadata* (&metadata)[2]) {
    if (e) {
        FLAC__stream_encoder_delete(e);
        e = nullptr;
    }
    for (FLAC__StreamMetadata*& m : metadata) {
        if (m)
            FLAC__metadata_object_delete(m);
        m = nullptr;
    }
}

QString EncoderError(FLAC__StreamEncoder* e) {
    const FLAC__StreamEncoderState state = FLAC__stream_encoder_get_state(e);
    if (state == FLAC__STREAM_ENCODER_VERIFY_MISMATCH_IN_AUDIO_DATA)
        return QStringLiteral("the encoded audio did not decode to the input (verify failed)");
    if (state == FLAC__STREAM_ENCODER_IO_ERROR)
        return QStringLiteral("the file could not be written (disk full?)");
    return QString::fromLatin1(FLAC__stream_encoder_get_resolved_state_string(e));
}

// Replaces `path` by the finished temporary file.
bool Replace(const QString& temporary, const QString& path, QString& error) {
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) == 0)
        return true;
    error = Named(path, QString::fromLocal8Bit(std::strerror(errno)));
    QFile::remove(temporary);
    return false;
}

// The header and audio data of a WAV file the encoder takes.
struct TWavSource {
    TWaveHeaderInfo Info;
    int64_t DataBytes = 0;
    int BytesPerSample = 0;
};

bool OpenWavSource(const QString& path, TWavSource& source, QString& error) {
    QString reason;
    source.Info = ScanWaveFile(path, &reason);
    const TWaveHeaderInfo& h = source.Info;
    if (!h.Found) {
        error = Named(path, reason.isEmpty() ? QStringLiteral("not a WAV file") : reason);
        return false;
    }
    if (h.WavType != wtPCM && h.WavType != wtExtPCM) {
        error = Named(path, h.WavType == wtIEEEFloat || h.WavType == wtExtIEEEFloat
                                ? QStringLiteral("floating-point samples; FLAC holds integer samples only")
                                : QStringLiteral("compressed samples; FLAC takes integer PCM only"));
        return false;
    }
    if (h.BitsPerSample < 4 || h.BitsPerSample > 32 || h.Channels < 1 || h.Channels > 8 || h.SampleRate < 1 ||
        h.SampleRate > 1048575) {
        error = Named(path, QStringLiteral("%1 channels of %2 bits at %3 Hz; FLAC takes 1 to 8 channels of 4 to 32 "
                                           "bits at up to 1048575 Hz")
                                .arg(h.Channels)
                                .arg(h.BitsPerSample)
                                .arg(h.SampleRate));
        return false;
    }
    source.BytesPerSample = (h.BitsPerSample + 7) / 8;
    const int64_t fileBytes = QFileInfo(path).size();
    // A header written before the size was known (0 or the largest value) means "to the end".
    int64_t bytes = h.DataSize == 0 || h.DataSize == 0xFFFFFFFFu ? fileBytes - h.DataStart : int64_t(h.DataSize);
    bytes = std::min(bytes, fileBytes - h.DataStart);
    const int64_t frameBytes = int64_t(source.BytesPerSample) * h.Channels;
    source.DataBytes = std::max<int64_t>(0, bytes) / frameBytes * frameBytes;
    return true;
}

} // namespace

bool CheckFlacInput(const QString& wav, QString& error) {
    TWavSource source;
    return OpenWavSource(wav, source, error);
}

bool EncodeWavToFlac(const QString& input, const QString& output, const TFlacEncodeOptions& options,
                     const TFlacRunHooks& hooks, QString& error) {
    TWavSource source;
    if (!OpenWavSource(input, source, error))
        return false;
    const TWaveHeaderInfo& h = source.Info;
    QFile in(input);
    if (!in.open(QIODevice::ReadOnly) || !in.seek(h.DataStart)) {
        error = Named(input, in.errorString());
        return false;
    }
    // libFLAC stores whole bytes' worth of bits or fewer; samples of 8k+1..8k+7 valid bits sit
    // in whole bytes and are stored with the bytes' width, losslessly.
    const unsigned bits = unsigned(source.BytesPerSample * 8);
    const int64_t frameBytes = int64_t(source.BytesPerSample) * h.Channels;
    const int64_t frames = source.DataBytes / frameBytes;
    const QString temporary =
        CreateTemporaryBeside(output, QFileInfo(output).fileName(), QStringLiteral(".part"), error);
    if (temporary.isEmpty()) {
        error = Named(output, error);
        return false;
    }
    FLAC__StreamMetadata* metadata[2] = {};
    FLAC__StreamEncoder* encoder = NewEncoder(h.Channels, bits, h.SampleRate, uint64_t(frames), options, metadata);
    const auto fail = [&](const QString& why) {
        if (encoder && FLAC__stream_encoder_get_state(encoder) == FLAC__STREAM_ENCODER_OK)
            FLAC__stream_encoder_finish(encoder);
        DeleteEncoder(encoder, metadata);
        QFile::remove(temporary);
        error = why;
        return false;
    };
    if (!encoder)
        return fail(Named(output, QStringLiteral("out of memory")));
    if (FLAC__stream_encoder_init_file(encoder, QFile::encodeName(temporary).constData(), nullptr, nullptr) !=
        FLAC__STREAM_ENCODER_INIT_STATUS_OK)
        return fail(Named(output, EncoderError(encoder)));
    TPercent percent{hooks};
    percent.Tell(0, frames);
    std::vector<uint8_t> raw(size_t(ChunkFrames * frameBytes));
    std::vector<FLAC__int32> samples;
    for (int64_t done = 0; done < frames;) {
        if (Stopped(hooks))
            return fail(Named(output, QStringLiteral("stopped; nothing was written")));
        const int64_t n = std::min(ChunkFrames, frames - done);
        if (in.read(reinterpret_cast<char*>(raw.data()), n * frameBytes) != n * frameBytes)
            return fail(Named(input, QStringLiteral("could not be read: ") + in.errorString()));
        ToInt32(raw.data(), n * h.Channels, source.BytesPerSample, samples);
        if (!FLAC__stream_encoder_process_interleaved(encoder, samples.data(), unsigned(n)))
            return fail(Named(output, EncoderError(encoder)));
        done += n;
        percent.Tell(done, frames);
    }
    if (!FLAC__stream_encoder_finish(encoder)) {
        const QString why = EncoderError(encoder);
        DeleteEncoder(encoder, metadata);
        QFile::remove(temporary);
        error = Named(output, why);
        return false;
    }
    DeleteEncoder(encoder, metadata);
    return Replace(temporary, output, error);
}

// ---------------------------------------------------------------------------------------------
// Decoding

namespace {

struct TDecodeRun {
    QFile* Out = nullptr;
    unsigned Channels = 0;
    unsigned Bits = 0;
    unsigned Rate = 0;
    uint64_t Total = 0;
    uint64_t Written = 0;
    bool HaveInfo = false;
    bool WriteFailed = false;
    QString DecodeError;
    std::vector<uint8_t> Buffer;
    TPercent* Percent = nullptr;
    const TFlacRunHooks* Hooks = nullptr;

    int ContainerBytes() const { return int((Bits + 7) / 8); }
};

FLAC__StreamDecoderWriteStatus OnDecoded(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                         const FLAC__int32* const buffer[], void* client) {
    auto& run = *static_cast<TDecodeRun*>(client);
    if (!run.HaveInfo || frame->header.channels != run.Channels || frame->header.bits_per_sample != run.Bits ||
        Stopped(*run.Hooks))
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    const int bytes = run.ContainerBytes();
    // Bits that do not fill whole bytes are placed at the top of the container, as WAV has it.
    const int shift = bytes * 8 - int(run.Bits);
    const unsigned n = frame->header.blocksize;
    run.Buffer.resize(size_t(n) * run.Channels * size_t(bytes));
    uint8_t* p = run.Buffer.data();
    for (unsigned i = 0; i < n; ++i) {
        for (unsigned c = 0; c < run.Channels; ++c) {
            const uint32_t v = uint32_t(buffer[c][i]) << shift;
            if (bytes == 1) {
                *p++ = uint8_t(v + 128);
            } else {
                for (int b = 0; b < bytes; ++b)
                    *p++ = uint8_t(v >> (8 * b));
            }
        }
    }
    if (run.Out->write(reinterpret_cast<const char*>(run.Buffer.data()), qint64(run.Buffer.size())) !=
        qint64(run.Buffer.size())) {
        run.WriteFailed = true;
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    run.Written += n;
    run.Percent->Tell(int64_t(run.Written), int64_t(std::max<uint64_t>(run.Total, 1)));
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void OnDecodedMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* client) {
    if (metadata->type != FLAC__METADATA_TYPE_STREAMINFO)
        return;
    auto& run = *static_cast<TDecodeRun*>(client);
    const FLAC__StreamMetadata_StreamInfo& info = metadata->data.stream_info;
    run.Channels = info.channels;
    run.Bits = info.bits_per_sample;
    run.Rate = info.sample_rate;
    run.Total = info.total_samples;
    run.HaveInfo = true;
}

void OnDecodeError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* client) {
    auto& run = *static_cast<TDecodeRun*>(client);
    if (run.DecodeError.isEmpty())
        run.DecodeError = QString::fromLatin1(FLAC__StreamDecoderErrorStatusString[status]);
}

QByteArray HeaderFor(const TDecodeRun& run, uint64_t dataBytes) {
    const int bits = run.ContainerBytes() * 8;
    const auto size = uint32_t(std::min<uint64_t>(dataBytes, 0xFFFFFFFFu - 60));
    if (run.Channels <= 2 && bits <= 16)
        return MakePcmHeader(int(run.Channels), int(run.Rate), bits, size);
    return MakeExtensiblePcmHeader(int(run.Channels), int(run.Rate), bits, size);
}

} // namespace

bool DecodeFlacToWav(const QString& input, const QString& output, const TFlacRunHooks& hooks, QString& error) {
    {
        QFile probe(input);
        if (!probe.open(QIODevice::ReadOnly)) {
            error = Named(input, probe.errorString());
            return false;
        }
        QByteArray head = probe.read(4);
        // An ID3v2 tag in front of the stream is allowed by libFLAC; skip it to find the marker.
        if (head.startsWith("ID3")) {
            const QByteArray id3 = head + probe.read(6);
            if (id3.size() == 10) {
                const auto b = [&](int i) { return qint64(uchar(id3[i]) & 0x7F); };
                probe.seek(10 + (b(6) << 21 | b(7) << 14 | b(8) << 7 | b(9)));
                head = probe.read(4);
            }
        }
        if (head != "fLaC") {
            error = Named(input, QStringLiteral("not a FLAC file"));
            return false;
        }
    }
    const QString temporary =
        CreateTemporaryBeside(output, QFileInfo(output).fileName(), QStringLiteral(".part"), error);
    if (temporary.isEmpty()) {
        error = Named(output, error);
        return false;
    }
    QFile out(temporary);
    TPercent percent{hooks};
    TDecodeRun run;
    run.Out = &out;
    run.Percent = &percent;
    run.Hooks = &hooks;
    FLAC__StreamDecoder* decoder = FLAC__stream_decoder_new();
    const auto fail = [&](const QString& why) {
        if (decoder) {
            FLAC__stream_decoder_finish(decoder);
            FLAC__stream_decoder_delete(decoder);
        }
        out.close();
        QFile::remove(temporary);
        error = why;
        return false;
    };
    if (!decoder || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(Named(output, out.errorString()));
    FLAC__stream_decoder_set_md5_checking(decoder, true);
    if (FLAC__stream_decoder_init_file(decoder, QFile::encodeName(input).constData(), OnDecoded, OnDecodedMetadata,
                                       OnDecodeError, &run) != FLAC__STREAM_DECODER_INIT_STATUS_OK)
        return fail(Named(input, QStringLiteral("could not be opened")));
    if (!FLAC__stream_decoder_process_until_end_of_metadata(decoder) || !run.HaveInfo)
        return fail(Named(input, QStringLiteral("not a FLAC file (no stream information)")));
    if (run.Channels < 1 || run.Channels > 8 || run.Bits > 32 || run.Rate == 0)
        return fail(Named(
            input,
            QStringLiteral("a stream of %1 channels of %2 bits cannot be a WAV file").arg(run.Channels).arg(run.Bits)));
    const QByteArray placeholder = HeaderFor(run, 0);
    if (out.write(placeholder) != placeholder.size())
        return fail(Named(output, out.errorString()));
    percent.Tell(0, 1);
    const bool decoded = FLAC__stream_decoder_process_until_end_of_stream(decoder);
    if (run.WriteFailed)
        return fail(Named(output, QStringLiteral("could not be written (disk full?)")));
    if (Stopped(hooks))
        return fail(Named(output, QStringLiteral("stopped; nothing was written")));
    if (!decoded || !run.DecodeError.isEmpty())
        return fail(Named(input, QStringLiteral("damaged (") +
                                     (run.DecodeError.isEmpty()
                                          ? QString::fromLatin1(FLAC__stream_decoder_get_resolved_state_string(decoder))
                                          : run.DecodeError) +
                                     ')'));
    if (run.Total > 0 && run.Written < run.Total)
        return fail(Named(input, QStringLiteral("cut short: %1 of %2 samples").arg(run.Written).arg(run.Total)));
    // finish() compares the MD5 of what was decoded with the one the file holds.
    const bool md5 = FLAC__stream_decoder_finish(decoder);
    FLAC__stream_decoder_delete(decoder);
    decoder = nullptr;
    if (!md5)
        return fail(Named(input, QStringLiteral("damaged: the decoded audio does not match its MD5 signature")));
    const uint64_t dataBytes = run.Written * run.Channels * uint64_t(run.ContainerBytes());
    if (dataBytes > 0xFFFFFFFFu - 60)
        return fail(Named(output, QStringLiteral("the audio is too long for a WAV file")));
    const QByteArray header = HeaderFor(run, dataBytes);
    if (!out.seek(0) || out.write(header) != header.size() || !out.flush())
        return fail(Named(output, out.errorString()));
    out.close();
    percent.Tell(1, 1);
    return Replace(temporary, output, error);
}

// ---------------------------------------------------------------------------------------------
// The CD audio writer

TFlacCdWriter::~TFlacCdWriter() {
    Cancel();
}

bool TFlacCdWriter::Open(const QString& path, int64_t frames, const TFlacEncodeOptions& options) {
    Cancel();
    Path = path;
    Temporary = CreateTemporaryBeside(path, QFileInfo(path).fileName(), QStringLiteral(".part"), Error);
    if (Temporary.isEmpty()) {
        Error = Named(path, Error);
        return false;
    }
    Encoder = NewEncoder(2, 16, 44100, uint64_t(frames), options, Metadata);
    if (!Encoder || FLAC__stream_encoder_init_file(Encoder, QFile::encodeName(Temporary).constData(), nullptr,
                                                   nullptr) != FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
        Error = Named(path, Encoder ? EncoderError(Encoder) : QStringLiteral("out of memory"));
        Cancel();
        return false;
    }
    return true;
}

bool TFlacCdWriter::Write(const uint8_t* data, size_t bytes) {
    std::vector<FLAC__int32> samples;
    ToInt32(data, int64_t(bytes / 2), 2, samples);
    if (!FLAC__stream_encoder_process_interleaved(Encoder, samples.data(), unsigned(bytes / 4))) {
        Error = Named(Path, EncoderError(Encoder));
        return false;
    }
    return true;
}

bool TFlacCdWriter::Commit() {
    if (!FLAC__stream_encoder_finish(Encoder)) {
        Error = Named(Path, EncoderError(Encoder));
        Cancel();
        return false;
    }
    DeleteEncoder(Encoder, Metadata);
    const QString temporary = Temporary;
    Temporary.clear();
    return Replace(temporary, Path, Error);
}

void TFlacCdWriter::Cancel() {
    if (Encoder && FLAC__stream_encoder_get_state(Encoder) == FLAC__STREAM_ENCODER_OK)
        FLAC__stream_encoder_finish(Encoder);
    DeleteEncoder(Encoder, Metadata);
    if (!Temporary.isEmpty())
        QFile::remove(Temporary);
    Temporary.clear();
}

// ---------------------------------------------------------------------------------------------
// The stream reader

namespace {

FLAC__StreamDecoderReadStatus ReaderRead(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes, void* client) {
    auto& r = *static_cast<TFlacStreamReader*>(client);
    const int64_t got = *bytes > 0 ? r.Stream->Read(buffer, int64_t(*bytes)) : 0;
    *bytes = size_t(std::max<int64_t>(0, got));
    return got > 0 ? FLAC__STREAM_DECODER_READ_STATUS_CONTINUE : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
}

FLAC__StreamDecoderSeekStatus ReaderSeek(const FLAC__StreamDecoder*, FLAC__uint64 offset, void* client) {
    auto& r = *static_cast<TFlacStreamReader*>(client);
    return r.Stream->Seek(int64_t(offset)) == int64_t(offset) ? FLAC__STREAM_DECODER_SEEK_STATUS_OK
                                                              : FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
}

FLAC__StreamDecoderTellStatus ReaderTell(const FLAC__StreamDecoder*, FLAC__uint64* offset, void* client) {
    *offset = FLAC__uint64(static_cast<TFlacStreamReader*>(client)->Stream->Position());
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
}

FLAC__StreamDecoderLengthStatus ReaderLength(const FLAC__StreamDecoder*, FLAC__uint64* length, void* client) {
    *length = FLAC__uint64(static_cast<TFlacStreamReader*>(client)->Stream->Size());
    return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
}

FLAC__bool ReaderEof(const FLAC__StreamDecoder*, void* client) {
    TAuStream& s = *static_cast<TFlacStreamReader*>(client)->Stream;
    return s.Position() >= s.Size();
}

FLAC__StreamDecoderWriteStatus ReaderWrite(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                           const FLAC__int32* const buffer[], void* client) {
    auto& r = *static_cast<TFlacStreamReader*>(client);
    if (int(frame->header.channels) != r.Channels || int(frame->header.bits_per_sample) != r.StreamBits)
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    const int bytes = r.BitsPerSample / 8;
    const int shift = r.BitsPerSample - r.StreamBits;
    const unsigned n = frame->header.blocksize;
    // What was not handed out yet moves to the front.
    r.Pending.erase(r.Pending.begin(), r.Pending.begin() + ptrdiff_t(r.PendingAt));
    r.PendingAt = 0;
    size_t at = r.Pending.size();
    r.Pending.resize(at + size_t(n) * size_t(r.Channels) * size_t(bytes));
    uint8_t* p = r.Pending.data() + at;
    for (unsigned i = 0; i < n; ++i)
        for (int c = 0; c < r.Channels; ++c) {
            const uint32_t v = uint32_t(buffer[c][i]) << shift;
            if (bytes == 1) {
                *p++ = uint8_t(v + 128);
            } else {
                for (int b = 0; b < bytes; ++b)
                    *p++ = uint8_t(v >> (8 * b));
            }
        }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void ReaderMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* client) {
    if (metadata->type != FLAC__METADATA_TYPE_STREAMINFO)
        return;
    auto& r = *static_cast<TFlacStreamReader*>(client);
    const FLAC__StreamMetadata_StreamInfo& info = metadata->data.stream_info;
    r.Channels = int(info.channels);
    r.SampleRate = int(info.sample_rate);
    r.StreamBits = int(info.bits_per_sample);
    r.BitsPerSample = (r.StreamBits + 7) / 8 * 8;
    r.TotalFrames = int64_t(info.total_samples);
}

void ReaderError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* client) {
    auto& r = *static_cast<TFlacStreamReader*>(client);
    if (r.Error.isEmpty())
        r.Error = QStringLiteral("damaged (") + QString::fromLatin1(FLAC__StreamDecoderErrorStatusString[status]) + ')';
}

} // namespace

TFlacStreamReader::~TFlacStreamReader() {
    if (Decoder) {
        FLAC__stream_decoder_finish(Decoder);
        FLAC__stream_decoder_delete(Decoder);
    }
}

bool TFlacStreamReader::LooksLikeFlac(const QByteArray& head) {
    if (head.startsWith("fLaC"))
        return true;
    // libFLAC skips an ID3v2 tag in front of the stream itself; only its presence counts here.
    return head.size() >= 10 && head.startsWith("ID3") && uchar(head[3]) < 5;
}

bool TFlacStreamReader::Open(TAuStream& stream) {
    Stream = &stream;
    Decoder = FLAC__stream_decoder_new();
    if (!Decoder)
        return false;
    Stream->SetPosition(0);
    if (FLAC__stream_decoder_init_stream(Decoder, ReaderRead, ReaderSeek, ReaderTell, ReaderLength, ReaderEof,
                                         ReaderWrite, ReaderMetadata, ReaderError,
                                         this) != FLAC__STREAM_DECODER_INIT_STATUS_OK ||
        !FLAC__stream_decoder_process_until_end_of_metadata(Decoder) || Channels < 1 || Channels > 8 ||
        SampleRate < 1 || StreamBits < 4 || StreamBits > 32) {
        Error = QStringLiteral("not a FLAC file");
        return false;
    }
    return true;
}

int64_t TFlacStreamReader::Read(void* buffer, int64_t bytes) {
    const int64_t frame = int64_t(Channels) * (BitsPerSample / 8);
    bytes -= bytes % frame;
    while (int64_t(Pending.size() - PendingAt) < bytes && Error.isEmpty()) {
        const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(Decoder);
        if (state == FLAC__STREAM_DECODER_END_OF_STREAM || state == FLAC__STREAM_DECODER_ABORTED)
            break;
        if (!FLAC__stream_decoder_process_single(Decoder)) {
            if (Error.isEmpty())
                Error = QStringLiteral("damaged (") +
                        QString::fromLatin1(FLAC__stream_decoder_get_resolved_state_string(Decoder)) + ')';
            break;
        }
    }
    const int64_t n = std::min<int64_t>(bytes, int64_t(Pending.size() - PendingAt));
    std::memcpy(buffer, Pending.data() + PendingAt, size_t(n));
    PendingAt += size_t(n);
    return n;
}

bool TFlacStreamReader::Seek(int64_t frame) {
    Pending.clear();
    PendingAt = 0;
    if (frame < 0 || (TotalFrames > 0 && frame > TotalFrames))
        return false;
    if (FLAC__stream_decoder_seek_absolute(Decoder, FLAC__uint64(frame)))
        return true;
    // A failed seek leaves the decoder to be flushed before it reads on.
    FLAC__stream_decoder_flush(Decoder);
    return false;
}
