# SPDX-License-Identifier: Apache-2.0
# The program's layers, each a static library of one folder of src/:
#
#   tagline_layer(NAME DIR [EXCLUDE regex...] [SOURCES file...] [SEES folder...])
#
# builds src/DIR/*.cpp (and the files of its subfolders), without the other OS's files
# (_posix/_linux off Windows, _win32 on it), and gives it an include root that holds
# links to src/DIR and to the folders it SEES only. It sees nothing else: an include from a
# folder above it fails to compile. Link the libraries of those folders yourself.
# SOURCES replaces the folder's own files.
set(TAGLINE_LAYER_ROOTS ${CMAKE_BINARY_DIR}/layers)

function(tagline_layer name dir)
  cmake_parse_arguments(PARSE_ARGV 2 layer "" "" "EXCLUDE;SOURCES;SEES")
  if(layer_SOURCES)
    set(sources ${layer_SOURCES})
  else()
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${dir}/*.cpp)
  endif()
  list(FILTER sources EXCLUDE REGEX ".*_main\\.cpp$")
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX ".*_(posix|linux)\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX ".*_win32\\.cpp$")
  endif()
  foreach(pattern IN LISTS layer_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${pattern}")
  endforeach()

  set(root ${TAGLINE_LAYER_ROOTS}/${name})
  file(MAKE_DIRECTORY ${root})
  foreach(folder IN LISTS dir layer_SEES)
    if(NOT EXISTS ${root}/${folder})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC COPY_ON_ERROR)
    endif()
  endforeach()

  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${root})
endfunction()
