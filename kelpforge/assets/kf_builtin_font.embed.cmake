kf_embed_file(kelpforge kfBuiltInFontData ${CMAKE_CURRENT_SOURCE_DIR}/assets/kf_builtin_font.ttf)
