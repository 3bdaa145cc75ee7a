dw_add_test(tags_tests SOURCES Id3TagTest.cpp AuTagsTest.cpp LIBS dw_tags)
