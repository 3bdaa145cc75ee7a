// The run-time binding of the Ogg and Vorbis libraries: missing libraries are reported in the
// fixed order by their platform file names, and a library put in place later binds at the
// next use. The loader is pointed at a temporary folder of links to the real libraries.
//
// Loaded flags are never reset within a process, so the whole story is one test.
#include "vorbis/VorbisLibrary.h"

#include "audio/AuException.h"
#include "support/TestSupport.h"
#include "vorbis/VorbisIn.h"
#include "vorbis/VorbisOut.h"
#include "vorbis/VorbisTestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <dlfcn.h>
#include <link.h>

#include <gtest/gtest.h>

namespace {

// The real file behind a library's bare name, found through the system's own search.
QString SystemPathOf(const char* file) {
    void* handle = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return {};
    link_map* map = nullptr;
    QString path;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map)
        path = QString::fromLocal8Bit(map->l_name);
    dlclose(handle);
    return path;
}

class TLibraryFolder {
public:
    bool Add(const char* file) { return QFile::link(SystemPathOf(file), Dir.path() + '/' + QString::fromLatin1(file)); }
    bool Remove(const char* file) { return QFile::remove(Dir.path() + '/' + QString::fromLatin1(file)); }
    QString Path() const { return Dir.path(); }

private:
    QTemporaryDir Dir;
};

} // namespace

TEST(VorbisLibraryTest, MissingLibrariesReportedInOrderAndBoundAtTheNextUse) {
    TLibraryFolder folder;
    ASSERT_FALSE(OggLibraryLoaded);
    SetVorbisLibraryFolder(folder.Path());

    // Nothing there: the first library in the order is named.
    EXPECT_EQ(BindVorbisLibraries(), QStringLiteral("libogg.so.0 library could not be loaded."));
    EXPECT_FALSE(OggLibraryLoaded);
    EXPECT_EQ(VorbisLib::ogg_stream_init, nullptr);

    // Two missing (vorbis and vorbisenc): only the first of them is named.
    ASSERT_TRUE(folder.Add(OggLibraryFile));
    ASSERT_TRUE(folder.Add(VorbisFileLibraryFile));
    EXPECT_EQ(BindVorbisLibraries(), QStringLiteral("libvorbis.so.0 library could not be loaded."));
    EXPECT_TRUE(OggLibraryLoaded);
    EXPECT_FALSE(VorbisLibraryLoaded);
    EXPECT_TRUE(VorbisFileLibraryLoaded);
    EXPECT_FALSE(VorbisEncLibraryLoaded);
    EXPECT_NE(VorbisLib::ogg_stream_init, nullptr);
    EXPECT_NE(VorbisLib::ogg_stream_packetpeek, nullptr);
    EXPECT_NE(VorbisLib::ov_read, nullptr);
    // Entry points that libogg no longer exports stay null.
    EXPECT_EQ(VorbisLib::oggpack_look_huff, nullptr);
    EXPECT_EQ(VorbisLib::oggpack_adv_huff, nullptr);
    EXPECT_EQ(VorbisLib::vorbis_info_init, nullptr);

    // Only vorbisenc missing: the decoder needs it too, and neither component touches a file.
    ASSERT_TRUE(folder.Add(VorbisLibraryFile));
    const QString encMissing = QStringLiteral("libvorbisenc.so.2 library could not be loaded.");
    EXPECT_EQ(BindVorbisLibraries(), encMissing);
    EXPECT_NE(VorbisLib::vorbis_packet_blocksize, nullptr);
    const QString ogg = folder.Path() + QStringLiteral("/test.ogg");
    TVorbisIn in;
    in.SetFileName(ogg);
    try {
        in.OpenSource();
        ADD_FAILURE() << "no exception";
    } catch (const EAuException& e) {
        EXPECT_EQ(e.Message(), encMissing);
    }
    EXPECT_FALSE(in.Valid());
    TPcmIn pcm(MakePcm16(4410, 2, 1), 2, 44100, 16);
    TVorbisOut out;
    out.SetInput(&pcm);
    out.SetFileName(ogg);
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_EQ(out.LastError, encMissing);
    EXPECT_FALSE(QFile::exists(ogg));

    // Put in place now, it is bound at the next use.
    ASSERT_TRUE(folder.Add(VorbisEncLibraryFile));
    ASSERT_TRUE(RunToEnd(out));
    EXPECT_TRUE(out.LastError.isEmpty()) << out.LastError.toStdString();
    EXPECT_TRUE(VorbisEncLibraryLoaded);
    EXPECT_NE(VorbisLib::vorbis_encode_ctl, nullptr);
    EXPECT_EQ(ReadAllFrom(in).size(), 4410 * 4);

    // Once bound, nothing is opened again: the files may go away.
    const auto read = VorbisLib::ov_read;
    for (const char* file : {OggLibraryFile, VorbisLibraryFile, VorbisFileLibraryFile, VorbisEncLibraryFile})
        ASSERT_TRUE(folder.Remove(file));
    EXPECT_EQ(BindVorbisLibraries(), QString());
    EXPECT_EQ(VorbisLib::ov_read, read);

    // The bound entry points work.
    vorbis_info info;
    VorbisLib::vorbis_info_init(&info);
    EXPECT_EQ(VorbisLib::vorbis_encode_init_vbr(&info, 2, 44100, 0.4f), 0);
    EXPECT_EQ(info.channels, 2);
    VorbisLib::vorbis_info_clear(&info);
    SetVorbisLibraryFolder(QString());
}
