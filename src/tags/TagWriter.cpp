// The tag writer over TagLib (see TagWriter.h).
#include "tags/TagWriter.h"

#include "platform/TemporaryBeside.h"
#include "tags/Genres.h"
#include "tags/Id3Tag.h"

#include <QFile>
#include <QFileInfo>

#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

TagLib::String Utf8(const QString& text) {
    return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

QString Named(const QString& path, const QString& what) {
    return path + QStringLiteral(": ") + what;
}

void Put(TagLib::PropertyMap& map, const char* key, const QString& value) {
    if (!value.trimmed().isEmpty())
        map.replace(key, TagLib::StringList(Utf8(value)));
    else
        map.erase(key);
}

void PutGain(TagLib::PropertyMap& map, const char* gainKey, const char* peakKey, const std::optional<double>& gain,
             const std::optional<double>& peak) {
    if (gain)
        map.replace(gainKey, TagLib::StringList(Utf8(ReplayGainText(*gain))));
    if (peak)
        map.replace(peakKey, TagLib::StringList(Utf8(ReplayPeakText(*peak))));
}

// The fields as TagLib's common names; `vorbis` gives the track total a field of its own, as
// Vorbis comments have it (ID3v2 keeps "n/N" in one frame).
TagLib::PropertyMap PropertiesOf(TagLib::PropertyMap map, const TTagFields& f, bool vorbis) {
    Put(map, "TITLE", f.Title);
    Put(map, "ARTIST", f.Artist);
    Put(map, "ALBUM", f.Album);
    Put(map, "ALBUMARTIST", f.AlbumArtist);
    Put(map, "DATE", f.Year);
    Put(map, "GENRE", GenreName(f.Genre));
    Put(map, "COMMENT", f.Comment);
    const QString track = f.Track > 0 ? QString::number(f.Track) : QString();
    if (vorbis) {
        Put(map, "TRACKNUMBER", track);
        Put(map, "TRACKTOTAL", f.TrackTotal > 0 ? QString::number(f.TrackTotal) : QString());
    } else {
        Put(map, "TRACKNUMBER",
            track.isEmpty() || f.TrackTotal <= 0 ? track : track + '/' + QString::number(f.TrackTotal));
    }
    // ID3v2 gets the id in a frame of its own spelling (see PutMusicBrainz).
    if (vorbis)
        Put(map, "MUSICBRAINZ_ALBUMID", f.MusicBrainzAlbumId);
    else
        map.erase("MUSICBRAINZ_ALBUMID");
    PutGain(map, "REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_TRACK_PEAK", f.TrackGain, f.TrackPeak);
    PutGain(map, "REPLAYGAIN_ALBUM_GAIN", "REPLAYGAIN_ALBUM_PEAK", f.AlbumGain, f.AlbumPeak);
    return map;
}

// The release id as a TXXX frame described as MusicBrainz's own tagger does ("MusicBrainz Album
// Id"); TagLib 1 would spell the description in capitals, which other readers do not find.
void PutMusicBrainz(TagLib::ID3v2::Tag* tag, const QString& id) {
    std::vector<TagLib::ID3v2::Frame*> old;
    for (TagLib::ID3v2::Frame* frame : tag->frameList("TXXX")) {
        const auto* txxx = dynamic_cast<TagLib::ID3v2::UserTextIdentificationFrame*>(frame);
        if (txxx && txxx->description().upper() == "MUSICBRAINZ ALBUM ID")
            old.push_back(frame);
    }
    for (TagLib::ID3v2::Frame* frame : old)
        tag->removeFrame(frame);
    if (id.trimmed().isEmpty())
        return;
    auto* frame = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::UTF8);
    frame->setDescription("MusicBrainz Album Id");
    frame->setText(Utf8(id));
    tag->addFrame(frame);
}

TagLib::FLAC::Picture* NewFlacPicture(const QByteArray& data) {
    auto* p = new TagLib::FLAC::Picture;
    p->setType(TagLib::FLAC::Picture::FrontCover);
    p->setMimeType(Utf8(PictureMimeType(data)));
    p->setDescription("Front cover");
    p->setData(TagLib::ByteVector(data.constData(), unsigned(data.size())));
    return p;
}

TagLib::ID3v2::AttachedPictureFrame* NewApic(const QByteArray& data) {
    auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
    frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    frame->setMimeType(Utf8(PictureMimeType(data)));
    frame->setDescription("Front cover");
    frame->setPicture(TagLib::ByteVector(data.constData(), unsigned(data.size())));
    return frame;
}

// Writes into the MP3 copy; false with `why`.
bool WriteMp3(const QString& copy, const TTagFields& f, int32_t id3, QString& why) {
    const bool v2 = id3 != id3V1Only;
    const bool v1 = id3 != id3V2Only;
    if (v2) {
        UseUtf8Id3Frames();
        TagLib::MPEG::File file(QFile::encodeName(copy).constData(), false);
        if (!file.isValid()) {
            why = QStringLiteral("not an MP3 file TagLib can read");
            return false;
        }
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        tag->setProperties(PropertiesOf(tag->properties(), f, false));
        PutMusicBrainz(tag, f.MusicBrainzAlbumId);
        if (!f.KeepCover) {
            tag->removeFrames("APIC");
            if (!f.Cover.isEmpty())
                tag->addFrame(NewApic(f.Cover));
        }
        // Without ID3v1 asked for, an old ID3v1 tag would contradict the new one: it goes.
        const bool strip = !v1 && !f.KeepOtherTags;
        if (!file.save(TagLib::MPEG::File::ID3v2, strip ? TagLib::File::StripOthers : TagLib::File::StripNone,
                       TagLib::ID3v2::v4, TagLib::File::DoNotDuplicate)) {
            why = QStringLiteral("the ID3v2 tag could not be written");
            return false;
        }
    }
    if (!v2 && !f.KeepOtherTags) {
        // An ID3v2 tag left from before would contradict the new ID3v1 tag: it goes.
        TagLib::MPEG::File file(QFile::encodeName(copy).constData(), false);
        if (file.hasID3v2Tag() && !file.strip(TagLib::MPEG::File::ID3v2)) {
            why = QStringLiteral("the old ID3v2 tag could not be removed");
            return false;
        }
    }
    if (v1) {
        Tid3tag tag;
        tag.SetTitle(f.Title);
        tag.SetArtist(f.Artist);
        tag.SetAlbum(f.Album);
        tag.SetYear(f.Year);
        tag.SetComment(f.Comment);
        tag.Genre = GenreToId3(static_cast<uint8_t>(std::clamp(f.Genre + 1, 0, 255)));
        tag.SetTrack(static_cast<uint8_t>(std::clamp(f.Track, 0, 255)));
        const uint16_t result = tag.Write(copy);
        if (result > 255) {
            why = QStringLiteral("the ID3v1 tag could not be written (error #%1)").arg(result);
            return false;
        }
    }
    return true;
}

bool WriteFlac(const QString& copy, const TTagFields& f, QString& why) {
    TagLib::FLAC::File file(QFile::encodeName(copy).constData(), false);
    if (!file.isValid()) {
        why = QStringLiteral("not a FLAC file TagLib can read");
        return false;
    }
    TagLib::Ogg::XiphComment* tag = file.xiphComment(true);
    tag->setProperties(PropertiesOf(tag->properties(), f, true));
    file.removePictures();
    if (!f.Cover.isEmpty())
        file.addPicture(NewFlacPicture(f.Cover));
    if (!file.save()) {
        why = QStringLiteral("the Vorbis comments could not be written");
        return false;
    }
    return true;
}

bool WriteOgg(const QString& copy, const TTagFields& f, QString& why) {
    TagLib::Ogg::Vorbis::File file(QFile::encodeName(copy).constData(), false);
    if (!file.isValid()) {
        why = QStringLiteral("not an Ogg Vorbis file TagLib can read");
        return false;
    }
    TagLib::Ogg::XiphComment* tag = file.tag();
    tag->setProperties(PropertiesOf(tag->properties(), f, true));
    tag->removeAllPictures();
    if (!f.Cover.isEmpty())
        tag->addPicture(NewFlacPicture(f.Cover));
    if (!file.save()) {
        why = QStringLiteral("the Vorbis comments could not be written");
        return false;
    }
    return true;
}

QString TaggableFormatOf(const QString& path);

// Whether `path` is a file of `format` (see TaggableFormat) that TagLib reads.
bool ReadableAs(const QString& path, const QString& format) {
    if (TaggableFormatOf(path) != format)
        return false;
    const QByteArray name = QFile::encodeName(path);
    if (format == QLatin1String("MP3"))
        return TagLib::MPEG::File(name.constData(), false).isValid();
    if (format == QLatin1String("FLAC"))
        return TagLib::FLAC::File(name.constData(), false).isValid();
    return TagLib::Ogg::Vorbis::File(name.constData(), false).isValid();
}

// Runs `write` on a copy of the file and puts the copy in its place when it succeeded.
template <typename TWrite> bool OnCopy(const QString& path, QString& error, TWrite write) {
    // A file made read-only is left alone, even where its folder would let a copy replace it.
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &st) == 0 && ((st.st_mode & 0222) == 0 || ::access(name.constData(), W_OK) != 0)) {
        error = Named(path, QStringLiteral("the file is read-only; no tags written"));
        return false;
    }
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly)) {
        error = Named(path, source.errorString());
        return false;
    }
    const QString copy = CreateTemporaryBeside(path, QFileInfo(path).fileName(), QStringLiteral(".tag"), error);
    if (copy.isEmpty()) {
        error = Named(path, QStringLiteral("no room for a copy to tag: ") + error);
        return false;
    }
    QFile target(copy);
    bool copied = target.open(QIODevice::WriteOnly | QIODevice::Truncate);
    while (copied && !source.atEnd()) {
        const QByteArray block = source.read(1 << 20);
        copied = !block.isEmpty() && target.write(block) == block.size();
    }
    copied = copied && target.flush();
    target.setPermissions(source.permissions());
    target.close();
    source.close();
    QString why;
    if (!copied) {
        why = QStringLiteral("no room for a copy to tag (disk full?)");
    } else if (write(copy, why)) {
        // What TagLib wrote must read as what the file was, or the file stays as it is.
        const QString format = TaggableFormat(path);
        if (!format.isEmpty() && !ReadableAs(copy, format))
            why = QStringLiteral("the tagged file would no longer read as ") + format;
        else if (std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()) == 0)
            return true;
        else
            why = QString::fromLocal8Bit(std::strerror(errno));
    }
    QFile::remove(copy);
    error = Named(path, QStringLiteral("tags not written, the file is unchanged: ") + why);
    return false;
}

} // namespace

bool RemoveId3v2(const QString& path, QString& error) {
    UseUtf8Id3Frames();
    if (TaggableFormat(path) != QLatin1String("MP3")) {
        error = Named(path, QStringLiteral("not an MP3 file; no tags removed"));
        return false;
    }
    return OnCopy(path, error, [](const QString& copy, QString& why) {
        TagLib::MPEG::File file(QFile::encodeName(copy).constData(), false);
        if (!file.isValid() || (file.hasID3v2Tag() && !file.strip(TagLib::MPEG::File::ID3v2))) {
            why = QStringLiteral("the ID3v2 tag could not be removed");
            return false;
        }
        return true;
    });
}

QString ReplayGainText(double gain) {
    return QString::asprintf("%.2f dB", gain);
}

QString ReplayPeakText(double peak) {
    return QString::asprintf("%.6f", peak);
}

QString PictureMimeType(const QByteArray& data) {
    if (data.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral("image/jpeg");
    if (data.startsWith("\x89PNG\r\n\x1A\n"))
        return QStringLiteral("image/png");
    return QString();
}

namespace {

QString TaggableFormatOf(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray head = f.read(64);
    // An ID3v2 tag may stand in front of MP3 and FLAC audio; after it (and its footer) comes
    // FLAC's marker or, within its padding's reach, an MPEG frame.
    if (head.startsWith("ID3") && head.size() >= 10) {
        const auto b = [&](int i) { return qint64(uchar(head[i]) & 0x7F); };
        const qint64 at = 10 + (b(6) << 21 | b(7) << 14 | b(8) << 7 | b(9)) + ((uchar(head[5]) & 0x10) ? 10 : 0);
        if (at >= f.size() || !f.seek(at))
            return QString();
        const QByteArray after = f.read(4096);
        if (after.startsWith("fLaC"))
            return QStringLiteral("FLAC");
        for (qsizetype i = 0; i + 1 < after.size(); ++i)
            if (uchar(after[i]) == 0xFF && (uchar(after[i + 1]) & 0xE0) == 0xE0)
                return QStringLiteral("MP3");
        return QString();
    }
    if (head.startsWith("fLaC"))
        return QStringLiteral("FLAC");
    if (head.startsWith("OggS") && head.indexOf("\x01vorbis") >= 0)
        return QStringLiteral("Ogg Vorbis");
    if (head.size() >= 2 && uchar(head[0]) == 0xFF && (uchar(head[1]) & 0xE0) == 0xE0)
        return QStringLiteral("MP3");
    return QString();
}

} // namespace

QString TaggableFormat(const QString& path) {
    return TaggableFormatOf(path);
}

void UseUtf8Id3Frames() {
    // TagLib's default (Latin-1) would lose most scripts. Every use of TagLib passes here
    // first, so the one write of the setting happens before any thread reads it.
    static std::once_flag once;
    std::call_once(once, [] { TagLib::ID3v2::FrameFactory::instance()->setDefaultTextEncoding(TagLib::String::UTF8); });
}

bool WriteFileTags(const QString& path, const TTagFields& fields, int32_t id3, QString& error) {
    UseUtf8Id3Frames();
    const QString format = TaggableFormat(path);
    if (format.isEmpty()) {
        error = Named(path, QStringLiteral("not an MP3, FLAC or Ogg Vorbis file; no tags written"));
        return false;
    }
    if (!fields.Cover.isEmpty() && PictureMimeType(fields.Cover).isEmpty()) {
        error = Named(path, QStringLiteral("the cover is not a JPEG or PNG picture; no tags written"));
        return false;
    }
    return OnCopy(path, error, [&](const QString& copy, QString& why) {
        if (format == QLatin1String("MP3"))
            return WriteMp3(copy, fields, std::clamp<int32_t>(id3, id3V1Only, id3Both), why);
        if (format == QLatin1String("FLAC"))
            return WriteFlac(copy, fields, why);
        return WriteOgg(copy, fields, why);
    });
}

bool WriteAlbumTags(const QString& path, const std::optional<double>& gain, double peak, const QByteArray& cover,
                    QString& error) {
    UseUtf8Id3Frames();
    const QString format = TaggableFormat(path);
    if (format.isEmpty()) {
        error = Named(path, QStringLiteral("not an MP3, FLAC or Ogg Vorbis file; no tags written"));
        return false;
    }
    if (!cover.isEmpty() && PictureMimeType(cover).isEmpty()) {
        error = Named(path, QStringLiteral("the cover is not a JPEG or PNG picture; no tags written"));
        return false;
    }
    return OnCopy(path, error, [&](const QString& copy, QString& why) {
        const QByteArray name = QFile::encodeName(copy);
        // TagLib 1's Tag::properties() knows the common fields only: each tag type's own is
        // called.
        const auto add = [&](auto* tag) {
            TagLib::PropertyMap map = tag->properties();
            PutGain(map, "REPLAYGAIN_ALBUM_GAIN", "REPLAYGAIN_ALBUM_PEAK", gain,
                    gain ? std::optional<double>(peak) : std::nullopt);
            tag->setProperties(map);
        };
        bool saved = false;
        if (format == QLatin1String("MP3")) {
            UseUtf8Id3Frames();
            TagLib::MPEG::File file(name.constData(), false);
            if (file.isValid()) {
                TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
                add(tag);
                if (!cover.isEmpty()) {
                    tag->removeFrames("APIC");
                    tag->addFrame(NewApic(cover));
                }
                saved = file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4,
                                  TagLib::File::DoNotDuplicate);
            }
        } else if (format == QLatin1String("FLAC")) {
            TagLib::FLAC::File file(name.constData(), false);
            if (file.isValid()) {
                add(file.xiphComment(true));
                if (!cover.isEmpty()) {
                    file.removePictures();
                    file.addPicture(NewFlacPicture(cover));
                }
                saved = file.save();
            }
        } else {
            TagLib::Ogg::Vorbis::File file(name.constData(), false);
            if (file.isValid()) {
                add(file.tag());
                if (!cover.isEmpty()) {
                    file.tag()->removeAllPictures();
                    file.tag()->addPicture(NewFlacPicture(cover));
                }
                saved = file.save();
            }
        }
        if (!saved)
            why = QStringLiteral("the album's tags could not be written");
        return saved;
    });
}
