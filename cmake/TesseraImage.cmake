# Building application images from C and assembler sources with tessimage.
#
# tessera_add_image(NAME SOURCES src.c|src.s ...
#                   [RUNTIME <target>] [DEV_DIR dir] [IMAGE file] [MAP file]
#                   [POOL files...] [ENTRY sym] [DESCRIPTOR sym] [DESCRIBE file]
#                   [INCLUDES dirs...] [PLUGINS library targets...])
#
# Compiles the sources into ELF32 objects the way the builder needs them and
# links them into an image. Target NAME (built by default) produces:
#   RUNTIME  ${CMAKE_CURRENT_BINARY_DIR}/NAME, the runtime executable of the
#            given target with the image (and pool) appended;
#   DEV_DIR  the development files code1.dat ... (data3.dat with a pool);
#   IMAGE    the bare image; MAP the symbol map.
# DESCRIBE names a description file (strings, classes, project items; see
# tools/tessimage/description.h) laid out in the data segment. PLUGINS embeds
# shared library targets (or files) as the image's plug-in list (symbol TessPlugins, for
# Win32InstallPlugins). Assembler
# sources may `.include "tessera/tessera.inc"`, the macros for routine frames,
# call markers and trailers, and files of the INCLUDES folders (relative ones
# are taken in the current source directory). Relative DEV_DIR, IMAGE and MAP are taken in the
# current binary directory, relative POOL and DESCRIBE files in the current
# source directory. With RUNTIME, do not
# call this from the top-level directory: the executable would share its path
# with the target's name.
#
# The compile options matter to the builder: no PIC (absolute references only),
# no unwind tables, no sibling calls (every call to a link name stays a 5-byte
# call the loader can bind), no stack protector (it calls a libc routine). The
# stack is kept 4-byte aligned only, as compiled Tessera code keeps it, so the
# runtime's entry points are exercised the way applications call them. Image
# code is never instrumented, whatever the runtime's own build adds.

set(TESSERA_IMAGE_COMPILE_OPTIONS
    -m32 -fno-pic -fno-pie -fno-asynchronous-unwind-tables -fno-optimize-sibling-calls
    -fno-stack-protector -mpreferred-stack-boundary=2 -fno-sanitize=all -O1)

# tessera_image_objects(NAME SOURCES ...): only the objects, as an OBJECT
# library, for callers that run the builder themselves (its tests do).
function(tessera_image_objects name)
  cmake_parse_arguments(TI "" "" "SOURCES;INCLUDES" ${ARGN})
  if(NOT TI_SOURCES)
    message(FATAL_ERROR "tessera_image_objects(${name}): no SOURCES")
  endif()
  add_library(${name} OBJECT ${TI_SOURCES})
  target_compile_options(${name} PRIVATE ${TESSERA_IMAGE_COMPILE_OPTIONS})
  set(includes ${PROJECT_SOURCE_DIR}/include)
  set(assembler_includes ${PROJECT_SOURCE_DIR}/include/tessera/tessera.inc)
  foreach(dir IN LISTS TI_INCLUDES)
    cmake_path(ABSOLUTE_PATH dir BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND includes ${dir})
    file(GLOB found ${dir}/*.inc)
    list(APPEND assembler_includes ${found})
  endforeach()
  target_include_directories(${name} PRIVATE ${includes})
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE OFF)
  # The compiler's dependency scan does not see assembler .include files.
  foreach(source IN LISTS TI_SOURCES)
    if(source MATCHES "\\.[sS]$")
      set_property(SOURCE ${source} APPEND PROPERTY OBJECT_DEPENDS ${assembler_includes})
    endif()
  endforeach()
endfunction()

function(tessera_add_image name)
  cmake_parse_arguments(TI "" "RUNTIME;DEV_DIR;IMAGE;MAP;ENTRY;DESCRIPTOR;DESCRIBE"
                        "SOURCES;POOL;INCLUDES;PLUGINS" ${ARGN})
  if(TI_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tessera_add_image(${name}): unknown arguments ${TI_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TI_RUNTIME AND NOT TI_DEV_DIR AND NOT TI_IMAGE)
    message(FATAL_ERROR "tessera_add_image(${name}): give RUNTIME, DEV_DIR or IMAGE")
  endif()
  tessera_image_objects(${name}_objects SOURCES ${TI_SOURCES} INCLUDES ${TI_INCLUDES})

  set(objects $<TARGET_OBJECTS:${name}_objects>)
  set(args)
  set(outputs)
  set(depends tessimage ${name}_objects ${objects})
  if(TI_RUNTIME)
    set(exe ${CMAKE_CURRENT_BINARY_DIR}/${name})
    list(APPEND args --runtime $<TARGET_FILE:${TI_RUNTIME}> -o ${exe})
    list(APPEND outputs ${exe})
    list(APPEND depends ${TI_RUNTIME})
  endif()
  if(TI_DEV_DIR)
    cmake_path(ABSOLUTE_PATH TI_DEV_DIR BASE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    list(APPEND args --dev ${TI_DEV_DIR})
    foreach(file code1.dat data1.dat code2.dat data2.dat)
      list(APPEND outputs ${TI_DEV_DIR}/${file})
    endforeach()
    if(TI_POOL)
      list(APPEND outputs ${TI_DEV_DIR}/data3.dat)
    endif()
  endif()
  foreach(option IMAGE MAP)
    if(TI_${option})
      cmake_path(ABSOLUTE_PATH TI_${option} BASE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
      string(TOLOWER ${option} flag)
      list(APPEND args --${flag} ${TI_${option}})
      list(APPEND outputs ${TI_${option}})
    endif()
  endforeach()
  foreach(item IN LISTS TI_POOL)
    cmake_path(ABSOLUTE_PATH item BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND args --pool ${item})
    list(APPEND depends ${item})
  endforeach()
  # Plug-ins are library targets or files, embedded in the order given.
  foreach(plugin IN LISTS TI_PLUGINS)
    if(TARGET ${plugin})
      list(APPEND args --plugin $<TARGET_FILE:${plugin}>)
    else()
      cmake_path(ABSOLUTE_PATH plugin BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
      list(APPEND args --plugin ${plugin})
    endif()
    list(APPEND depends ${plugin})
  endforeach()
  if(TI_ENTRY)
    list(APPEND args --entry ${TI_ENTRY})
  endif()
  if(TI_DESCRIPTOR)
    list(APPEND args --descriptor ${TI_DESCRIPTOR})
  endif()
  if(TI_DESCRIBE)
    cmake_path(ABSOLUTE_PATH TI_DESCRIBE BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND args --describe ${TI_DESCRIBE})
    list(APPEND depends ${TI_DESCRIBE})
  endif()

  # CMake prefixes a target's emulator to custom commands only when
  # cross-compiling, which a -m32 build on an x86 host is not; name it here.
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${TESSERA_EMULATOR} $<TARGET_FILE:tessimage> build ${args} ${objects}
    DEPENDS ${depends}
    COMMENT "Building application image ${name}"
    COMMAND_EXPAND_LISTS VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${outputs})
endfunction()
