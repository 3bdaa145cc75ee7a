# Tags of any file (tag show, the tag writer) and the FLAC stream reader on arbitrary bytes.
dw_add_fuzzer(file_tags SOURCES FileTagsFuzz.cpp LIBS dw_tags dw_audio)
