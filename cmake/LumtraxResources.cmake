# lumtrax_resources(TARGET DIR folder)
# Embeds the folder's bitmaps in the target: a file named "<id>.bmp" or
# "<id>_<anything>.bmp" becomes bitmap resource <id>, loaded with
# LoadBitmapW(instance, MAKEINTRESOURCEW(id)).
set(LUMTRAX_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedBitmaps.cmake)
function(lumtrax_resources target)
  cmake_parse_arguments(R "" "DIR" "" ${ARGN})
  file(GLOB bitmaps CONFIGURE_DEPENDS ${R_DIR}/*.bmp ${R_DIR}/*.BMP)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_bitmaps.cpp)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DDIR=${R_DIR} -DOUT=${out} -P ${LUMTRAX_EMBED_SCRIPT}
    DEPENDS ${bitmaps} ${LUMTRAX_EMBED_SCRIPT}
    COMMENT "Embedding the bitmaps of ${target}" VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
