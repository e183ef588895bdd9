# Reads a database file with tessdb and compares the output whole.
# Variables: TESSDB, EMULATOR (may be empty), FILE, SQL, EXPECT.
execute_process(COMMAND ${EMULATOR} ${TESSDB} ${FILE} INPUT_FILE ${SQL}
                OUTPUT_VARIABLE dump ERROR_VARIABLE err RESULT_VARIABLE rc)
file(READ ${EXPECT} expected)
set(dump "${dump}${err}exit ${rc}\n")
if(NOT dump STREQUAL expected)
  message(FATAL_ERROR "tessdb differs.\n--- expected\n${expected}--- got\n${dump}")
endif()
