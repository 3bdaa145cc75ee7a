// FLAC files as CD audio (see FlacFile.h).
#include "cd/FlacFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace {

// Blocks kept: a read of ten sectors spans two or three blocks of the usual 4096 frames, and a
// secure rip reads again a little before where it stopped.
constexpr size_t CachedBlocks = 8;

FLAC__StreamDecoderWriteStatus OnWrite(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                       const FLAC__int32* const buffer[], void* client) {
    // libFLAC hands out sample numbers for fixed-size blocks too; a frame number is only left
    // when the stream gave no block size to turn it into one.
    const FLAC__FrameHeader& h = frame->header;
    const int64_t first = h.number_type == FLAC__FRAME_NUMBER_TYPE_SAMPLE_NUMBER
                              ? int64_t(h.number.sample_number)
                              : int64_t(h.number.frame_number) * h.blocksize;
    static_cast<TFlacFile*>(client)->Decoded(first, h.blocksize, buffer);
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void OnMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* client) {
    if (metadata->type != FLAC__METADATA_TYPE_STREAMINFO)
        return;
    const FLAC__StreamMetadata_StreamInfo& info = metadata->data.stream_info;
    static_cast<TFlacFile*>(client)->StreamInfo(info.sample_rate, info.channels, info.bits_per_sample,
                                                info.total_samples);
}

void OnError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* client) {
    static_cast<TFlacFile*>(client)->DecodeError(FLAC__StreamDecoderErrorStatusString[status]);
}

} // namespace

TFlacFile::~TFlacFile() {
    if (Decoder) {
        FLAC__stream_decoder_finish(Decoder);
        FLAC__stream_decoder_delete(Decoder);
    }
}

void TFlacFile::StreamInfo(uint32_t rate, uint32_t channels, uint32_t bits, uint64_t frames) {
    Rate = rate;
    Channels = channels;
    Bits = bits;
    TotalFrames = int64_t(frames);
}

void TFlacFile::Decoded(int64_t first, uint32_t frames, const int32_t* const channels[]) {
    Next = first + frames;
    // Only CD audio is ever decoded (Open refuses the rest), so both channels are 16-bit.
    TBlock block;
    block.First = first;
    block.Pcm.resize(size_t(frames) * 4);
    uint8_t* to = block.Pcm.data();
    for (uint32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < 2; ++c) {
            const auto sample = uint16_t(int16_t(channels[c][i]));
            *to++ = uint8_t(sample & 0xFF);
            *to++ = uint8_t(sample >> 8);
        }
    }
    Cache.push_back(std::move(block));
    if (Cache.size() > CachedBlocks)
        Cache.pop_front();
}

bool TFlacFile::Open(const QString& path) {
    Name = QFileInfo(path).fileName();
    Decoder = FLAC__stream_decoder_new();
    if (!Decoder) {
        Error = Name + QStringLiteral(": cannot start the FLAC decoder");
        return false;
    }
    // The audio is compared with checksums of its own where that matters; an MD5 check here
    // would only hold for reads from the start to the end.
    FLAC__stream_decoder_set_md5_checking(Decoder, false);
    const FLAC__StreamDecoderInitStatus init = FLAC__stream_decoder_init_file(
        Decoder, QFile::encodeName(path).constData(), OnWrite, OnMetadata, OnError, this);
    if (init != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        Error = Name + QStringLiteral(": cannot open it as a FLAC file (") +
                QString::fromLatin1(FLAC__StreamDecoderInitStatusString[init]) + ')';
        return false;
    }
    if (!FLAC__stream_decoder_process_until_end_of_metadata(Decoder) || Rate == 0) {
        Error = Name + QStringLiteral(": not a FLAC file, or its header is damaged");
        return false;
    }
    if (Rate != 44100 || Channels != 2 || Bits != 16) {
        Error = Name + QStringLiteral(" holds %1 Hz, %2-bit, %3-channel audio, not CD audio (44100 Hz, 16 bits, "
                                      "stereo)")
                           .arg(Rate)
                           .arg(Bits)
                           .arg(Channels);
        return false;
    }
    if (TotalFrames <= 0) {
        Error = Name + QStringLiteral(": its header does not give the length of its audio");
        return false;
    }
    Next = 0;
    return true;
}

const TFlacFile::TBlock* TFlacFile::CachedBlock(int64_t frame) const {
    for (auto it = Cache.rbegin(); it != Cache.rend(); ++it)
        if (frame >= it->First && frame < it->First + int64_t(it->Pcm.size() / 4))
            return &*it;
    return nullptr;
}

bool TFlacFile::DecodeAt(int64_t frame) {
    LastDecodeError.clear();
    bool ok = false;
    if (frame == Next) {
        ok = FLAC__stream_decoder_process_single(Decoder) != 0;
    } else {
        // The decoder hands the block holding `frame` to OnWrite, cut to start there.
        ok = FLAC__stream_decoder_seek_absolute(Decoder, FLAC__uint64(frame)) != 0;
        if (!ok && FLAC__stream_decoder_get_state(Decoder) == FLAC__STREAM_DECODER_SEEK_ERROR)
            FLAC__stream_decoder_flush(Decoder);
        if (!ok)
            Next = -1;
    }
    if (!ok || !LastDecodeError.isEmpty() || !CachedBlock(frame)) {
        Error = Name + QStringLiteral(": cannot decode the audio at %1 s").arg(double(frame) / 44100.0, 0, 'f', 2) +
                (LastDecodeError.isEmpty() ? QString() : QStringLiteral(" (") + LastDecodeError + ')');
        // After a damaged frame the decoder's place is not to be trusted.
        Next = -1;
        Cache.clear();
        return false;
    }
    return true;
}

bool TFlacFile::Read(int64_t first, int64_t frames, uint8_t* to) {
    if (!Decoder || first < 0 || frames < 0 || first + frames > TotalFrames) {
        Error = Name + QStringLiteral(": read past the end of its audio");
        return false;
    }
    int64_t at = first;
    while (at < first + frames) {
        const TBlock* block = CachedBlock(at);
        if (!block) {
            if (!DecodeAt(at))
                return false;
            block = CachedBlock(at);
        }
        const int64_t blockEnd = block->First + int64_t(block->Pcm.size() / 4);
        const int64_t n = std::min(first + frames, blockEnd) - at;
        std::memcpy(to + (at - first) * 4, block->Pcm.data() + (at - block->First) * 4, size_t(n) * 4);
        at += n;
    }
    return true;
}
