dw_add_test(tag_dialogs_tests GUI SOURCES TagDialogsTest.cpp LIBS dw_tags_ui Qt6::Test)
