# The layers, held by the build.
#
#   tools, tests, benchmarks      may use everything below, and the stand-in's controls
#   host/                         the stand-in for the driver's user-interface host
#   dcl/  driver/                 the suite's language libraries and graphics driver
#   spool/  language/             shared by the libraries
#   platform/ (Win32 headers)     the only way down to the operating system
#
# Each layer exposes its headers through an INTERFACE target whose include folder
# holds that layer's folder alone (a link to it under the build tree), so a source
# sees only the layers its target links: "dcl/..." from spool/, or
# "platform/stand_in.h" from a product library, is not found. The controls of the
# stand-in (machine root, platform identity, scripted user, resource builders) are a
# target of their own that only tools, tests and benchmarks link.
#
# trv_check_layers() also reads the product sources at configure time and names
# each include that crosses a layer, so the error says what is wrong and where.

set(TRV_LAYER_INCLUDE_DIR ${CMAKE_BINARY_DIR}/layers)

# Headers of the platform that code written for Windows may include.
set(TRV_WIN32_HEADERS windef.h winerror.h winreg.h winspool.h winsplp.h winver.h kernel.h
    last_error.h wingdi.h winddi.h)
# Headers of the stand-in itself: tools, tests and benchmarks only.
set(TRV_CONTROL_HEADERS stand_in.h spooler_stand_in.h resources.h)

# _trv_link(LINK TARGET): a symbolic link, replaced when it points elsewhere.
function(_trv_link link target)
  get_filename_component(parent ${link} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(IS_SYMLINK ${link})
    file(READ_SYMLINK ${link} current)
    if(current STREQUAL target)
      return()
    endif()
    file(REMOVE ${link})
  endif()
  file(CREATE_LINK ${target} ${link} SYMBOLIC)
endfunction()

# trv_header_set(NAME HEADERS...): an INTERFACE target NAME whose include folder
# holds platform/<header> for each header named.
function(trv_header_set name)
  foreach(header ${ARGN})
    if(NOT EXISTS ${CMAKE_SOURCE_DIR}/platform/${header})
      message(FATAL_ERROR "layers: platform/${header} is listed but missing")
    endif()
    _trv_link(${TRV_LAYER_INCLUDE_DIR}/${name}/platform/${header} ${CMAKE_SOURCE_DIR}/platform/${header})
  endforeach()
  add_library(${name} INTERFACE)
  target_include_directories(${name} INTERFACE ${TRV_LAYER_INCLUDE_DIR}/${name})
endfunction()

# trv_layer(FOLDER): an INTERFACE target trv_layer_<FOLDER> whose include folder
# holds FOLDER/ and nothing else.
function(trv_layer folder)
  _trv_link(${TRV_LAYER_INCLUDE_DIR}/${folder}/${folder} ${CMAKE_SOURCE_DIR}/${folder})
  add_library(trv_layer_${folder} INTERFACE)
  target_include_directories(trv_layer_${folder} INTERFACE ${TRV_LAYER_INCLUDE_DIR}/${folder})
endfunction()

trv_header_set(trv_win32 ${TRV_WIN32_HEADERS})
trv_header_set(trv_stand_in_headers ${TRV_CONTROL_HEADERS})
trv_layer(spool)
trv_layer(language)
trv_layer(dcl)
trv_layer(driver)
trv_layer(host)

# Everything, for the stand-in's own sources, tools, tests and benchmarks.
add_library(trv_source_root INTERFACE)
target_include_directories(trv_source_root INTERFACE ${CMAKE_SOURCE_DIR})

# trv_check_layers(FOLDER ALLOWED...): every C++ source under FOLDER (outside its
# tests/ folders) includes project headers only from the folders ALLOWED, from the
# platform only the Win32 headers, and no operating-system header.
function(trv_check_layers folder)
  set(allowed ${ARGN})
  file(GLOB_RECURSE sources RELATIVE ${CMAKE_SOURCE_DIR}
       ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  set(os_headers "unistd\\.h|fcntl\\.h|dlfcn\\.h|poll\\.h|pthread\\.h|dirent\\.h|signal\\.h|sys/|arpa/|netinet/|linux/")
  set(faults "")
  foreach(source ${sources})
    if(source MATCHES "/tests/")
      continue()
    endif()
    file(STRINGS ${CMAKE_SOURCE_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${lines})
      set(fault "")
      if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
        set(header ${CMAKE_MATCH_1})
        if(header MATCHES "^platform/(.*)$")
          list(FIND TRV_WIN32_HEADERS "${CMAKE_MATCH_1}" found)
          if(found EQUAL -1)
            set(fault "${header} is not a Win32 header; the suite's libraries reach the platform only through ${TRV_WIN32_HEADERS}")
          endif()
        elseif(header MATCHES "^([a-z0-9_]+)/")
          list(FIND allowed "${CMAKE_MATCH_1}" found)
          if(found EQUAL -1)
            set(fault "${header} belongs to a layer that ${folder}/ may not use (allowed: ${allowed} and platform/)")
          endif()
        elseif(header MATCHES "\\.\\./")
          set(fault "${header} reaches out of its folder by a relative path")
        endif()
      elseif(line MATCHES "#[ \t]*include[ \t]*<(${os_headers})")
        set(fault "an operating-system header; only platform/ calls the operating system")
      endif()
      if(fault)
        string(APPEND faults "\n  ${source}: ${line}\n    -> ${fault}")
      endif()
    endforeach()
  endforeach()
  if(faults)
    message(FATAL_ERROR "Layer violation in ${folder}/:${faults}")
  endif()
endfunction()
