// TVorbisIn: Ogg Vorbis decoding through vorbisfile's callback interface (see VorbisIn.h).
#include "vorbis/VorbisIn.h"

#include "audio/AuException.h"
#include "vorbis/VorbisChannelOrder.h"

#include <algorithm>
#include <cerrno>
#include <limits>

// The stream callbacks handed to vorbisfile, each with the component as its data source.
// vorbisfile is C: nothing may be thrown through it, so stream errors become the C results.
struct TVorbisInCallbacks {
    static size_t Read(void* buffer, size_t size, size_t count, void* source) {
        auto* self = static_cast<TVorbisIn*>(source);
        if (!self->Stream || size == 0 || count == 0)
            return 0;
        const size_t wanted =
            count > std::numeric_limits<int32_t>::max() / size ? std::numeric_limits<int32_t>::max() : size * count;
        try {
            const int64_t got = self->Stream->Read(buffer, int64_t(wanted));
            return got > 0 ? size_t(got) : 0;
        } catch (...) {
            // vorbisfile tells a read error from the end of the data by errno.
            errno = EIO;
            return 0;
        }
    }

    // vorbisfile only distinguishes -1 (failure) from success; a position truncated to int
    // could read as -1, so success is reported as 0, as fseek does.
    static int Seek(void* source, ogg_int64_t offset, int whence) {
        auto* self = static_cast<TVorbisIn*>(source);
        if (!self->Seekable || !self->Stream)
            return -1;
        const int origin = whence == SEEK_CUR ? SEEK_CUR : whence == SEEK_END ? SEEK_END : SEEK_SET;
        try {
            return self->Stream->Seek(offset, origin) < 0 ? -1 : 0;
        } catch (...) {
            return -1;
        }
    }

    static int Close(void* source) {
        auto* self = static_cast<TVorbisIn*>(source);
        try {
            if (self->StreamAttached) {
                if (self->Stream)
                    self->Stream->Seek(0, SEEK_SET);
            } else {
                delete self->Stream;
                self->Stream = nullptr;
            }
        } catch (...) {
        }
        return 0;
    }

    static long Tell(void* source) {
        auto* self = static_cast<TVorbisIn*>(source);
        if (!self->Stream)
            return -1;
        try {
            return long(self->Stream->Position());
        } catch (...) {
            return -1;
        }
    }
};

TVorbisIn::TVorbisIn(QObject* owner) : TAuTaggedFileIn(owner) {}

TVorbisIn::~TVorbisIn() {
    // Consumers stop using this source before any of it is taken down.
    ReleaseConsumers();
    CloseSource();
}

TVorbisTags& TVorbisIn::Comments() {
    OpenSource();
    return VorbisTags;
}

const QStringList& TVorbisIn::AllComments() {
    OpenSource();
    return CommentLines;
}

void TVorbisIn::AbandonOpen(bool decoderOpen) {
    ValidFlag = false;
    if (decoderOpen) {
        // Also runs the close callback, which frees an owned stream.
        VorbisLib::ov_clear(&Decoder);
        return;
    }
    // A failed vorbisfile open has already cleared the decoder without closing the source.
    Decoder = OggVorbis_File{};
    TVorbisInCallbacks::Close(this);
}

void TVorbisIn::OpenSource() {
    std::lock_guard<std::recursive_mutex> guard(FileLock);
    if (OpenCount != 0)
        return;
    const QString missing = BindVorbisLibraries();
    if (!missing.isEmpty())
        throw EAuException(missing);

    ValidFlag = true;
    if (!StreamAttached) {
        delete Stream;
        Stream = nullptr;
        try {
            Stream = new TAuFileStream(FileName(), fmOpenRead | fmShareDenyWrite);
        } catch (...) {
            ValidFlag = false;
            throw EAuException(QStringLiteral("Failed to open stream"));
        }
    }

    const ov_callbacks callbacks{TVorbisInCallbacks::Read, TVorbisInCallbacks::Seek, TVorbisInCallbacks::Close,
                                 TVorbisInCallbacks::Tell};
    const QString failed = QStringLiteral("Failed to open an ogg file: ");
    int result = VorbisLib::ov_test_callbacks(this, &Decoder, nullptr, 0, callbacks);
    if (result != 0) {
        AbandonOpen(false);
        throw EAuException(failed + QString::number(result));
    }
    // A failed second stage leaves the decoder without stream information, which every later
    // call would dereference.
    result = VorbisLib::ov_test_open(&Decoder);
    if (result != 0) {
        AbandonOpen(false);
        throw EAuException(failed + QString::number(result));
    }
    const vorbis_info* info = VorbisLib::ov_info(&Decoder, -1);
    if (!info || info->channels <= 0 || info->rate <= 0 || info->rate > std::numeric_limits<int32_t>::max()) {
        AbandonOpen(true);
        throw EAuException(failed + QString::number(OV_EBADHEADER));
    }

    ReadComments();
    CommonTags.Clear();
    CommonTags.SetArtist(VorbisTags.Artist());
    CommonTags.SetAlbum(VorbisTags.Album());
    CommonTags.SetTitle(VorbisTags.Title());
    CommonTags.SetYear(VorbisTags.Date());
    CommonTags.SetTrack(VorbisTags.Track());
    CommonTags.SetGenre(VorbisTags.Genre());

    Channels = info->channels;
    SampleRate = int32_t(info->rate);
    BitsPerSample = 16;
    // An unseekable stream cannot tell its length. A later stream of another format ends
    // the run with an error before this length is reached.
    const ogg_int64_t frames = VorbisLib::ov_pcm_total(&Decoder, -1);
    Size = frames >= 0 ? int64_t(frames) * 2 * Channels : -1;
    CurrentSection = -1;
    CheckedSection = 0;
    DecoderAtEnd = false;
    DecodeError.clear();
    BlockFirst = 1;
    BlockLast = 0;
    ++OpenCount;
}

bool TVorbisIn::SameFormatAsFirst(int section) {
    const vorbis_info* info = VorbisLib::ov_info(&Decoder, section);
    return info && info->channels == Channels && info->rate == SampleRate;
}

void TVorbisIn::ReadComments() {
    VorbisTags.Clear();
    CommentLines.clear();
    const vorbis_comment* comment = VorbisLib::ov_comment(&Decoder, -1);
    if (!comment)
        return;
    static const QStringList wanted = {QStringLiteral("artist"), QStringLiteral("album"),
                                       QStringLiteral("title"),  QStringLiteral("date"),
                                       QStringLiteral("genre"),  QStringLiteral("tracknumber")};
    for (int i = 0; i < comment->comments; ++i) {
        const char* text = comment->user_comments[i];
        if (!text)
            continue;
        const int length = comment->comment_lengths ? std::max(comment->comment_lengths[i], 0) : int(qstrlen(text));
        const QByteArray entry(text, length);
        CommentLines << QString::fromUtf8(entry);
        const int equals = entry.indexOf('=');
        // An entry without "=" has an empty name and is never wanted.
        const QString name = equals < 0 ? QString() : QString::fromUtf8(entry.left(equals)).toLower();
        if (!wanted.contains(name))
            continue;
        VorbisTags.SetValue(name, QString::fromUtf8(entry.mid(equals + 1)));
    }
}

void TVorbisIn::CloseSource() {
    std::lock_guard<std::recursive_mutex> guard(FileLock);
    if (OpenCount > 0) {
        VorbisLib::ov_clear(&Decoder);
        OpenCount = 0;
    }
}

void TVorbisIn::ReadInternal(uint8_t*& buffer, uint32_t& bytes) {
    if (!Busy)
        throw EAuException(QStringLiteral("The Stream is not opened"));
    if (BlockFirst > BlockLast) {
        BlockFirst = 1;
        BlockLast = 0;
        // Only whole frames fit: vorbisfile refuses a space smaller than one frame.
        const int frameBytes = 2 * std::max(Channels, 1);
        const int capacity = DecodeBufferSize - DecodeBufferSize % frameBytes;
        while (!DecoderAtEnd && BlockLast < capacity) {
            auto* at = reinterpret_cast<char*>(DecodeBuffer.data()) + BlockLast;
            const long got = VorbisLib::ov_read(&Decoder, at, capacity - BlockLast, 0, 2, 1, &CurrentSection);
            if (got == OV_HOLE)
                continue; // damaged or missing pages: decoding goes on behind them
            if (got < 0) {
                DecodeError = QStringLiteral("Ogg Vorbis decoding failed (error %1)").arg(got);
                DecoderAtEnd = true;
                break;
            }
            if (got == 0) {
                DecoderAtEnd = true;
                break;
            }
            if (CurrentSection != CheckedSection) {
                if (!SameFormatAsFirst(CurrentSection)) {
                    const vorbis_info* info = VorbisLib::ov_info(&Decoder, CurrentSection);
                    DecodeError = QStringLiteral("The Ogg file changes its format at logical stream %1 (%2 "
                                                 "channels at %3 Hz after %4 channels at %5 Hz); decoding stops there")
                                      .arg(CurrentSection + 1)
                                      .arg(info ? info->channels : 0)
                                      .arg(info ? info->rate : 0)
                                      .arg(Channels)
                                      .arg(SampleRate);
                    DecoderAtEnd = true;
                    break;
                }
                CheckedSection = CurrentSection;
            }
            VorbisToWavOrder(reinterpret_cast<int16_t*>(at), got / frameBytes, Channels);
            BlockLast += int32_t(got);
            const int64_t size = Size;
            if (EndSample == -1 && size >= 0 && Position + BlockLast > size) {
                // The decoder goes on past the announced length: two files joined with the
                // same serial number read as one stream whose length is the last file's.
                // Cutting here would drop the rest without a word, so the length grows with
                // what is decoded (one byte ahead, so that the run asks for more) until the
                // decoder ends.
                Size = Position + BlockLast + 1;
                continue;
            }
            if (size >= 0 && Position + BlockLast >= size) {
                BlockLast = int32_t(std::max<int64_t>(size - Position, 0));
                if (BlockLast == 0)
                    DecoderAtEnd = true;
                break;
            }
        }
        // What came before the failure has been handed out; now the run learns of it.
        if (BlockLast == 0 && !DecodeError.isEmpty()) {
            const QString error = DecodeError;
            DecodeError.clear();
            throw EAuException(error);
        }
    }
    // Whatever is still held is handed out before the end is reported.
    bytes = std::min<uint32_t>(bytes, uint32_t(BlockLast - BlockFirst + 1));
    buffer = DecodeBuffer.data() + BlockFirst - 1;
    BlockFirst += int32_t(bytes);
}

bool TVorbisIn::SeekSource(int64_t& sample) {
    OpenSource();
    const bool moved = VorbisLib::ov_pcm_seek(&Decoder, sample) == 0;
    BlockFirst = 1;
    BlockLast = 0;
    if (moved) {
        DecoderAtEnd = false;
        DecodeError.clear();
        CheckedSection = -1;
    }
    return moved;
}
