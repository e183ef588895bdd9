# Runs tessdb on a fresh file with the statements of INPUT on standard input
# and compares standard output and the exit code whole with EXPECT.
file(REMOVE ${WORKDIR}/case.db)
execute_process(COMMAND ${EMULATOR} ${TESSDB} ${WORKDIR}/case.db
                INPUT_FILE ${INPUT} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
file(READ ${EXPECT} expected)
set(out "${out}exit ${rc}\n")
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "tessdb output differs.\n--- expected\n${expected}--- got\n${out}")
endif()
execute_process(COMMAND ${EMULATOR} ${TESSDB} ${WORKDIR}/case.db -c "select count(*) from t"
                OUTPUT_VARIABLE again RESULT_VARIABLE rc2)
if(NOT again STREQUAL "count(*)\n2\n" OR NOT rc2 EQUAL 0)
  message(FATAL_ERROR "reopening with -c gave rc ${rc2}:\n${again}")
endif()
