# The virtual volume engine: a folder tree inside one host file, over the
# database engine's byte streams. Layout-independent: built into the 32-bit
# runtime and natively.
add_library(tessera_volume_engine STATIC
  ${CMAKE_CURRENT_LIST_DIR}/volume.cpp
  ${CMAKE_CURRENT_LIST_DIR}/volume_core.cpp)
target_include_directories(tessera_volume_engine PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tessera_volume_engine PUBLIC tessera_db)
tessera_warnings(tessera_volume_engine)
