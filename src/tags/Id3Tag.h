// Tid3tag: reads, writes and removes the 128-byte ID3v1.1 tag at the end of an MP3 file, and
// maps between positions of the genre list (an empty entry, then GenreNames) and ID3 genre
// numbers. Text is stored as ISO-8859-1; characters outside it become "?".
//
// Result codes of Read and Write: the high byte is an error class, the low byte holds flags;
// callers treat a value above 255 as failure.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

constexpr uint16_t id3Ok = 0x0000;
constexpr uint16_t id3GenreOutOfRange = 0x0080; // flag: genre byte above 147 and not 255
constexpr uint16_t id3OpenError = 0x0100;       // file not found, or opening it failed
constexpr uint16_t id3ReadOnly = 0x0200;        // the file may not be written
constexpr uint16_t id3ReadError = 0x0300;
constexpr uint16_t id3WriteError = 0x0400;
constexpr uint16_t id3IoError = 0x0500;
constexpr uint16_t id3NoTag = 0x1000;

class Tid3tag {
public:
    Tid3tag();

    bool HasTrack = false;
    // The file of the last successful read or write.
    QString FileName;
    // Texts as stored (ISO-8859-1 bytes); the setters cut them to their field sizes.
    QByteArray Title;
    QByteArray Artist;
    QByteArray Album;
    QByteArray Year;
    QByteArray Comment;
    uint8_t Genre = 255;
    uint8_t Track = 0;

    uint16_t Read(const QString& fileName);
    // The name "=" stands for FileName.
    uint16_t Write(const QString& fileName);
    // Cuts the tag off FileName; failures are silent.
    void Remove();

    void SetTitle(const QString& text) { Title = Latin1(text, 30); }
    void SetArtist(const QString& text) { Artist = Latin1(text, 30); }
    void SetAlbum(const QString& text) { Album = Latin1(text, 30); }
    void SetComment(const QString& text) { Comment = Latin1(text, 30); }
    void SetYear(const QString& text) { Year = Latin1(text, 4); }
    void SetTrack(uint8_t n) {
        Track = n;
        HasTrack = n != 0;
    }

    // The fields as text (the trailing zero padding of a written field is left out).
    QString TitleText() const { return Text(Title); }
    QString ArtistText() const { return Text(Artist); }
    QString AlbumText() const { return Text(Album); }
    QString YearText() const { return Text(Year); }
    QString CommentText() const { return Text(Comment); }

    // ISO-8859-1 bytes of the first `limit` characters; others become "?".
    static QByteArray Latin1(const QString& text, int limit);
    static QString Text(const QByteArray& bytes);

private:
    uint16_t Map(int error, uint16_t readCode, uint16_t writeCode) const;
};

// Position in the genre list (0 = none, 1..148 = GenreNames) to ID3 number; 255 for 0 and
// anything above 148.
uint8_t GenreToId3(uint8_t position);
// ID3 number to position in the genre list; 0 for 148 and above.
uint8_t Id3ToGenre(uint8_t id3);
