# cdrdao .toc files opened as disc-image drives (our .toc reader and the cue sheet libcdio gets).
dw_add_fuzzer(toc_image SOURCES TocImageFuzz.cpp LIBS dw_cd)
