# The virtual volume engine: layout, operations, damaged volumes.
tessera_gtest(volume_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/volume_layout_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/volume_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/volume_damage_test.cpp
  LIBS tessera_volume_engine)
