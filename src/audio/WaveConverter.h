// Decoding of compressed WAV files (format tag 85, MPEG audio in a RIFF/WAVE file) into a
// plain PCM image in memory, through libmpg123. The WAV reader hands the whole file over,
// decodes it and then reads the image as an ordinary 16-bit PCM WAV file.
#pragma once

#include <QByteArray>

#include <cstdint>

class TAuStream;

class TWaveConverter {
public:
    TWaveConverter();

    // Size of the two format structures.
    static constexpr uint32_t FormatBufferSize = 64;

    // Reads the RIFF/WAVE preamble, then looks for chunk names byte by byte: "fmt " (at
    // least 18 bytes) goes to SourceFormat, "fact" is skipped, "data" becomes the contents.
    // False when the preamble, the format or the data is missing.
    bool LoadCompressed(TAuStream& stream);
    // Fills TargetFormat with the 16-bit PCM format that SourceFormat decodes to. 0 or an
    // error code.
    int SuggestTargetFormat();
    // Decodes the contents to 16-bit PCM. Returns 0, or the decoder's error code (-1 when no
    // audio came out at all). On success TargetFormat holds the decoded format and has been
    // copied over SourceFormat.
    int DecodeAll();
    // Writes a 44-byte PCM header and the contents. 0, or 286 when writing failed.
    int WriteWaveImage(TAuStream& target);

    QByteArray Contents;
    QByteArray SourceFormat;
    QByteArray TargetFormat;
};
