# SPDX-License-Identifier: Apache-2.0
# What keyboard synthesis links, gathered in one interface target for the platform layer:
# user32 on Windows; off Windows libxkbcommon (Debian: libxkbcommon-dev), which says which
# key and modifiers type a character on the user's layout, and X11 with the XTest extension
# and libxkbcommon-x11 (libx11-dev, libxtst-dev, libxkbcommon-x11-dev). X11 is optional:
# without it the X11 backend reports that it was built without X11 support and the uinput
# backend remains.
add_library(tagline_keyboard_deps INTERFACE)
if(WIN32)
  target_link_libraries(tagline_keyboard_deps INTERFACE user32)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(XKBCOMMON REQUIRED IMPORTED_TARGET xkbcommon)
  target_link_libraries(tagline_keyboard_deps INTERFACE PkgConfig::XKBCOMMON)
  find_package(X11)
  pkg_check_modules(XKBCOMMON_X11 IMPORTED_TARGET xkbcommon-x11 xcb)
  if(X11_FOUND AND X11_XTest_FOUND AND XKBCOMMON_X11_FOUND)
    target_link_libraries(tagline_keyboard_deps INTERFACE X11::X11 X11::Xtst PkgConfig::XKBCOMMON_X11)
    target_compile_definitions(tagline_keyboard_deps INTERFACE TAGLINE_HAVE_XTEST)
    message(STATUS "Keyboard synthesis: X11 XTest backend enabled")
  else()
    message(STATUS "Keyboard synthesis: X11 with XTest and xkbcommon-x11 not found, X11 backend left out")
  endif()
endif()
