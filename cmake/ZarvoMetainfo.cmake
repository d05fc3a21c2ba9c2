# SPDX-License-Identifier: GPL-3.0-or-later
# The AppStream metainfo, written from data/zarvo.metainfo.xml.in. The build includes this file; CI
# also runs it alone to check the variant with screenshots:
#   cmake -DOUTPUT=x.xml -DZARVO_SCREENSHOTS_URL=https://... -P cmake/ZarvoMetainfo.cmake
# Software centres load screenshots from a public https address, and the project has none yet: the
# screenshots from docs/screenshots are listed only when ZARVO_SCREENSHOTS_URL names the folder where
# they are published. Without it the metainfo validates and simply shows none.
set(ZARVO_APPSTREAM_ID org.zarvo.zarvo)
set(ZARVO_METAINFO_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/../data/zarvo.metainfo.xml.in)
set(ZARVO_SCREENSHOTS_URL "" CACHE STRING "Public https folder holding docs/screenshots (empty: none listed)")

# file name | English caption | German caption; the first is the default shot.
set(ZARVO_SCREENSHOTS
    "main-window.png|The message list with voice messages and a fax|Die Nachrichtenliste mit Sprachnachrichten und einem Fax"
    "fax-viewer.png|A received fax|Ein empfangenes Fax"
    "options-modem.png|The modem's options|Die Einstellungen des Modems"
    "main-window-status.png|The conversation with the modem|Das Gespräch mit dem Modem")

function(zarvo_write_metainfo output)
  set(ZARVO_APPSTREAM_SCREENSHOTS "")
  if(ZARVO_SCREENSHOTS_URL)
    set(shots "\n  <screenshots>")
    set(type " type=\"default\"")
    foreach(entry IN LISTS ZARVO_SCREENSHOTS)
      string(REPLACE "|" ";" fields "${entry}")
      list(GET fields 0 file)
      list(GET fields 1 english)
      list(GET fields 2 german)
      string(APPEND shots "\n    <screenshot${type}>"
             "\n      <caption>${english}</caption>"
             "\n      <caption xml:lang=\"de\">${german}</caption>"
             "\n      <image>${ZARVO_SCREENSHOTS_URL}/${file}</image>"
             "\n    </screenshot>")
      set(type "")
    endforeach()
    string(APPEND shots "\n  </screenshots>")
    set(ZARVO_APPSTREAM_SCREENSHOTS "${shots}")
  endif()
  configure_file(${ZARVO_METAINFO_TEMPLATE} ${output} @ONLY)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND OUTPUT)
  if(NOT PROJECT_VERSION)
    set(PROJECT_VERSION 0.0.0)
  endif()
  if(NOT ZARVO_RELEASE_DATE)
    set(ZARVO_RELEASE_DATE 2000-01-01)
  endif()
  zarvo_write_metainfo(${OUTPUT})
endif()
