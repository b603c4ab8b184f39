# The framework's own picture (drawn by tools/make_builtin_image), decoded by CreateBuiltInTexture.
kf_embed_file(kelpforge kfBuiltInImageData ${CMAKE_CURRENT_SOURCE_DIR}/assets/kf_builtin_image.png)
