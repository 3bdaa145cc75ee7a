# The stream framework: sources, filters, sinks, worker and event threads, file streams.
dw_add_test(framework_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/FrameworkComponents.h
        ${CMAKE_CURRENT_LIST_DIR}/FrameworkComponents.cpp
        ${CMAKE_CURRENT_LIST_DIR}/FrameworkRunTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/FrameworkInputTest.cpp
    LIBS dw_audio)
