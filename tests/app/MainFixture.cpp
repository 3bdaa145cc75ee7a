// Main-window test fixture (see MainFixture.h).
#include "app/MainFixture.h"

#include "cd/DiscKey.h"
#include "cd/akrip32.h"
#include "core/Settings.h"

namespace {

const char* const OfflineMetadata = "\n[Metadata]\nLookupOnInsert=0\nMusicBrainzServer=http://127.0.0.1:1\n";

} // namespace

TMainFixture::TMainFixture() {
    SetPrompter(&Scripted);
    WriteFile(Folder.File(QStringLiteral("options.ini")), OfflineMetadata);
}

TDiscImage TMainFixture::Disc(const QString& name, const std::vector<TImageTrack>& tracks, uint32_t seed) const {
    TDiscImageOptions options;
    options.Seed = seed;
    return MakeDiscImage(Folder.Path(), name, tracks, options);
}

QString TMainFixture::KeyOf(const TDiscImage& disc) {
    const QString saved = Settings.Images;
    Settings.Images = disc.CuePath;
    QString key;
    if (const int handle = OpenCDDriveAt(0)) {
        TDisc disc;
        if (ReadDisc(handle, disc))
            key = disc.Key();
        CloseCDHandle(handle);
    }
    Settings.Images = saved;
    return key;
}

void TMainFixture::WriteOptions(const QStringList& images, int index, const QString& extra) const {
    QString text = QStringLiteral("[CommonOptions]\nOutputFolder=%1\n[CDOptions]\nIndex=%2\nImages=%3\n%4")
                       .arg(Folder.File(QStringLiteral("Output")))
                       .arg(index)
                       .arg(images.join('|'), extra);
    // Tests never reach the internet: no lookup of a new disc unless a test asks for one, and
    // then only of servers on this machine.
    if (!extra.contains(QLatin1String("[Metadata]")))
        text += QLatin1String(OfflineMetadata);
    WriteFile(Folder.File(QStringLiteral("options.ini")), text.toUtf8());
}

void TMainFixture::WriteTitles(const QString& key, const QMap<int, QString>& titles) const {
    QString text = QStringLiteral("[%1]\nArtist=Test Artist\nTrackNumber=%2\n").arg(key).arg(titles.size());
    for (auto it = titles.begin(); it != titles.end(); ++it)
        text += QStringLiteral("%1=%2\n").arg(it.key()).arg(it.value());
    WriteFile(Folder.File(QStringLiteral("cdinfo.dat")), text.toUtf8());
}
