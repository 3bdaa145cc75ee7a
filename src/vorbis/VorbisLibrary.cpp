// Run-time binding of the Ogg and Vorbis libraries: dlopen by bare file name, dlsym of every
// entry point in a fixed order, one lock shared by the four loaders.
#include "vorbis/VorbisLibrary.h"

#include <dlfcn.h>

#include <mutex>
#include <string>

// The entry point lists, in the order they are resolved.
#define DW_OGG_ENTRIES(X)                                                                                              \
    X(ogg_stream_init)                                                                                                 \
    X(ogg_stream_clear)                                                                                                \
    X(ogg_stream_reset)                                                                                                \
    X(ogg_stream_destroy)                                                                                              \
    X(ogg_stream_eos)                                                                                                  \
    X(ogg_page_checksum_set)                                                                                           \
    X(ogg_page_version)                                                                                                \
    X(ogg_page_continued)                                                                                              \
    X(ogg_page_bos)                                                                                                    \
    X(ogg_page_eos)                                                                                                    \
    X(ogg_page_granulepos)                                                                                             \
    X(ogg_page_serialno)                                                                                               \
    X(ogg_page_pageno)                                                                                                 \
    X(ogg_page_packets)                                                                                                \
    X(ogg_packet_clear)                                                                                                \
    X(oggpack_writeinit)                                                                                               \
    X(oggpack_reset)                                                                                                   \
    X(oggpack_writeclear)                                                                                              \
    X(oggpack_readinit)                                                                                                \
    X(oggpack_write)                                                                                                   \
    X(oggpack_look)                                                                                                    \
    X(oggpack_look_huff)                                                                                               \
    X(oggpack_look1)                                                                                                   \
    X(oggpack_adv)                                                                                                     \
    X(oggpack_adv_huff)                                                                                                \
    X(oggpack_adv1)                                                                                                    \
    X(oggpack_read)                                                                                                    \
    X(oggpack_read1)                                                                                                   \
    X(oggpack_bytes)                                                                                                   \
    X(oggpack_bits)                                                                                                    \
    X(oggpack_get_buffer)                                                                                              \
    X(ogg_stream_packetin)                                                                                             \
    X(ogg_stream_pageout)                                                                                              \
    X(ogg_stream_flush)                                                                                                \
    X(ogg_sync_init)                                                                                                   \
    X(ogg_sync_clear)                                                                                                  \
    X(ogg_sync_reset)                                                                                                  \
    X(ogg_sync_destroy)                                                                                                \
    X(ogg_sync_buffer)                                                                                                 \
    X(ogg_sync_wrote)                                                                                                  \
    X(ogg_sync_pageseek)                                                                                               \
    X(ogg_sync_pageout)                                                                                                \
    X(ogg_stream_pagein)                                                                                               \
    X(ogg_stream_packetout)                                                                                            \
    X(ogg_stream_packetpeek)

#define DW_VORBIS_ENTRIES(X)                                                                                           \
    X(vorbis_info_init)                                                                                                \
    X(vorbis_info_clear)                                                                                               \
    X(vorbis_info_blocksize)                                                                                           \
    X(vorbis_comment_init)                                                                                             \
    X(vorbis_comment_add)                                                                                              \
    X(vorbis_comment_add_tag)                                                                                          \
    X(vorbis_comment_query)                                                                                            \
    X(vorbis_comment_query_count)                                                                                      \
    X(vorbis_comment_clear)                                                                                            \
    X(vorbis_block_init)                                                                                               \
    X(vorbis_block_clear)                                                                                              \
    X(vorbis_dsp_clear)                                                                                                \
    X(vorbis_analysis_init)                                                                                            \
    X(vorbis_commentheader_out)                                                                                        \
    X(vorbis_analysis_headerout)                                                                                       \
    X(vorbis_analysis_buffer)                                                                                          \
    X(vorbis_analysis_wrote)                                                                                           \
    X(vorbis_analysis_blockout)                                                                                        \
    X(vorbis_analysis)                                                                                                 \
    X(vorbis_bitrate_addblock)                                                                                         \
    X(vorbis_bitrate_flushpacket)                                                                                      \
    X(vorbis_synthesis_headerin)                                                                                       \
    X(vorbis_synthesis_init)                                                                                           \
    X(vorbis_synthesis)                                                                                                \
    X(vorbis_synthesis_blockin)                                                                                        \
    X(vorbis_synthesis_pcmout)                                                                                         \
    X(vorbis_synthesis_read)                                                                                           \
    X(vorbis_packet_blocksize)

#define DW_VORBISFILE_ENTRIES(X)                                                                                       \
    X(ov_clear)                                                                                                        \
    X(ov_open_callbacks)                                                                                               \
    X(ov_test_callbacks)                                                                                               \
    X(ov_test_open)                                                                                                    \
    X(ov_bitrate)                                                                                                      \
    X(ov_bitrate_instant)                                                                                              \
    X(ov_streams)                                                                                                      \
    X(ov_seekable)                                                                                                     \
    X(ov_serialnumber)                                                                                                 \
    X(ov_raw_total)                                                                                                    \
    X(ov_pcm_total)                                                                                                    \
    X(ov_time_total)                                                                                                   \
    X(ov_raw_seek)                                                                                                     \
    X(ov_pcm_seek)                                                                                                     \
    X(ov_pcm_seek_page)                                                                                                \
    X(ov_time_seek)                                                                                                    \
    X(ov_time_seek_page)                                                                                               \
    X(ov_raw_tell)                                                                                                     \
    X(ov_pcm_tell)                                                                                                     \
    X(ov_time_tell)                                                                                                    \
    X(ov_info)                                                                                                         \
    X(ov_comment)                                                                                                      \
    X(ov_read_float)                                                                                                   \
    X(ov_read)

#define DW_VORBISENC_ENTRIES(X)                                                                                        \
    X(vorbis_encode_init)                                                                                              \
    X(vorbis_encode_setup_managed)                                                                                     \
    X(vorbis_encode_setup_vbr)                                                                                         \
    X(vorbis_encode_init_vbr)                                                                                          \
    X(vorbis_encode_setup_init)                                                                                        \
    X(vorbis_encode_ctl)

// The entry point tables: null until their library is bound.
#define DW_DEFINE_ENTRY(name) decltype(VorbisLib::name) VorbisLib::name = nullptr;
DW_OGG_ENTRIES(DW_DEFINE_ENTRY)
DW_VORBIS_ENTRIES(DW_DEFINE_ENTRY)
DW_VORBISFILE_ENTRIES(DW_DEFINE_ENTRY)
DW_VORBISENC_ENTRIES(DW_DEFINE_ENTRY)
#undef DW_DEFINE_ENTRY

std::atomic<bool> OggLibraryLoaded{false};
std::atomic<bool> VorbisLibraryLoaded{false};
std::atomic<bool> VorbisFileLibraryLoaded{false};
std::atomic<bool> VorbisEncLibraryLoaded{false};

const char* const OggLibraryFile = "libogg.so.0";
const char* const VorbisLibraryFile = "libvorbis.so.0";
const char* const VorbisFileLibraryFile = "libvorbisfile.so.3";
const char* const VorbisEncLibraryFile = "libvorbisenc.so.2";

namespace {

// Shared by the four loaders, so concurrent first uses bind each library exactly once. A
// function-local static is constructed before any thread can reach it.
std::mutex& LoaderLock() {
    static std::mutex lock;
    return lock;
}

// Guarded by LoaderLock.
std::string& LibraryFolder() {
    static std::string folder;
    return folder;
}

template <class TFunction> void Resolve(void* handle, const char* name, TFunction& slot) {
    slot = reinterpret_cast<TFunction>(dlsym(handle, name));
}

// Opens `file` unless `loaded` is set; on success sets the flag and fills the table through
// `resolveAll`. The handle is kept for the life of the process: nothing ever unloads it.
template <class TResolveAll> void LoadLibrary(const char* file, std::atomic<bool>& loaded, TResolveAll resolveAll) {
    std::lock_guard<std::mutex> guard(LoaderLock());
    if (loaded.load())
        return;
    const std::string& folder = LibraryFolder();
    const std::string path = folder.empty() ? std::string(file) : folder + '/' + file;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return;
    loaded.store(true);
    resolveAll(handle);
}

} // namespace

#define DW_RESOLVE_ENTRY(name) Resolve(handle, #name, VorbisLib::name);

void LoadOggLibrary() {
    LoadLibrary(OggLibraryFile, OggLibraryLoaded, [](void* handle) { DW_OGG_ENTRIES(DW_RESOLVE_ENTRY) });
}

void LoadVorbisLibrary() {
    LoadLibrary(VorbisLibraryFile, VorbisLibraryLoaded, [](void* handle) { DW_VORBIS_ENTRIES(DW_RESOLVE_ENTRY) });
}

void LoadVorbisFileLibrary() {
    LoadLibrary(VorbisFileLibraryFile, VorbisFileLibraryLoaded,
                [](void* handle) { DW_VORBISFILE_ENTRIES(DW_RESOLVE_ENTRY) });
}

void LoadVorbisEncLibrary() {
    LoadLibrary(VorbisEncLibraryFile, VorbisEncLibraryLoaded,
                [](void* handle) { DW_VORBISENC_ENTRIES(DW_RESOLVE_ENTRY) });
}

#undef DW_RESOLVE_ENTRY

QString BindVorbisLibraries() {
    LoadOggLibrary();
    LoadVorbisLibrary();
    LoadVorbisFileLibrary();
    LoadVorbisEncLibrary();
    const char* missing = nullptr;
    if (!OggLibraryLoaded)
        missing = OggLibraryFile;
    else if (!VorbisLibraryLoaded)
        missing = VorbisLibraryFile;
    else if (!VorbisFileLibraryLoaded)
        missing = VorbisFileLibraryFile;
    else if (!VorbisEncLibraryLoaded)
        missing = VorbisEncLibraryFile;
    if (!missing)
        return {};
    return QString::fromLatin1(missing) + QStringLiteral(" library could not be loaded.");
}

void SetVorbisLibraryFolder(const QString& folder) {
    std::lock_guard<std::mutex> guard(LoaderLock());
    LibraryFolder() = folder.toStdString();
}
