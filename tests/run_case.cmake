# Runs one program and compares its exit code, standard output and standard
# error with expectations, whole. Variables: PROGRAM, EMULATOR (may be empty),
# WORKDIR, EXPECT_STDOUT, EXPECT_STDERR (files; absent means empty).
if(EMULATOR)
  set(command ${EMULATOR} ${PROGRAM})
else()
  set(command ${PROGRAM})
endif()
execute_process(COMMAND ${command} WORKING_DIRECTORY ${WORKDIR}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(SEND_ERROR "exit code ${rc}, expected 0")
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
