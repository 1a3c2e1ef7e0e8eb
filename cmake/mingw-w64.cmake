# SPDX-License-Identifier: Apache-2.0
# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread model, so
# that std::thread and std::mutex exist). Programs link libstdc++, libgcc and winpthread
# statically: the .exe files need no DLLs beside them, under Wine or on a plain Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Lets scripts/cross-windows run the cross-built tests (ctest, gtest discovery) under Wine.
find_program(TAGLINE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TAGLINE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAGLINE_WINE})
endif()

# CLI11 is header-only and has no MinGW package: the host's copy is used through a folder
# that holds nothing else, so no other host header can shadow a MinGW one.
if(NOT CLI11_INCLUDE_DIR AND EXISTS /usr/include/CLI/CLI.hpp)
  set(tagline_host_headers ${CMAKE_BINARY_DIR}/host-headers)
  file(MAKE_DIRECTORY ${tagline_host_headers})
  file(CREATE_LINK /usr/include/CLI ${tagline_host_headers}/CLI SYMBOLIC)
  set(CLI11_INCLUDE_DIR ${tagline_host_headers} CACHE PATH "CLI11 headers for the cross build")
endif()
