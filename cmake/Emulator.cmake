# Decides how 32-bit programs run on this host: directly where the kernel
# executes i386 binaries, otherwise through qemu-i386-static. CTest and custom
# commands pick the choice up through CMAKE_CROSSCOMPILING_EMULATOR; people use
# the generated run32 wrapper.
set(_probe_dir ${CMAKE_BINARY_DIR}/emulator-probe)
file(MAKE_DIRECTORY ${_probe_dir})
file(WRITE ${_probe_dir}/probe.c "int main(void) { return sizeof(void*) == 4 ? 0 : 1; }\n")
execute_process(
  COMMAND ${CMAKE_C_COMPILER} -m32 ${_probe_dir}/probe.c -o ${_probe_dir}/probe
  RESULT_VARIABLE _probe_build)
if(NOT _probe_build EQUAL 0)
  message(FATAL_ERROR "cannot build 32-bit programs: install g++-multilib")
endif()
set(_native_ok FALSE)
if(NOT TESSERA_FORCE_EMULATOR)
  execute_process(COMMAND ${_probe_dir}/probe RESULT_VARIABLE _probe_run
                  OUTPUT_QUIET ERROR_QUIET)
  if(_probe_run EQUAL 0)
    set(_native_ok TRUE)
  endif()
endif()
if(_native_ok)
  message(STATUS "32-bit programs run natively on this host")
  set(TESSERA_EMULATOR "")
else()
  find_program(QEMU_I386 qemu-i386-static REQUIRED)
  message(STATUS "32-bit programs run through ${QEMU_I386}")
  set(TESSERA_EMULATOR ${QEMU_I386})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_I386})
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/run32.in ${CMAKE_BINARY_DIR}/run32 @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
               GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
