# ID3v1 tags read from and written back to arbitrary files.
dw_add_fuzzer(id3_tag SOURCES Id3TagFuzz.cpp LIBS dw_tags)
