// Reading a file's tags over TagLib (see TagReader.h).
#include "tags/TagReader.h"

#include "tags/TagWriter.h"

#include <QFile>
#include <QFileInfo>

#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

namespace {

QString Text(const TagLib::String& s) {
    return QString::fromStdString(s.to8Bit(true));
}

QString PictureLine(const QString& type, const QString& mime, unsigned bytes) {
    return QStringLiteral("%1, %2, %3 bytes").arg(type, mime.isEmpty() ? QStringLiteral("no type") : mime).arg(bytes);
}

QString FlacPictureType(int type) {
    return type == TagLib::FLAC::Picture::FrontCover ? QStringLiteral("front cover")
                                                     : QStringLiteral("picture type %1").arg(type);
}

void AddFlacPictures(const TagLib::List<TagLib::FLAC::Picture*>& pictures, QStringList& out) {
    for (const TagLib::FLAC::Picture* p : pictures)
        out << PictureLine(FlacPictureType(p->type()), Text(p->mimeType()), p->data().size());
}

void AddId3v2(TagLib::ID3v2::Tag* tag, TTagReport& report) {
    report.Kinds << QStringLiteral("ID3v2.%1").arg(tag->header()->majorVersion());
    for (const TagLib::ID3v2::Frame* frame : tag->frameList("APIC")) {
        const auto* apic = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (apic)
            report.Pictures << PictureLine(apic->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover
                                               ? QStringLiteral("front cover")
                                               : QStringLiteral("picture type %1").arg(int(apic->type())),
                                           Text(apic->mimeType()), apic->picture().size());
    }
}

} // namespace

bool ReadFileTags(const QString& path, TTagReport& report, QString& error) {
    report = TTagReport();
    if (!QFileInfo(path).isFile()) {
        error = path + QStringLiteral(": no such file");
        return false;
    }
    UseUtf8Id3Frames();
    const QByteArray name = QFile::encodeName(path);
    // The kinds the tag writer writes are known by their content, as the writer knows them;
    // anything else by TagLib's look at the name.
    const QString format = TaggableFormat(path);
    TagLib::FileRef ref =
        format == QLatin1String("MP3")    ? TagLib::FileRef(new TagLib::MPEG::File(name.constData(), false))
        : format == QLatin1String("FLAC") ? TagLib::FileRef(new TagLib::FLAC::File(name.constData(), false))
        : format == QLatin1String("Ogg Vorbis")
            ? TagLib::FileRef(new TagLib::Ogg::Vorbis::File(name.constData(), false))
            : TagLib::FileRef(name.constData(), false);
    if (ref.isNull() || !ref.file()->isValid()) {
        error = path + QStringLiteral(": not a file whose tags can be read (unknown format or damaged)");
        return false;
    }
    TagLib::File* file = ref.file();
    if (auto* mp3 = dynamic_cast<TagLib::MPEG::File*>(file)) {
        report.Format = QStringLiteral("MP3");
        if (mp3->hasID3v1Tag())
            report.Kinds << QStringLiteral("ID3v1");
        if (mp3->hasID3v2Tag())
            AddId3v2(mp3->ID3v2Tag(), report);
        if (mp3->hasAPETag())
            report.Kinds << QStringLiteral("APE");
    } else if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
        report.Format = QStringLiteral("FLAC");
        if (flac->hasXiphComment())
            report.Kinds << QStringLiteral("Vorbis comments");
        if (flac->hasID3v2Tag())
            AddId3v2(flac->ID3v2Tag(), report);
        if (flac->hasID3v1Tag())
            report.Kinds << QStringLiteral("ID3v1");
        AddFlacPictures(flac->pictureList(), report.Pictures);
    } else if (auto* vorbis = dynamic_cast<TagLib::Ogg::Vorbis::File*>(file)) {
        report.Format = QStringLiteral("Ogg Vorbis");
        report.Kinds << QStringLiteral("Vorbis comments");
        AddFlacPictures(vorbis->tag()->pictureList(), report.Pictures);
    } else if (auto* opus = dynamic_cast<TagLib::Ogg::Opus::File*>(file)) {
        report.Format = QStringLiteral("Ogg Opus");
        report.Kinds << QStringLiteral("Vorbis comments");
        AddFlacPictures(opus->tag()->pictureList(), report.Pictures);
    } else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file)) {
        report.Format = QStringLiteral("WAV");
        if (wav->hasID3v2Tag())
            AddId3v2(wav->ID3v2Tag(), report);
        if (wav->hasInfoTag())
            report.Kinds << QStringLiteral("RIFF INFO");
    } else {
        report.Format = QFileInfo(path).suffix().toUpper();
        if (file->tag() && !file->tag()->isEmpty())
            report.Kinds << QStringLiteral("tag");
    }
    const TagLib::PropertyMap map = file->properties();
    for (auto it = map.begin(); it != map.end(); ++it)
        for (const TagLib::String& value : it->second)
            report.Fields.emplace_back(Text(it->first), Text(value));
    return true;
}
