// TVorbisOut: the sink that encodes its Input's PCM (8, 16, 24 or 32 bits, 1 to 17 channels)
// into an Ogg Vorbis file, and ApplyOggSettings, which configures one from the settings.
//
//     TVorbisOut out;
//     out.SetInput(&waveIn);
//     out.SetFileName(path);
//     out.Compression = 0.4f;                       // quality mode, or:
//     out.SetDesiredNominalBitrate(bitrate128);     // bitrate manager
//     out.Comments().SetArtist(QStringLiteral("..."));
//     out.OnDone = [](TAuOutput*) { ... };
//     out.Run();
//
// The comments apply to one run: they are emptied when the run ends.
#pragma once

#include "audio/AuFileOut.h"
#include "core/DiscInfo.h"
#include "core/EncoderOptions.h"
#include "tags/AuTags.h"
#include "vorbis/VorbisLibrary.h"

#include <optional>

enum TVorbisBitRate : int32_t {
    brAutoSelect = 0,
    bitrate24,
    bitrate32,
    bitrate45,
    bitrate48,
    bitrate56,
    bitrate64,
    bitrate80,
    bitrate96,
    bitrate112,
    bitrate128,
    bitrate144,
    bitrate160,
    bitrate192,
    bitrate224,
    bitrate256,
    bitrate320,
    bitrate499
};

// Bits per second of a bitrate value (ordinal taken modulo 128); -1 for brAutoSelect and
// ordinals above bitrate499.
int32_t BitrateToInt(TVorbisBitRate rate);
// The value standing for `kbps` kbit/s, if there is one.
std::optional<TVorbisBitRate> BitrateFromKbps(int32_t kbps);
// The value of a position in the options dialog's Ogg bitrate lists (0 " Default", then
// 45, 48, 56, 64, 80, 96, 112, 128, 144, 160, 192, 224, 256, 320 kbit/s): the same rate,
// brAutoSelect for 0 and for positions outside the list.
TVorbisBitRate BitrateOfListPosition(int32_t position);

class TVorbisOut : public TAuFileOut {
    Q_OBJECT
public:
    // The most channels the encoder takes.
    static constexpr int MaxChannels = 17;

    explicit TVorbisOut(QObject* owner = nullptr);
    ~TVorbisOut() override;

    // Vorbis quality used while no nominal bitrate is chosen.
    float Compression = 0.2f;
    // The Ogg logical stream serial number. When appending, the next free number is taken if
    // the file already holds a stream with this one.
    int32_t Serial = 0;

    // The comments written into the comment header of the next run.
    TVorbisTags& Comments() { return CommentTags; }
    // Copies the values of another container into the owned one.
    void SetComments(const TAuTags& source);

    // The three setters keep the bounds consistent with the nominal bitrate (compared by
    // ordinal): a nominal below the minimum lowers the minimum, above the maximum raises the
    // maximum, and brAutoSelect resets the maximum; a maximum is taken only when a nominal is
    // chosen and it is brAutoSelect or not below the nominal; a minimum only when it is not
    // above the nominal.
    TVorbisBitRate DesiredNominalBitrate() const { return Nominal; }
    void SetDesiredNominalBitrate(TVorbisBitRate value);
    TVorbisBitRate DesiredMaximumBitrate() const { return Maximum; }
    void SetDesiredMaximumBitrate(TVorbisBitRate value);
    TVorbisBitRate MinimumBitrate() const { return Minimum; }
    void SetMinimumBitrate(TVorbisBitRate value);

    // Converts `frames` interleaved little-endian frames into one float array per channel
    // (-1.0 up to just below 1.0): 8 bits unsigned, 16 and 32 bits signed, anything else
    // 24-bit packed signed.
    static void Deinterleave(const uint8_t* in, float** out, int channels, int frames, int bits);

    // This sink can append a new logical stream to an existing file.
    void SetFileMode(TFileOutputMode mode) override { Mode = mode; }

protected:
    void BeginOutput() override;
    bool OutputBlock(bool abort) override;
    void EndOutput() override;

private:
    static constexpr uint32_t BlockBytes = 0x6000;

    // Encoder, comments and analysis state for the input's format.
    void SetUpEncoder(int channels, int rate);
    // Starts the logical stream and writes the three header packets on pages of their own.
    void WriteHeaders(int32_t serial);
    void WritePage(const ogg_page& page);
    // Releases the library state that the run set up, newest first.
    void ReleaseEncoder();

    TVorbisTags CommentTags;
    TVorbisBitRate Nominal = brAutoSelect;
    TVorbisBitRate Maximum = brAutoSelect;
    TVorbisBitRate Minimum = brAutoSelect;

    // Run state, touched only by the worker thread.
    ogg_stream_state StreamState{};
    ogg_page Page{};
    ogg_packet Packet{};
    vorbis_info Info{};
    vorbis_comment Comment{};
    vorbis_dsp_state DspState{};
    vorbis_block Block{};
    ogg_packet HeaderPackets[3]{};
    uint8_t* LastBlock = nullptr;
    bool EndOfStream = false;
    int Channels = 0;
    int BitsPerSample = 0;
    // What BeginOutput set up, so EndOutput releases exactly that.
    bool InfoReady = false;
    bool CommentReady = false;
    bool DspReady = false;
    bool BlockReady = false;
    bool StreamReady = false;
};

// Configures `sink` before a rip: quality or the bitrate manager (list positions mapped by
// BitrateOfListPosition, set maximum first, then nominal, then minimum), and the comments of
// `tags` (none when null).
void ApplyOggSettings(TVorbisOut& sink, const TOggOptions& options, const TDiscFields* tags);
