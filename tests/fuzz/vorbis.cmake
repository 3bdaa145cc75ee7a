# Arbitrary bytes as an Ogg Vorbis file through TVorbisIn (vorbisfile behind our callbacks).
dw_add_fuzzer(vorbis_in SOURCES VorbisInFuzz.cpp LIBS dw_vorbis)
