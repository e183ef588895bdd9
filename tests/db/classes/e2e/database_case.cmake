# Runs the image on a fresh work folder and compares its output whole, then
# reads the database file it left with tessdb and compares that whole too.
file(REMOVE ${WORKDIR}/e2e_db.tdb ${WORKDIR}/e2e_db.tdb-journal)
execute_process(COMMAND ${EMULATOR} ${PROGRAM} WORKING_DIRECTORY ${WORKDIR}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
file(READ ${EXPECT} expected)
if(NOT rc EQUAL 0 OR NOT out STREQUAL expected OR NOT err STREQUAL "")
  message(FATAL_ERROR "image: exit ${rc}\n--- expected\n${expected}--- got\n${out}--- stderr\n${err}")
endif()
execute_process(COMMAND ${EMULATOR} ${TESSDB} ${WORKDIR}/e2e_db.tdb
                INPUT_FILE ${CMAKE_CURRENT_LIST_DIR}/database.sql
                OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
file(READ ${EXPECT_DUMP} expected)
set(dump "${dump}exit ${rc}\n")
if(NOT dump STREQUAL expected)
  message(FATAL_ERROR "tessdb differs.\n--- expected\n${expected}--- got\n${dump}")
endif()
