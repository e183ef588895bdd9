# Runs the statements of INPUT on a fresh file and compares the output and
# exit code whole with EXPECT, and the file's .dump with DUMP; then replays
# that dump into a second fresh file, whose .dump must be the same text.
# To regenerate the expectations after a deliberate change:
#   tessdb a.db < values.sql > values.out; echo "exit $?" >> values.out
#   tessdb a.db -c .dump > values.dump
function(run_tessdb out_var rc_var)
  execute_process(COMMAND ${EMULATOR} ${TESSDB} ${ARGN} OUTPUT_VARIABLE out RESULT_VARIABLE rc
                  ${input})
  set(${out_var} "${out}" PARENT_SCOPE)
  set(${rc_var} "${rc}" PARENT_SCOPE)
endfunction()

file(REMOVE ${WORKDIR}/first.db ${WORKDIR}/second.db)
set(input INPUT_FILE ${INPUT})
run_tessdb(out rc ${WORKDIR}/first.db)
file(READ ${EXPECT} expected)
if(NOT "${out}exit ${rc}\n" STREQUAL expected)
  message(FATAL_ERROR "tessdb output differs.\n--- expected\n${expected}--- got\n${out}exit ${rc}\n")
endif()

set(input)
run_tessdb(first rc ${WORKDIR}/first.db -c .dump)
file(READ ${DUMP} expected)
if(NOT first STREQUAL expected OR NOT rc EQUAL 0)
  message(FATAL_ERROR "dump (rc ${rc}) differs.\n--- expected\n${expected}--- got\n${first}")
endif()

file(WRITE ${WORKDIR}/first.sql "${first}")
set(input INPUT_FILE ${WORKDIR}/first.sql)
run_tessdb(out rc ${WORKDIR}/second.db)
if(NOT out STREQUAL "" OR NOT rc EQUAL 0)
  message(FATAL_ERROR "replaying the dump gave rc ${rc}:\n${out}")
endif()
set(input)
run_tessdb(second rc ${WORKDIR}/second.db -c .dump)
if(NOT second STREQUAL first)
  message(FATAL_ERROR "the replayed file dumps differently.\n--- first\n${first}--- second\n${second}")
endif()
