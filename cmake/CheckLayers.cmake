# Checks that every folder of src/, and the public headers, include only
# themselves and the layers beneath them, so a subsystem can be understood,
# built and tested without those above.
#
#   cmake -DSOURCE_DIR=<tree holding src/> -P cmake/CheckLayers.cmake
#
# The table below is the rule, in layer order; the README's layout table says
# the same in words. `tessera` stands for the public headers (include/tessera),
# which carry the layouts shared with compiled code: the database and the host
# layer stay free of them. A folder of src/ missing from the table fails the
# check, so a new subsystem states its place when it is added. Includes whose
# first component names no layer (system and library headers) and includes
# without a folder (beside the including file) are not layered.

cmake_minimum_required(VERSION 3.20)

# A layer may be a folder inside another's (`db/classes`): its sources and the
# includes that name it belong to it, not to the folder around it.
set(layers platform base db tessera runtime values threads files db/classes comm graphics ui image)
set(may_include_platform platform)
set(may_include_tessera tessera)
set(may_include_base platform base)
set(may_include_db platform base db)
set(may_include_runtime platform base tessera runtime)
set(may_include_values platform base tessera runtime values)
set(may_include_threads platform base tessera runtime values threads)
set(may_include_files platform base db tessera runtime values threads files)
set(may_include_db/classes platform base db tessera runtime values threads files db/classes)
set(may_include_comm platform base tessera runtime values threads files comm)
set(may_include_graphics platform base tessera runtime values threads files graphics)
set(may_include_ui platform base db tessera runtime values threads files db/classes comm graphics ui)
set(may_include_image platform base db tessera runtime values threads files db/classes comm graphics ui image)
# Single headers a layer may use from above it: number formatting is one of
# the value types' engines that stay free of the object layout and build
# natively, and the database writes its values' text with it.
set(also_db values/number_format.h)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<tree holding src/> -P CheckLayers.cmake")
endif()

set(violations 0)

# Checks every source below DIR (relative to SOURCE_DIR) as part of LAYER.
function(check_layer dir layer)
  set(count ${violations})
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
       ${SOURCE_DIR}/${dir}/*.h ${SOURCE_DIR}/${dir}/*.c ${SOURCE_DIR}/${dir}/*.cpp
       ${SOURCE_DIR}/${dir}/*.S ${SOURCE_DIR}/${dir}/*.s ${SOURCE_DIR}/${dir}/*.inc)
  foreach(nested IN LISTS layers)
    if(nested MATCHES "^${layer}/")
      list(FILTER sources EXCLUDE REGEX "^src/${nested}/")
    endif()
  endforeach()
  list(SORT sources)
  string(REPLACE ";" ", " allowed "${may_include_${layer}}")
  foreach(source IN LISTS sources)
    file(STRINGS ${SOURCE_DIR}/${source} includes
         REGEX "^[ \t]*(#[ \t]*include|\\.include)[ \t]*[<\"]")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^<\"]*[<\"]([^>\"]*)[>\"].*$" "\\1" path "${line}")
      if(path MATCHES "(^|/)\\.\\.(/|$)")
        message(NOTICE "${source}: includes \"${path}\": name the layer, not a relative path")
        math(EXPR count "${count} + 1")
        continue()
      endif()
      if(NOT path MATCHES "/")
        continue()
      endif()
      string(REGEX REPLACE "/.*$" "" included "${path}")
      foreach(nested IN LISTS layers)
        if(nested MATCHES "/" AND path MATCHES "^${nested}/")
          set(included ${nested})
        endif()
      endforeach()
      if(NOT included IN_LIST layers OR included IN_LIST may_include_${layer}
         OR path IN_LIST also_${layer})
        continue()
      endif()
      message(NOTICE "${source}: includes \"${path}\"; ${dir} may include ${allowed}")
      math(EXPR count "${count} + 1")
    endforeach()
  endforeach()
  set(violations ${count} PARENT_SCOPE)
endfunction()

if(IS_DIRECTORY ${SOURCE_DIR}/include/tessera)
  check_layer(include/tessera tessera)
endif()
file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*)
list(SORT folders)
foreach(folder IN LISTS folders)
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/src/${folder})
    continue()
  endif()
  if(NOT DEFINED may_include_${folder} OR folder STREQUAL "tessera")
    message(NOTICE "src/${folder}: not in the layer table (cmake/CheckLayers.cmake)")
    math(EXPR violations "${violations} + 1")
    continue()
  endif()
  check_layer(src/${folder} ${folder})
endforeach()
foreach(nested IN LISTS layers)
  if(nested MATCHES "/" AND IS_DIRECTORY ${SOURCE_DIR}/src/${nested})
    check_layer(src/${nested} ${nested})
  endif()
endforeach()

if(violations GREATER 0)
  message(FATAL_ERROR "${violations} include(s) against the layer order")
endif()
message(STATUS "layers: every include is of its own layer or one beneath")
