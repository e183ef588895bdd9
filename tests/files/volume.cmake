# The virtual volume engine: layout, operations, damaged volumes.
tessera_gtest(volume_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/volume_core_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/volume_layout_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/volume_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/volume_damage_test.cpp
  LIBS tessera_volume_engine)

# A writer killed at random moments leaves every file it closed intact:
# a short run here; scripts/volume-kill-loop.sh takes a larger count by hand.
add_executable(volume_killtest ${CMAKE_CURRENT_LIST_DIR}/volume_killtest.cpp)
target_link_libraries(volume_killtest PRIVATE tessera_volume_engine)
tessera_warnings(volume_killtest)
add_test(NAME volume.kill_loop
         COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/volume-kill-loop.sh
                 $<TARGET_FILE:volume_killtest> 8 150)
set_tests_properties(volume.kill_loop PROPERTIES ENVIRONMENT "TESSERA_EMULATOR=${TESSERA_EMULATOR}")
