# The sound recorder on SDL's disk driver: the wave device, the controller with scripted dialogs
# and questions (and the real lame for the MP3 export), the window, and discwright-cli record.
dw_add_test(record_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/RecordTestSupport.h
        ${CMAKE_CURRENT_LIST_DIR}/WaveDeviceTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/RecordControllerTest.cpp
    LIBS dw_record)

dw_add_test(record_form_tests GUI SOURCES ${CMAKE_CURRENT_LIST_DIR}/RecordFormTest.cpp LIBS dw_record_ui)

dw_add_test(record_cli_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/RecordCliTest.cpp LIBS dw_record)
add_dependencies(record_cli_tests discwright-cli)
