# cmake --install build --prefix PREFIX: the player and its tools in bin/, the
# libraries in a folder of their own (found by RPATH; the platform looks for
# the loaded-by-name ones beside itself), the desktop files, icons, man pages
# and the demo title.
include(GNUInstallDirs)
set(LUMTRAX_LIBDIR ${CMAKE_INSTALL_LIBDIR}/lumtrax)
file(RELATIVE_PATH LUMTRAX_BIN_TO_LIB /${CMAKE_INSTALL_BINDIR} /${LUMTRAX_LIBDIR})

set(LUMTRAX_INSTALL_PROGRAMS lumtrax lumtrax-decode lumtrax-device)
set(LUMTRAX_INSTALL_LIBRARIES coredll komp3dec komp3reader lxinputbuffer lxinputcache)
foreach(t ${LUMTRAX_INSTALL_PROGRAMS})
  if(TARGET ${t})
    set_target_properties(${t} PROPERTIES INSTALL_RPATH "$ORIGIN/${LUMTRAX_BIN_TO_LIB}")
    install(TARGETS ${t} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
foreach(t ${LUMTRAX_INSTALL_LIBRARIES})
  if(TARGET ${t})
    install(TARGETS ${t} LIBRARY DESTINATION ${LUMTRAX_LIBDIR})
  endif()
endforeach()

set(LUMTRAX_SHARE ${CMAKE_SOURCE_DIR}/player/desktop/share)
install(FILES ${LUMTRAX_SHARE}/lumtrax.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${LUMTRAX_SHARE}/org.oakhaven.Lumtrax.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${LUMTRAX_SHARE}/lumtrax.1 ${LUMTRAX_SHARE}/lumtrax-decode.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/player/resources/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
# Not under share/lumtrax: that is the default device data folder.
install(FILES ${CMAKE_SOURCE_DIR}/player/resources/demo/demo.mp3 DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lumtrax)
