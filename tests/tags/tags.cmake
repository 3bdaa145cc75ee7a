dw_add_test(tags_tests SOURCES Id3TagTest.cpp AuTagsTest.cpp LIBS dw_tags)
# The tag writer and reader over TagLib, against mutagen and metaflac.
dw_add_test(tag_writer_tests SOURCES TagWriterTest.cpp LIBS dw_tags)
