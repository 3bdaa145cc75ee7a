# Cue sheets opened as disc-image drives (our FILE-line handling and libcdio's parser behind it).
dw_add_fuzzer(cue_image SOURCES CueImageFuzz.cpp LIBS dw_cd)
