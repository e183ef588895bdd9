# Runs one program and compares its exit code, standard output and standard
# error with expectations, whole. Variables: PROGRAM, EMULATOR (may be empty),
# WORKDIR, ARGS (a list of arguments), EXPECT_STDOUT, EXPECT_STDERR (files;
# absent means empty), EXPECT_EXIT (default 0).
if(EMULATOR)
  set(command ${EMULATOR} ${PROGRAM} ${ARGS})
else()
  set(command ${PROGRAM} ${ARGS})
endif()
if(NOT DEFINED EXPECT_EXIT)
  set(EXPECT_EXIT 0)
endif()
execute_process(COMMAND ${command} WORKING_DIRECTORY ${WORKDIR}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL EXPECT_EXIT)
  message(SEND_ERROR "exit code ${rc}, expected ${EXPECT_EXIT}")
endif()
function(expect_file what actual file)
  set(expected "")
  if(file)
    file(READ ${file} expected)
  endif()
  if(NOT actual STREQUAL expected)
    message(SEND_ERROR "${what} differs.\n--- expected ---\n${expected}--- actual ---\n${actual}---")
  endif()
endfunction()
expect_file("standard output" "${out}" "${EXPECT_STDOUT}")
expect_file("standard error" "${err}" "${EXPECT_STDERR}")
