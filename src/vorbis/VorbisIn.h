// TVorbisIn: the file source that decodes an Ogg Vorbis file (or an attached stream) into
// 16-bit signed little-endian PCM through vorbisfile, and reads the file's Vorbis comments.
//
//     TVorbisIn in;
//     in.SetFileName(path);
//     if (in.Valid()) { in.Comments().Artist(); in.GetChannels(); ... }
//
// The format comes from the first logical stream; chained streams of the same format are
// decoded straight through, and a stream of another format ends the run with an error (its
// samples are never passed off as the first one's). Gaps in damaged data are skipped as
// oggdec skips them. Channels come in WAV order. Reading the comments opens the file; each
// open decodes from the beginning.
#pragma once

#include "audio/AuTaggedFileIn.h"
#include "tags/AuTags.h"
#include "vorbis/VorbisLibrary.h"

#include <array>

class TVorbisIn : public TAuTaggedFileIn {
    Q_OBJECT
public:
    explicit TVorbisIn(QObject* owner = nullptr);
    ~TVorbisIn() override;

    // The file's comments (artist, album, title, date, genre, tracknumber); opens the file.
    TVorbisTags& Comments();
    // Every comment of the first stream as stored ("name=value"), in file order; opens the file.
    const QStringList& AllComments();

    void OpenSource() override;
    void CloseSource() override;

protected:
    void ReadInternal(uint8_t*& buffer, uint32_t& bytes) override;
    bool SeekSource(int64_t& sample) override;

private:
    static constexpr int DecodeBufferSize = 0x3000;

    // Releases what a failed open left behind: the decoder (when it got that far) and an
    // owned stream.
    void AbandonOpen(bool decoderOpen);
    void ReadComments();

    // Checks the format of the logical stream a read came from against the first one's.
    bool SameFormatAsFirst(int section);

    TVorbisTags VorbisTags;
    QStringList CommentLines;
    // Aligned for the 16-bit samples the channel reordering works on.
    alignas(8) std::array<uint8_t, DecodeBufferSize> DecodeBuffer{};
    OggVorbis_File Decoder{};
    int CurrentSection = -1;
    // vorbisfile has nothing more for this run; what the buffer holds is still handed out.
    bool DecoderAtEnd = false;
    // Why decoding ended early; raised once what came before it has been handed out.
    QString DecodeError;
    int CheckedSection = -1;

    friend struct TVorbisInCallbacks;
};
