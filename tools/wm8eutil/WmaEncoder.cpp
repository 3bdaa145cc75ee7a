// WAV to WMA v2 with libavformat, libavcodec and libswresample (see WmaEncoder.h).
#include "WmaEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/SameFile.h"

namespace {

std::string AvErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return text;
}

void Check(int rc, const std::string& what) {
    if (rc < 0)
        throw EWmaEncode(what + ": " + AvErrorText(rc));
}

struct TInputCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct TOutputCloser {
    void operator()(AVFormatContext* c) const {
        if (c->pb)
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
struct TCodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct TSwrCloser {
    void operator()(SwrContext* c) const { swr_free(&c); }
};
struct TFifoCloser {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
struct TFrameCloser {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct TPacketCloser {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

using TInput = std::unique_ptr<AVFormatContext, TInputCloser>;
using TOutput = std::unique_ptr<AVFormatContext, TOutputCloser>;
using TCodec = std::unique_ptr<AVCodecContext, TCodecCloser>;
using TFrame = std::unique_ptr<AVFrame, TFrameCloser>;
using TPacket = std::unique_ptr<AVPacket, TPacketCloser>;

// FFmpeg reads a name as a URL: "take:1.wav" would be protocol "take". The names given to the
// tool are always plain files, so they go to the file protocol explicitly.
std::string FileUrl(const std::string& path) {
    return "file:" + path;
}

// Lets a blocked read or write give up once the job has been interrupted.
int InterruptRequested(void* job) {
    const TWmaJob* j = static_cast<const TWmaJob*>(job);
    return j->Interrupted && j->Interrupted() ? 1 : 0;
}

void CheckInterrupt(const TWmaJob& job) {
    if (job.Interrupted && job.Interrupted())
        throw EWmaEncode("interrupted");
}

// ASF packets hold whole payloads of block_align bytes plus 17 bytes of payload header after a
// 12-byte packet header. A packet size that is an exact multiple of that wastes nothing on
// padding; aim near the muxer's default of 3200 bytes.
int PacketSizeFor(int blockAlign) {
    const int payload = blockAlign + 17;
    const int count = std::max(1, (3200 - 12) / payload);
    return std::clamp(12 + count * payload, 100, 65536);
}

class TEncoder {
public:
    explicit TEncoder(const TWmaJob& job) : Job(job) {}
    void Run();
    // Closes the output after a failure; true when it had been opened (and so truncated).
    bool Abandon() {
        Output.reset();
        return OutputOpened;
    }

private:
    void OpenInput();
    void OpenEncoder();
    void OpenOutput();
    void Convert(const AVFrame* in);
    void EncodeFromFifo(bool flush);
    void SendToEncoder(const AVFrame* frame);
    void Report(int percent);

    const TWmaJob& Job;
    TInput Input;
    int StreamIndex = -1;
    TCodec Decoder;
    TCodec Encoder;
    TOutput Output;
    AVStream* OutStream = nullptr;
    std::unique_ptr<SwrContext, TSwrCloser> Resampler;
    std::unique_ptr<AVAudioFifo, TFifoCloser> Fifo;
    int64_t NextPts = 0;
    int LastPercent = -1;
    bool OutputOpened = false;
};

void TEncoder::OpenInput() {
    AVFormatContext* ic = avformat_alloc_context();
    if (!ic)
        throw EWmaEncode("out of memory");
    ic->interrupt_callback = AVIOInterruptCB{InterruptRequested, const_cast<TWmaJob*>(&Job)};
    // Forcing the WAV demuxer: anything else is refused instead of being guessed at.
    // On failure the context is freed by the call itself.
    const int rc = avformat_open_input(&ic, FileUrl(Job.InputFile).c_str(), av_find_input_format("wav"), nullptr);
    if (rc >= 0)
        Input.reset(ic);
    CheckInterrupt(Job);
    if (rc == AVERROR(ENOENT) || rc == AVERROR(EACCES) || rc == AVERROR(EISDIR))
        throw EWmaEncode("cannot open input file " + Job.InputFile + ": " + AvErrorText(rc));
    if (rc < 0)
        throw EWmaEncode("not a WAV file: " + Job.InputFile);
    StreamIndex = av_find_best_stream(ic, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (StreamIndex < 0)
        throw EWmaEncode("not a WAV file: " + Job.InputFile);
    const AVCodecParameters* par = ic->streams[StreamIndex]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec)
        throw EWmaEncode("unsupported WAV encoding in " + Job.InputFile);
    Decoder.reset(avcodec_alloc_context3(codec));
    Check(avcodec_parameters_to_context(Decoder.get(), par), "reading the WAV format");
    if (Decoder->sample_rate <= 0 || Decoder->ch_layout.nb_channels <= 0)
        throw EWmaEncode("bad WAV format in " + Job.InputFile);
    Check(avcodec_open2(Decoder.get(), codec, nullptr), "opening the WAV decoder");
}

void TEncoder::OpenEncoder() {
    const AVCodec* codec = avcodec_find_encoder_by_name("wmav2");
    if (!codec)
        throw EWmaEncode("this FFmpeg has no WMA v2 encoder");
    Encoder.reset(avcodec_alloc_context3(codec));
    Encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
    Encoder->sample_rate = Job.Target.SampleRate;
    av_channel_layout_default(&Encoder->ch_layout, Job.Target.Channels);
    Encoder->bit_rate = int64_t(std::max(Job.Target.BitRateKbps, WmaMinimumKbps)) * 1000;
    Encoder->time_base = AVRational{1, Job.Target.SampleRate};
    Check(avcodec_open2(Encoder.get(), codec, nullptr), "opening the WMA encoder");
    Fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, Job.Target.Channels, std::max(Encoder->frame_size, 1) * 4));
    if (!Fifo)
        throw EWmaEncode("out of memory");

    AVChannelLayout inLayout{};
    if (Decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&inLayout, Decoder->ch_layout.nb_channels);
    else
        Check(av_channel_layout_copy(&inLayout, &Decoder->ch_layout), "channel layout");
    SwrContext* swr = nullptr;
    const int rc = swr_alloc_set_opts2(&swr, &Encoder->ch_layout, AV_SAMPLE_FMT_FLTP, Job.Target.SampleRate, &inLayout,
                                       Decoder->sample_fmt, Decoder->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    Check(rc, "setting up the resampler");
    Resampler.reset(swr);
    // Float output is not limited, and a downmix adds channels up (5.1 to stereo: front +
    // 0.7 centre + 0.7 surround), which the encoder would clip; scaled as FFmpeg scales its
    // downmixes to integer formats, the sum stays within full scale.
    Check(av_opt_set_double(swr, "rematrix_maxval", 1.0, 0), "setting up the resampler");
    Check(swr_init(swr), "setting up the resampler");
}

void TEncoder::OpenOutput() {
    AVFormatContext* oc = nullptr;
    Check(avformat_alloc_output_context2(&oc, nullptr, "asf", Job.OutputFile.c_str()), "creating the ASF muxer");
    Output.reset(oc);
    OutStream = avformat_new_stream(oc, nullptr);
    if (!OutStream)
        throw EWmaEncode("out of memory");
    Check(avcodec_parameters_from_context(OutStream->codecpar, Encoder.get()), "stream parameters");
    OutStream->time_base = Encoder->time_base;
    if (!Job.Author.empty())
        av_dict_set(&oc->metadata, "artist", Job.Author.c_str(), 0);
    if (!Job.Description.empty())
        av_dict_set(&oc->metadata, "comment", Job.Description.c_str(), 0);
    for (const auto& [name, value] : Job.Metadata)
        if (!name.empty() && !value.empty())
            av_dict_set(&oc->metadata, name.c_str(), value.c_str(), 0);
    oc->interrupt_callback = AVIOInterruptCB{InterruptRequested, const_cast<TWmaJob*>(&Job)};
    const int rc =
        avio_open2(&oc->pb, FileUrl(Job.OutputFile).c_str(), AVIO_FLAG_WRITE, &oc->interrupt_callback, nullptr);
    if (rc < 0)
        throw EWmaEncode("cannot write output file " + Job.OutputFile + ": " + AvErrorText(rc));
    OutputOpened = true;
    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "packet_size", PacketSizeFor(Encoder->block_align), 0);
    const int header = avformat_write_header(oc, &options);
    av_dict_free(&options);
    Check(header, "writing the ASF header");
}

void TEncoder::Convert(const AVFrame* in) {
    const int capacity = swr_get_out_samples(Resampler.get(), in ? in->nb_samples : 0);
    if (capacity <= 0)
        return;
    uint8_t** planes = nullptr;
    Check(av_samples_alloc_array_and_samples(&planes, nullptr, Job.Target.Channels, capacity, AV_SAMPLE_FMT_FLTP, 0),
          "out of memory");
    const int produced =
        swr_convert(Resampler.get(), planes, capacity, in ? const_cast<const uint8_t**>(in->extended_data) : nullptr,
                    in ? in->nb_samples : 0);
    int rc = produced;
    if (produced > 0)
        rc = av_audio_fifo_write(Fifo.get(), reinterpret_cast<void**>(planes), produced);
    av_freep(&planes[0]);
    av_freep(&planes);
    Check(rc, "resampling");
}

void TEncoder::SendToEncoder(const AVFrame* frame) {
    Check(avcodec_send_frame(Encoder.get(), frame), "encoding");
    TPacket packet(av_packet_alloc());
    while (true) {
        const int rc = avcodec_receive_packet(Encoder.get(), packet.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return;
        Check(rc, "encoding");
        av_packet_rescale_ts(packet.get(), Encoder->time_base, OutStream->time_base);
        packet->stream_index = OutStream->index;
        Check(av_interleaved_write_frame(Output.get(), packet.get()), "writing the output file");
    }
}

void TEncoder::EncodeFromFifo(bool flush) {
    const int frameSize = Encoder->frame_size;
    while (av_audio_fifo_size(Fifo.get()) >= frameSize || (flush && av_audio_fifo_size(Fifo.get()) > 0)) {
        const int count = std::min(frameSize, av_audio_fifo_size(Fifo.get()));
        TFrame frame(av_frame_alloc());
        frame->nb_samples = count;
        frame->format = AV_SAMPLE_FMT_FLTP;
        frame->sample_rate = Job.Target.SampleRate;
        Check(av_channel_layout_copy(&frame->ch_layout, &Encoder->ch_layout), "channel layout");
        Check(av_frame_get_buffer(frame.get(), 0), "out of memory");
        if (av_audio_fifo_read(Fifo.get(), reinterpret_cast<void**>(frame->data), count) < count)
            throw EWmaEncode("resampling");
        frame->pts = NextPts;
        NextPts += count;
        SendToEncoder(frame.get());
    }
}

void TEncoder::Report(int percent) {
    if (percent <= LastPercent)
        return;
    LastPercent = percent;
    if (Job.OnProgress)
        Job.OnProgress(percent);
}

void TEncoder::Run() {
    OpenInput();
    if (IsSameFile(Job.InputFile.c_str(), Job.OutputFile.c_str()))
        throw EWmaEncode("the output file is the input file: " + Job.OutputFile);
    OpenEncoder();
    OpenOutput();

    const int64_t inputSize = avio_size(Input->pb);
    TPacket packet(av_packet_alloc());
    TFrame decoded(av_frame_alloc());
    auto drainDecoder = [&] {
        while (true) {
            const int rc = avcodec_receive_frame(Decoder.get(), decoded.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                return;
            Check(rc, "decoding the WAV data");
            Convert(decoded.get());
            av_frame_unref(decoded.get());
            EncodeFromFifo(false);
        }
    };
    while (true) {
        const int rc = av_read_frame(Input.get(), packet.get());
        CheckInterrupt(Job);
        if (rc == AVERROR_EOF)
            break;
        Check(rc, "reading the input file");
        if (packet->stream_index == StreamIndex) {
            Check(avcodec_send_packet(Decoder.get(), packet.get()), "decoding the WAV data");
            drainDecoder();
        }
        av_packet_unref(packet.get());
        if (inputSize > 0)
            Report(static_cast<int>(std::min<int64_t>(99, avio_tell(Input->pb) * 100 / inputSize)));
    }
    Check(avcodec_send_packet(Decoder.get(), nullptr), "decoding the WAV data");
    drainDecoder();
    Convert(nullptr);
    EncodeFromFifo(true);
    SendToEncoder(nullptr);
    Check(av_write_trailer(Output.get()), "writing the output file");
    Check(avio_closep(&Output->pb), "writing the output file");
    CheckInterrupt(Job);
    Report(100);
}

} // namespace

TWmaTarget ParseWmaSetting(const std::string& setting) {
    int b = 0, r = 0, c = 0;
    char tail = 0;
    if (std::sscanf(setting.c_str(), "%d_%d_%d%c", &b, &r, &c, &tail) != 3 || b <= 0 || (c != 1 && c != 2))
        throw EWmaEncode("bad setting '" + setting + "' (expected BITRATE_RATE_CHANNELS, e.g. 64_44_2)");
    static const std::pair<int, int> rates[] = {{48, 48000}, {44, 44100}, {32, 32000}, {22, 22050},
                                                {16, 16000}, {11, 11025}, {8, 8000}};
    for (const auto& [code, rate] : rates)
        if (code == r)
            return TWmaTarget{b, rate, c};
    throw EWmaEncode("bad setting '" + setting + "' (unknown sample rate " + std::to_string(r) + ")");
}

void EncodeWma(const TWmaJob& job) {
    // The libraries' chatter would mix with the progress lines; the reason of a failure is reported by the tool itself.
    av_log_set_level(AV_LOG_QUIET);
    TEncoder encoder(job);
    try {
        encoder.Run();
    } catch (...) {
        // A half-written file is of no use. A file that was never opened (bad input, bad
        // setting) is left as it was.
        if (encoder.Abandon())
            std::remove(job.OutputFile.c_str());
        throw;
    }
}
