# What keyboard synthesis links, gathered in one interface target for the platform layer:
# user32 on Windows; off Windows X11 with the XTest extension (Debian: libx11-dev,
# libxtst-dev). XTest is optional: without it the X11 backend reports that it was built
# without X11 support and the uinput backend remains.
add_library(tagline_keyboard_deps INTERFACE)
if(WIN32)
  target_link_libraries(tagline_keyboard_deps INTERFACE user32)
else()
  find_package(X11)
  if(X11_FOUND AND X11_XTest_FOUND)
    target_link_libraries(tagline_keyboard_deps INTERFACE X11::X11 X11::Xtst)
    target_compile_definitions(tagline_keyboard_deps INTERFACE TAGLINE_HAVE_XTEST)
    message(STATUS "Keyboard synthesis: X11 XTest backend enabled")
  else()
    message(STATUS "Keyboard synthesis: X11 with XTest not found, X11 backend left out")
  endif()
endif()
