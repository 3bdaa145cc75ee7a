target_link_libraries(dw_cd PUBLIC PkgConfig::CDIO)
