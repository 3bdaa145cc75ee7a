# The Ogg and Vorbis libraries are bound at run time (dlopen): only their headers are used here.
target_include_directories(dw_vorbis PUBLIC ${VORBISHEADERS_INCLUDE_DIRS})
target_link_libraries(dw_vorbis PUBLIC ${CMAKE_DL_LIBS})
# The components build on the stream framework and the tag containers.
target_link_libraries(dw_vorbis PUBLIC dw_audio dw_tags)
