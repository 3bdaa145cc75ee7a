#The genre mapping uses the genre table of the application core.
target_link_libraries(dw_tags PUBLIC dw_core)
