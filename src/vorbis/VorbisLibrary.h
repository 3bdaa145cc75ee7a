// Run-time binding of libogg, libvorbis, libvorbisfile and libvorbisenc.
//
// The four libraries are not linked into the program: they are opened with dlopen on first
// use, so a machine without them runs everything except Ogg encoding, decoding and playback.
// Each library has a loader, a loaded flag and a table of entry points (the namespace
// VorbisLib below); callers go through VorbisLib::name(...) with the libraries' own prototypes.
#pragma once

#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <QString>

#include <atomic>

// Set once the library file itself has been opened; never reset. Written under the loaders'
// shared lock, read by callers after their own call to the loader has returned.
extern std::atomic<bool> OggLibraryLoaded;
extern std::atomic<bool> VorbisLibraryLoaded;
extern std::atomic<bool> VorbisFileLibraryLoaded;
extern std::atomic<bool> VorbisEncLibraryLoaded;

// Each binds its library unless it is bound already; a library that cannot be opened leaves
// its flag false and is tried again at the next call.
void LoadOggLibrary();
void LoadVorbisLibrary();
void LoadVorbisFileLibrary();
void LoadVorbisEncLibrary();

// Calls the four loaders in the order ogg, vorbis, vorbisfile, vorbisenc and returns the
// message for the first library that is not bound ("libogg.so.0 library could not be
// loaded."), or an empty text when all four are bound. Both Ogg components need all four.
QString BindVorbisLibraries();

// The platform file names, in loader order.
extern const char* const OggLibraryFile;
extern const char* const VorbisLibraryFile;
extern const char* const VorbisFileLibraryFile;
extern const char* const VorbisEncLibraryFile;

// For tests: when `folder` is not empty, libraries that are not bound yet are opened from
// folder/<file name> only, instead of through the system's library search. Messages keep
// the bare file names.
void SetVorbisLibraryFolder(const QString& folder);

namespace VorbisLib {

// Two historical libogg functions that current libogg no longer exports; their slots stay null.
using TOggPackLookHuff = long (*)(oggpack_buffer* b, int bits);
using TOggPackAdvHuff = void (*)(oggpack_buffer* b, int bits);

#define DW_VORBIS_ENTRY(name) extern decltype(&::name) name;
// libogg
DW_VORBIS_ENTRY(ogg_stream_init)
DW_VORBIS_ENTRY(ogg_stream_clear)
DW_VORBIS_ENTRY(ogg_stream_reset)
DW_VORBIS_ENTRY(ogg_stream_destroy)
DW_VORBIS_ENTRY(ogg_stream_eos)
DW_VORBIS_ENTRY(ogg_page_checksum_set)
DW_VORBIS_ENTRY(ogg_page_version)
DW_VORBIS_ENTRY(ogg_page_continued)
DW_VORBIS_ENTRY(ogg_page_bos)
DW_VORBIS_ENTRY(ogg_page_eos)
DW_VORBIS_ENTRY(ogg_page_granulepos)
DW_VORBIS_ENTRY(ogg_page_serialno)
DW_VORBIS_ENTRY(ogg_page_pageno)
DW_VORBIS_ENTRY(ogg_page_packets)
DW_VORBIS_ENTRY(ogg_packet_clear)
DW_VORBIS_ENTRY(oggpack_writeinit)
DW_VORBIS_ENTRY(oggpack_reset)
DW_VORBIS_ENTRY(oggpack_writeclear)
DW_VORBIS_ENTRY(oggpack_readinit)
DW_VORBIS_ENTRY(oggpack_write)
DW_VORBIS_ENTRY(oggpack_look)
extern TOggPackLookHuff oggpack_look_huff;
DW_VORBIS_ENTRY(oggpack_look1)
DW_VORBIS_ENTRY(oggpack_adv)
extern TOggPackAdvHuff oggpack_adv_huff;
DW_VORBIS_ENTRY(oggpack_adv1)
DW_VORBIS_ENTRY(oggpack_read)
DW_VORBIS_ENTRY(oggpack_read1)
DW_VORBIS_ENTRY(oggpack_bytes)
DW_VORBIS_ENTRY(oggpack_bits)
DW_VORBIS_ENTRY(oggpack_get_buffer)
DW_VORBIS_ENTRY(ogg_stream_packetin)
DW_VORBIS_ENTRY(ogg_stream_pageout)
DW_VORBIS_ENTRY(ogg_stream_flush)
DW_VORBIS_ENTRY(ogg_sync_init)
DW_VORBIS_ENTRY(ogg_sync_clear)
DW_VORBIS_ENTRY(ogg_sync_reset)
DW_VORBIS_ENTRY(ogg_sync_destroy)
DW_VORBIS_ENTRY(ogg_sync_buffer)
DW_VORBIS_ENTRY(ogg_sync_wrote)
DW_VORBIS_ENTRY(ogg_sync_pageseek)
DW_VORBIS_ENTRY(ogg_sync_pageout)
DW_VORBIS_ENTRY(ogg_stream_pagein)
DW_VORBIS_ENTRY(ogg_stream_packetout)
DW_VORBIS_ENTRY(ogg_stream_packetpeek)
// libvorbis
DW_VORBIS_ENTRY(vorbis_info_init)
DW_VORBIS_ENTRY(vorbis_info_clear)
DW_VORBIS_ENTRY(vorbis_info_blocksize)
DW_VORBIS_ENTRY(vorbis_comment_init)
DW_VORBIS_ENTRY(vorbis_comment_add)
DW_VORBIS_ENTRY(vorbis_comment_add_tag)
DW_VORBIS_ENTRY(vorbis_comment_query)
DW_VORBIS_ENTRY(vorbis_comment_query_count)
DW_VORBIS_ENTRY(vorbis_comment_clear)
DW_VORBIS_ENTRY(vorbis_block_init)
DW_VORBIS_ENTRY(vorbis_block_clear)
DW_VORBIS_ENTRY(vorbis_dsp_clear)
DW_VORBIS_ENTRY(vorbis_analysis_init)
DW_VORBIS_ENTRY(vorbis_commentheader_out)
DW_VORBIS_ENTRY(vorbis_analysis_headerout)
DW_VORBIS_ENTRY(vorbis_analysis_buffer)
DW_VORBIS_ENTRY(vorbis_analysis_wrote)
DW_VORBIS_ENTRY(vorbis_analysis_blockout)
DW_VORBIS_ENTRY(vorbis_analysis)
DW_VORBIS_ENTRY(vorbis_bitrate_addblock)
DW_VORBIS_ENTRY(vorbis_bitrate_flushpacket)
DW_VORBIS_ENTRY(vorbis_synthesis_headerin)
DW_VORBIS_ENTRY(vorbis_synthesis_init)
DW_VORBIS_ENTRY(vorbis_synthesis)
DW_VORBIS_ENTRY(vorbis_synthesis_blockin)
DW_VORBIS_ENTRY(vorbis_synthesis_pcmout)
DW_VORBIS_ENTRY(vorbis_synthesis_read)
DW_VORBIS_ENTRY(vorbis_packet_blocksize)
// libvorbisfile
DW_VORBIS_ENTRY(ov_clear)
DW_VORBIS_ENTRY(ov_open_callbacks)
DW_VORBIS_ENTRY(ov_test_callbacks)
DW_VORBIS_ENTRY(ov_test_open)
DW_VORBIS_ENTRY(ov_bitrate)
DW_VORBIS_ENTRY(ov_bitrate_instant)
DW_VORBIS_ENTRY(ov_streams)
DW_VORBIS_ENTRY(ov_seekable)
DW_VORBIS_ENTRY(ov_serialnumber)
DW_VORBIS_ENTRY(ov_raw_total)
DW_VORBIS_ENTRY(ov_pcm_total)
DW_VORBIS_ENTRY(ov_time_total)
DW_VORBIS_ENTRY(ov_raw_seek)
DW_VORBIS_ENTRY(ov_pcm_seek)
DW_VORBIS_ENTRY(ov_pcm_seek_page)
DW_VORBIS_ENTRY(ov_time_seek)
DW_VORBIS_ENTRY(ov_time_seek_page)
DW_VORBIS_ENTRY(ov_raw_tell)
DW_VORBIS_ENTRY(ov_pcm_tell)
DW_VORBIS_ENTRY(ov_time_tell)
DW_VORBIS_ENTRY(ov_info)
DW_VORBIS_ENTRY(ov_comment)
DW_VORBIS_ENTRY(ov_read_float)
DW_VORBIS_ENTRY(ov_read)
// libvorbisenc
DW_VORBIS_ENTRY(vorbis_encode_init)
DW_VORBIS_ENTRY(vorbis_encode_setup_managed)
DW_VORBIS_ENTRY(vorbis_encode_setup_vbr)
DW_VORBIS_ENTRY(vorbis_encode_init_vbr)
DW_VORBIS_ENTRY(vorbis_encode_setup_init)
DW_VORBIS_ENTRY(vorbis_encode_ctl)
#undef DW_VORBIS_ENTRY

} // namespace VorbisLib
