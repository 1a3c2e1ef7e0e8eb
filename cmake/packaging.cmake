# SPDX-License-Identifier: Apache-2.0
# Installation and the Debian package: the three programs, the desktop entry with its
# icons, the AppStream metainfo, the man pages and the udev example. `scripts/package`
# builds the .deb with CPack; `scripts/package --check` also tests it.
#
# The man pages (pandoc, from Markdown) and the PNG icon sizes (rsvg-convert, from the
# SVG) are generated at build time when those tools are there
# (`scripts/install-deps.sh --with-packaging`); without them the build and the
# installation go on without these files, and the package check finds them missing.

include(GNUInstallDirs)

set(TAGLINE_APP_ID org.taglineconsole.TaglineConsole)
set(TAGLINE_PACKAGE_NAME tagline-console)
# Set when the package is built (scripts/package --maintainer "Name <address>"); the
# package's changelog is signed with it.
set(TAGLINE_PACKAGE_MAINTAINER "" CACHE STRING "Maintainer field of the Debian package: Name <address>")
set(packaging_dir ${CMAKE_SOURCE_DIR}/packaging)
set(packaging_out ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS tagline RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tagline-sim)
  install(TARGETS tagline-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET tagline-console)
  install(TARGETS tagline-console RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${packaging_dir}/${TAGLINE_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${packaging_out}/${TAGLINE_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${packaging_dir}/icons/tagline-console.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME ${TAGLINE_APP_ID}.svg)
endif()
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${TAGLINE_PACKAGE_NAME})
install(FILES ${packaging_dir}/udev/60-tagline-reader.rules DESTINATION ${doc_dir}/examples)
install(FILES ${packaging_dir}/copyright DESTINATION ${doc_dir})

set(generated_files)

# The release history of NEWS.md: the metainfo's release list, and the changelog (which
# needs the maintainer who signs it).
set(news ${CMAKE_SOURCE_DIR}/NEWS.md)
set(news_script ${packaging_dir}/news.sh)
if(TARGET tagline-console)
  set(output ${packaging_out}/${TAGLINE_APP_ID}.metainfo.xml)
  set(template ${packaging_dir}/${TAGLINE_APP_ID}.metainfo.xml.in)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}
    COMMAND ${news_script} metainfo ${news} ${template} ${output}
    DEPENDS ${news} ${template} ${news_script}
    COMMENT "AppStream metainfo with the releases of NEWS.md"
    VERBATIM)
  list(APPEND generated_files ${output})
endif()
if(TAGLINE_PACKAGE_MAINTAINER)
  set(output ${packaging_out}/changelog.gz)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${news_script} changelog ${news} ${TAGLINE_PACKAGE_NAME} ${TAGLINE_PACKAGE_MAINTAINER}
            ${packaging_out}/changelog
    COMMAND gzip -9nf ${packaging_out}/changelog
    DEPENDS ${news} ${news_script}
    COMMENT "Changelog from NEWS.md"
    VERBATIM)
  list(APPEND generated_files ${output})
  install(FILES ${output} DESTINATION ${doc_dir})
endif()

find_program(TAGLINE_PANDOC pandoc)
if(TAGLINE_PANDOC)
  set(man_pages tagline tagline-sim)
  if(TARGET tagline-console)
    list(APPEND man_pages tagline-console)
  endif()
  foreach(page IN LISTS man_pages)
    set(source ${packaging_dir}/man/${page}.1.md)
    set(output ${packaging_out}/man/${page}.1.gz)
    # gzip -n: no name or time stamp in the header, so the same source gives the same file.
    add_custom_command(
      OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/man
      COMMAND ${TAGLINE_PANDOC} --standalone --to man
              --metadata "footer=Tagline Console ${PROJECT_VERSION}"
              --output ${packaging_out}/man/${page}.1 ${source}
      COMMAND gzip -9nf ${packaging_out}/man/${page}.1
      DEPENDS ${source}
      COMMENT "Man page ${page}(1)"
      VERBATIM)
    list(APPEND generated_files ${output})
    install(FILES ${output} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(STATUS "pandoc not found: the man pages are not built")
endif()

find_program(TAGLINE_RSVG_CONVERT rsvg-convert)
if(TARGET tagline-console)
  if(TAGLINE_RSVG_CONVERT)
    set(svg ${packaging_dir}/icons/tagline-console.svg)
    foreach(size 16 22 24 32 48 64 128 256)
      set(output ${packaging_out}/icons/${size}x${size}/${TAGLINE_APP_ID}.png)
      add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/icons/${size}x${size}
        COMMAND ${TAGLINE_RSVG_CONVERT} --width ${size} --height ${size} --output ${output}
                ${svg}
        DEPENDS ${svg}
        COMMENT "Icon ${size}x${size}"
        VERBATIM)
      list(APPEND generated_files ${output})
      install(FILES ${output}
              DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
  else()
    message(STATUS "rsvg-convert not found: the PNG icons are not built")
  endif()
endif()

# Shell completions, written by the program itself from its command table (not when
# cross-compiling: the program would not run here).
if(NOT CMAKE_CROSSCOMPILING)
  foreach(shell bash zsh)
    set(output ${packaging_out}/completion/${shell})
    add_custom_command(
      OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/completion
      COMMAND tagline completion ${shell} > ${output}
      DEPENDS tagline
      COMMENT "Completion for ${shell}")
    list(APPEND generated_files ${output})
  endforeach()
  install(FILES ${packaging_out}/completion/bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tagline)
  install(FILES ${packaging_out}/completion/zsh
          DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions RENAME _tagline)
endif()

if(generated_files)
  add_custom_target(tagline_packaging_files ALL DEPENDS ${generated_files})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${TAGLINE_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tagline Console")
set(CPACK_PACKAGE_CONTACT ${TAGLINE_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "console for RFID transponder readers on a serial line")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# RelWithDebInfo binaries carry their debug information; the package does not.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TAGLINE_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The summary above is the synopsis line; this is the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tagline Console is a desktop tool for service staff and integrators who
set up and operate RFID transponder readers attached to a serial port or a
USB-serial adapter: a terminal to the reader, reader identification, tag
reading, communication control, the reader's clock, reader parameters and
factory defaults, transfer of the reader's tag database to and from
spreadsheet files, and an ONLINE keyboard wedge that types received tag
codes into the focused application.

The package holds the Qt desktop program tagline-console, the command-line
program tagline and tagline-sim, a simulated reader on a pseudo-terminal.")
# dpkg-shlibdeps finds the libraries the programs link. Qt loads its platform plugins at
# run time, which dpkg-shlibdeps cannot see: the X11 one is in qt6-qpa-plugins, the
# Wayland one in qt6-wayland (without it Qt runs through XWayland). Qt's own texts in German
# and French (the standard buttons, the file dialog) come with qt6-translations-l10n.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET tagline-console)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  # xdg-open opens a sheet just read in the desktop's spreadsheet program.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")
endif()
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_OUTPUT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackConfig.cmake)
include(CPack)
