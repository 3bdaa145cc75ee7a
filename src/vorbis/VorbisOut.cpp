// TVorbisOut: Ogg Vorbis encoding on the sink's worker thread (see VorbisOut.h).
#include "vorbis/VorbisOut.h"

#include "audio/AuException.h"
#include "audio/AuInput.h"
#include "tags/Id3Tag.h"
#include "vorbis/VorbisChannelOrder.h"

#include <QtEndian>

#include <cstring>
#include <set>

namespace {

const int32_t BitsPerSecond[] = {-1,     24000,  32000,  45000,  48000,  56000,  64000,  80000,  96000,
                                 112000, 128000, 144000, 160000, 192000, 224000, 256000, 320000, 499000};

// The options dialog's Ogg bitrate lists after their " Default" item.
const TVorbisBitRate ListBitRates[] = {bitrate45,  bitrate48,  bitrate56,  bitrate64,  bitrate80,
                                       bitrate96,  bitrate112, bitrate128, bitrate144, bitrate160,
                                       bitrate192, bitrate224, bitrate256, bitrate320};

// De-interleaves `frames` frames of `channels` samples into the analysis buffer. Each sample
// format gets its own loop so the conversion inlines.
template <class TSample> void DeinterleaveAs(const uint8_t* in, float** out, int channels, int frames, TSample sample) {
    const int step = channels * TSample::Bytes;
    if (channels == 2) {
        float* left = out[0];
        float* right = out[1];
        for (int i = 0; i < frames; ++i, in += step) {
            left[i] = sample(in);
            right[i] = sample(in + TSample::Bytes);
        }
        return;
    }
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c, in += TSample::Bytes)
            out[c][i] = sample(in);
}

struct TSample8 {
    static constexpr int Bytes = 1;
    float operator()(const uint8_t* p) const { return float(int(*p) - 128) / 128.0f; }
};
struct TSample16 {
    static constexpr int Bytes = 2;
    float operator()(const uint8_t* p) const { return float(qFromLittleEndian<int16_t>(p)) / 32768.0f; }
};
struct TSample24 {
    static constexpr int Bytes = 3;
    float operator()(const uint8_t* p) const {
        const int32_t v =
            int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | (p[2] & 0x80 ? 0xFF000000u : 0));
        return float(v) / 8388608.0f;
    }
};
struct TSample32 {
    static constexpr int Bytes = 4;
    float operator()(const uint8_t* p) const { return float(double(qFromLittleEndian<int32_t>(p)) / 2147483648.0); }
};

// What the Ogg data already in a file appended to holds: the serial numbers its pages use and
// the format of its last logical stream (from that stream's identification header).
struct TExistingOgg {
    bool IsOgg = false;
    std::set<int32_t> Serials;
    int LastChannels = 0;
    int LastRate = 0;
};

TExistingOgg ScanExistingOgg(TAuStream& stream) {
    TExistingOgg found;
    int64_t at = 0;
    uint8_t header[27 + 255];
    uint8_t ident[16];
    try {
        for (;;) {
            stream.Seek(at, SEEK_SET);
            if (stream.Read(header, 27) != 27 || memcmp(header, "OggS", 4) != 0)
                break;
            const int segments = header[26];
            if (stream.Read(header + 27, segments) != segments)
                break;
            int64_t body = 0;
            for (int i = 0; i < segments; ++i)
                body += header[27 + i];
            found.IsOgg = true;
            found.Serials.insert(qFromLittleEndian<int32_t>(header + 14));
            // The first page of a stream starts with its identification header.
            if ((header[5] & 0x02) && body >= 16 && stream.Read(ident, 16) == 16 && ident[0] == 1 &&
                memcmp(ident + 1, "vorbis", 6) == 0) {
                found.LastChannels = ident[11];
                found.LastRate = qFromLittleEndian<int32_t>(ident + 12);
            }
            at += 27 + segments + body;
        }
    } catch (const std::exception&) {
        // A destination that cannot be read back (an attached write-only stream) is taken as it is.
        found.IsOgg = true;
    }
    return found;
}

// `wanted`, or the next number after it that no page of the existing data uses. Chained
// logical streams need distinct serial numbers: with a repeated one, decoders take the
// appended stream for misplaced pages of the first and stop there.
int32_t FreeSerialAfter(const TExistingOgg& existing, int32_t wanted) {
    int32_t serial = wanted;
    while (existing.Serials.count(serial))
        serial = int32_t(uint32_t(serial) + 1);
    return serial;
}

} // namespace

int32_t BitrateToInt(TVorbisBitRate rate) {
    const int ordinal = int(rate) % 128;
    return ordinal >= 0 && ordinal <= int(bitrate499) ? BitsPerSecond[ordinal] : -1;
}

std::optional<TVorbisBitRate> BitrateFromKbps(int32_t kbps) {
    for (int v = bitrate24; v <= bitrate499; ++v)
        if (BitsPerSecond[v] == kbps * 1000)
            return TVorbisBitRate(v);
    return std::nullopt;
}

TVorbisBitRate BitrateOfListPosition(int32_t position) {
    if (position < 1 || position > int32_t(std::size(ListBitRates)))
        return brAutoSelect;
    return ListBitRates[position - 1];
}

TVorbisOut::TVorbisOut(QObject* owner) : TAuFileOut(owner) {}

TVorbisOut::~TVorbisOut() {
    Shutdown();
}

void TVorbisOut::SetComments(const TAuTags& source) {
    CommentTags.Assign(source);
}

void TVorbisOut::SetDesiredNominalBitrate(TVorbisBitRate value) {
    Nominal = value;
    if (value < Minimum)
        Minimum = value;
    if (Maximum < value)
        Maximum = value;
    if (value == brAutoSelect)
        Maximum = brAutoSelect;
}

void TVorbisOut::SetDesiredMaximumBitrate(TVorbisBitRate value) {
    if (Nominal == brAutoSelect)
        return;
    if (value == brAutoSelect || value >= Nominal)
        Maximum = value;
}

void TVorbisOut::SetMinimumBitrate(TVorbisBitRate value) {
    if (value <= Nominal)
        Minimum = value;
}

void TVorbisOut::Deinterleave(const uint8_t* in, float** out, int channels, int frames, int bits) {
    switch (bits) {
    case 8:
        DeinterleaveAs(in, out, channels, frames, TSample8());
        break;
    case 16:
        DeinterleaveAs(in, out, channels, frames, TSample16());
        break;
    case 32:
        DeinterleaveAs(in, out, channels, frames, TSample32());
        break;
    default:
        DeinterleaveAs(in, out, channels, frames, TSample24());
        break;
    }
}

void TVorbisOut::BeginOutput() {
    const QString missing = BindVorbisLibraries();
    if (!missing.isEmpty())
        throw EAuException(missing);
    EndOfStream = false;
    LastBlock = nullptr;

    // The input and the encoder settings are checked before the destination is created, so
    // a refused run leaves no empty file behind (nor truncates an existing one).
    TAuInput* input = Input();
    input->BeginReading();
    Channels = input->GetChannels();
    BitsPerSample = input->GetBitsPerSample();
    const int rate = input->GetSampleRate();
    // The analysis buffer has one array per channel; our table holds MaxChannels of them.
    if (Channels < 1 || Channels > MaxChannels)
        throw EAuException(
            QStringLiteral("Ogg Vorbis encoding takes 1 to %1 channels, not %2.").arg(MaxChannels).arg(Channels));
    if (BitsPerSample != 8 && BitsPerSample != 16 && BitsPerSample != 24 && BitsPerSample != 32)
        throw EAuException(
            QStringLiteral("Ogg Vorbis encoding takes 8, 16, 24 or 32 bits per sample, not %1.").arg(BitsPerSample));
    if (rate < 1)
        throw EAuException(QStringLiteral("Ogg Vorbis encoding needs a sample rate, not %1.").arg(rate));
    SetUpEncoder(Channels, rate);

    OpenDestination();
    int32_t serial = Serial;
    if (Mode == foAppend && Stream->Size() > 0) {
        // A stream of another format behind the old one would be decoded as the old format.
        const TExistingOgg existing = ScanExistingOgg(*Stream);
        if (!existing.IsOgg)
            throw EAuException(QStringLiteral("Cannot append data to this .ogg file."));
        if (existing.LastChannels != 0 && (existing.LastChannels != Channels || existing.LastRate != rate))
            throw EAuException(QStringLiteral("Cannot append data in different audio format."));
        serial = FreeSerialAfter(existing, Serial);
        Stream->Seek(0, SEEK_END);
    }
    WriteHeaders(serial);
}

void TVorbisOut::SetUpEncoder(int channels, int rate) {
    VorbisLib::vorbis_info_init(&Info);
    InfoReady = true;
    if (Nominal == brAutoSelect) {
        // Quality mode: an unusable quality or format is refused here rather than left to
        // fail inside the analysis.
        const int setup = VorbisLib::vorbis_encode_setup_vbr(&Info, channels, rate, Compression);
        if (setup != 0 || VorbisLib::vorbis_encode_setup_init(&Info) != 0)
            throw EAuException(QStringLiteral("Vorbis codec setup with the requested quality failed."));
    } else {
        const long nominal = BitrateToInt(Nominal);
        const long maximum = BitrateToInt(Maximum);
        long minimum = BitrateToInt(Minimum);
        if (minimum < 0)
            minimum = nominal;
        if (VorbisLib::vorbis_encode_init(&Info, channels, rate, maximum, nominal, minimum) != 0)
            throw EAuException(
                QStringLiteral("Vorbis codec setup with the requested bitrate failed. Try a lower bitrate."));
    }

    VorbisLib::vorbis_comment_init(&Comment);
    CommentReady = true;
    for (int i = 0; i < CommentTags.Count(); ++i) {
        const QString name = CommentTags.NameAt(i);
        const QByteArray value = CommentTags.GetWideString(name).toUtf8();
        if (!value.isEmpty())
            VorbisLib::vorbis_comment_add_tag(&Comment, name.toUtf8().constData(), value.constData());
    }

    VorbisLib::vorbis_analysis_init(&DspState, &Info);
    DspReady = true;
    VorbisLib::vorbis_block_init(&DspState, &Block);
    BlockReady = true;
}

void TVorbisOut::WriteHeaders(int32_t serial) {
    VorbisLib::ogg_stream_init(&StreamState, serial);
    StreamReady = true;
    VorbisLib::vorbis_analysis_headerout(&DspState, &Comment, &HeaderPackets[0], &HeaderPackets[1], &HeaderPackets[2]);
    for (ogg_packet& header : HeaderPackets)
        VorbisLib::ogg_stream_packetin(&StreamState, &header);
    // The first audio data starts on a page of its own.
    while (VorbisLib::ogg_stream_flush(&StreamState, &Page) != 0)
        WritePage(Page);
}

void TVorbisOut::WritePage(const ogg_page& page) {
    // A short write (a full disk) must not pass for a finished file.
    if (Stream->Write(page.header, page.header_len) != page.header_len ||
        Stream->Write(page.body, page.body_len) != page.body_len)
        throw EAuException(QStringLiteral("Error writing ogg file"));
}

bool TVorbisOut::OutputBlock(bool abort) {
    if (!OutputOpen)
        return true;
    if (abort || EndOfStream)
        return false;

    uint32_t bytes = BlockBytes;
    Input()->Read(LastBlock, bytes);
    const int frameBytes = Channels * BitsPerSample / 8;
    const int frames = int(bytes / uint32_t(frameBytes));

    float** buffer = VorbisLib::vorbis_analysis_buffer(&DspState, int(BlockBytes));
    if (frames > 0) {
        // WAV order in, Vorbis order in the stream.
        float* slots[MaxChannels];
        for (int c = 0; c < Channels; ++c)
            slots[c] = buffer[VorbisChannelOfWav(Channels, c)];
        Deinterleave(LastBlock, slots, Channels, frames, BitsPerSample);
    }
    // Zero frames marks the end of the stream.
    VorbisLib::vorbis_analysis_wrote(&DspState, frames);

    while (VorbisLib::vorbis_analysis_blockout(&DspState, &Block) == 1) {
        VorbisLib::vorbis_analysis(&Block, nullptr);
        VorbisLib::vorbis_bitrate_addblock(&Block);
        while (VorbisLib::vorbis_bitrate_flushpacket(&DspState, &Packet) != 0) {
            VorbisLib::ogg_stream_packetin(&StreamState, &Packet);
            while (!EndOfStream && VorbisLib::ogg_stream_pageout(&StreamState, &Page) != 0) {
                WritePage(Page);
                if (VorbisLib::ogg_page_eos(&Page))
                    EndOfStream = true;
            }
        }
    }
    return true;
}

void TVorbisOut::EndOutput() {
    // Everything is released even when one step fails; the first failure is reported.
    std::exception_ptr failure;
    try {
        ReleaseStream();
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        if (Input())
            Input()->EndReading();
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    CommentTags.Clear();
    ReleaseEncoder();
    LastBlock = nullptr;
    if (failure)
        std::rethrow_exception(failure);
}

void TVorbisOut::ReleaseEncoder() {
    if (StreamReady)
        VorbisLib::ogg_stream_clear(&StreamState);
    if (BlockReady)
        VorbisLib::vorbis_block_clear(&Block);
    if (DspReady)
        VorbisLib::vorbis_dsp_clear(&DspState);
    if (CommentReady)
        VorbisLib::vorbis_comment_clear(&Comment);
    if (InfoReady)
        VorbisLib::vorbis_info_clear(&Info);
    StreamReady = BlockReady = DspReady = CommentReady = InfoReady = false;
}

void ApplyOggSettings(TVorbisOut& sink, const TOggOptions& options, const TDiscFields* tags) {
    if (options.IsUseCompress) {
        sink.Compression = float((options.CompressPosition - 10) / 100.0);
        sink.SetDesiredMaximumBitrate(brAutoSelect);
        sink.SetDesiredNominalBitrate(brAutoSelect);
        sink.SetMinimumBitrate(brAutoSelect);
    } else {
        // Maximum first: while the nominal is still automatic the maximum is dropped, and the
        // nominal then raises the maximum to itself.
        sink.SetDesiredMaximumBitrate(BitrateOfListPosition(options.MaxBitRate));
        sink.SetDesiredNominalBitrate(BitrateOfListPosition(options.NominalBitRate));
        sink.SetMinimumBitrate(BitrateOfListPosition(options.MinBitRate));
        sink.Compression = 0.2f;
    }
    TVorbisTags& comments = sink.Comments();
    comments.Clear();
    if (tags) {
        comments.SetArtist(tags->Artist);
        comments.SetAlbum(tags->Album);
        comments.SetDate(tags->Year);
        const int position = tags->Genre + 1;
        const int genre = position >= 0 && position <= 148 ? GenreToId3(uint8_t(position)) : 255;
        comments.SetGenre(QString::number(genre));
        comments.SetTitle(tags->Comment);
    }
}
