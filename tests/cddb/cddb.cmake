# The CDDB subsystem against a real HTTP server on 127.0.0.1: protocol pieces, disc record,
# the HTTP component, the drive library's CDDB functions and the dialogs' controllers.
find_package(Qt6 REQUIRED COMPONENTS Network)
add_library(dw_cddb_testserver STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CddbTestServer.cpp ${CMAKE_CURRENT_LIST_DIR}/CddbTestServer.h
    ${CMAKE_CURRENT_LIST_DIR}/CddbTestCommon.cpp ${CMAKE_CURRENT_LIST_DIR}/CddbTestCommon.h
)
target_link_libraries(dw_cddb_testserver PUBLIC dw_testsupport dw_cddb_protocol Qt6::Network)

dw_add_test(cddb_tests
    SOURCES CddbProtocolTest.cpp CddbRecordTest.cpp CddbInfoTest.cpp QueryDialogTest.cpp
    LIBS dw_cddb dw_cddb_testserver dw_fixtures)

# The windows, on the offscreen platform.
dw_add_test(cddb_forms_tests GUI
    SOURCES QueryFormsTest.cpp
    LIBS dw_cddb_forms dw_cddb_testserver dw_fixtures)

# discwright-cli cddb, run as a program.
dw_add_test(cddb_cli_tests SOURCES CddbCliTest.cpp LIBS dw_cddb_testserver dw_fixtures)
add_dependencies(cddb_cli_tests discwright-cli)
