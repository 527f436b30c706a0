# One manual page per installed program, made from its --help at build time.
set(PELORN_MAN_DIR ${CMAKE_BINARY_DIR}/man)
set(PELORN_MAN_PAGES "")
function(pelorn_man_page target summary)
  set(out ${PELORN_MAN_DIR}/${target}.1)
  # A sanitizer build's program reports the toolkit's leaks at exit, which is
  # not what the page is about.
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PELORN_MAN_DIR}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 PELORN_LOG_STDERR=0
            ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DNAME=${target} "-DSUMMARY=${summary}"
            -DVERSION=${PROJECT_VERSION} -DOUT=${out} -P ${CMAKE_SOURCE_DIR}/cmake/HelpToMan.cmake
    DEPENDS ${target} ${CMAKE_SOURCE_DIR}/cmake/HelpToMan.cmake
    COMMENT "manual page ${target}.1" VERBATIM)
  set(PELORN_MAN_PAGES ${PELORN_MAN_PAGES} ${out} PARENT_SCOPE)
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

pelorn_man_page(pelorn "find the paired phone from a watch: ring it, or see it on a map")
pelorn_man_page(vconftool "read, write and watch the settings store Pelorn reads")
pelorn_man_page(desktop-bridge "feed the desktop's network, battery and memory state to Pelorn")
pelorn_man_page(phone-sim "a simulated phone for Pelorn to find")
pelorn_man_page(map-server "a local static-map server for Pelorn's phone locator")
add_custom_target(pelorn_man_pages ALL DEPENDS ${PELORN_MAN_PAGES})
