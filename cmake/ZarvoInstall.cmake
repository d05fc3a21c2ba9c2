# SPDX-License-Identifier: GPL-3.0-or-later
# The installed tree: each file once, and only what the installed programs, the desktop and the reader
# use. The window icons are compiled into the program, so they are not installed. The programs find share/zarvo relative to themselves (see
# ProgramPaths), so a staged or moved tree works as well as the configured prefix.
include(cmake/ZarvoMetainfo.cmake)

foreach(program zarvo zarvo-convert zarvo-emulator zarvo-archive)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# Read at run time: the fax code table and the help pages.
install(FILES data/RFCG3.DAT DESTINATION ${CMAKE_INSTALL_DATADIR}/zarvo)
install(DIRECTORY data/help DESTINATION ${CMAKE_INSTALL_DATADIR}/zarvo)
# The demo messages that `zarvo-emulator --demo` serves (scripts/make-demo writes them).
install(FILES data/demo/nachricht1.gsm data/demo/nachricht2.gsm data/demo/fax3-1.g3 data/demo/fax3-2.g3
              data/demo/fax3-3.g3 DESTINATION ${CMAKE_INSTALL_DATADIR}/zarvo/demo)

# The desktop menu, software centres and the icon theme.
install(FILES data/zarvo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The fax file types Zarvo writes (.ufr, .mmf), for file managers.
install(FILES data/zarvo-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME zarvo.xml)
install(FILES data/icons/zarvo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
zarvo_write_metainfo(${CMAKE_BINARY_DIR}/${ZARVO_APPSTREAM_ID}.metainfo.xml)
install(FILES ${CMAKE_BINARY_DIR}/${ZARVO_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Man pages, compressed as Debian installs them. Source name -> section folder below the man dir.
set(ZARVO_MAN_PAGES "zarvo.1|man1" "zarvo.de.1|de/man1" "zarvo-convert.1|man1" "zarvo-emulator.1|man1"
    "zarvo-archive.1|man1")
set(man_outputs "")
find_program(GZIP_PROGRAM gzip REQUIRED)
foreach(entry IN LISTS ZARVO_MAN_PAGES)
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 source)
  list(GET fields 1 folder)
  string(REGEX REPLACE "\\.de\\.1$" ".1" name "${source}")
  set(plain ${CMAKE_BINARY_DIR}/man/${folder}/${name})
  set(output ${plain}.gz)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/man/${source} ${plain}
                     COMMAND ${GZIP_PROGRAM} -9nf ${plain}
                     DEPENDS ${CMAKE_SOURCE_DIR}/man/${source} VERBATIM)
  list(APPEND man_outputs ${output})
  install(FILES ${output} DESTINATION ${CMAKE_INSTALL_MANDIR}/${folder})
endforeach()
add_custom_target(zarvo_man_pages ALL DEPENDS ${man_outputs})

# The reader's guide, which the programs' error texts point to, and the example udev rule for the
# modem's serial port, for the administrator to copy. (The Debian package adds the copyright file.)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zarvo)
install(FILES data/udev/60-zarvo-modem.rules.example DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zarvo/examples)
# Scripts to run for each new message (the archive's Befehl= setting), for the user to copy and adapt.
install(FILES data/examples/zarvo-kopie data/examples/zarvo-mail data/examples/zarvo-push
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zarvo/examples)
