# The encoder wrappers look up their user messages in the language packs.
target_link_libraries(dw_jobs PUBLIC dw_lang)
