# kf_embed_file(<target> <symbol> <file>): turns a binary file into a byte array at build time.
# The generated unit defines `extern const unsigned char <symbol>[]` and
# `extern const std::size_t <symbol>Size`.
set(KF_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedFileScript.cmake)

function(kf_embed_file target symbol file)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${output} -DSYMBOL=${symbol}
            -P ${KF_EMBED_SCRIPT}
    DEPENDS ${file} ${KF_EMBED_SCRIPT}
    COMMENT "Embedding ${file}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
