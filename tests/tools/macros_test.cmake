# tessera.inc refuses what would write conventions the unwinder misreads:
# each case is assembled on its own and must fail with its message; the last
# one must assemble. Inputs: CC, INCLUDE (the include/ directory), WORK.

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(assemble name expected_rc pattern body)
  file(WRITE ${WORK}/${name}.s ".include \"tessera/tessera.inc\"\n.text\n${body}\n")
  execute_process(COMMAND ${CC} -m32 -c -I${INCLUDE} ${WORK}/${name}.s -o ${WORK}/${name}.o
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(expected_rc EQUAL 0 AND NOT rc EQUAL 0)
    message(FATAL_ERROR "${name}: did not assemble\n${out}${err}")
  elseif(NOT expected_rc EQUAL 0 AND rc EQUAL 0)
    message(FATAL_ERROR "${name}: assembled, expected /${pattern}/")
  elseif(NOT "${out}${err}" MATCHES "${pattern}")
    message(FATAL_ERROR "${name}: expected /${pattern}/ in:\n${out}${err}")
  endif()
endfunction()

set(frame "the frame must be a multiple of 4 and at least 4")
assemble(no_frame 1 "${frame}" "TESS_ROUTINE F, 0")
assemble(odd_frame 1 "${frame}" "TESS_ROUTINE F, 10")
assemble(far_argument 1 "argument offsets are 0 to 255" "call G\nTESS_MARKER string 256")
assemble(negative_argument 1 "argument offsets are 0 to 255" "TESS_CALL G, object -4")
assemble(unknown_item 1 "unknown clean-up item" "TESS_CALL G, string 4, frob 8")
assemble(wide_local 1 "16-bit" "TESS_STRING_LOCAL -40000")
assemble(wide_class 1 "16-bit" "TESS_HANDLER 40000, h\nh: ret")
assemble(handler_elsewhere 1 "Error" "TESS_HANDLER 1, h\n.data\nh: .long 0")
assemble(fine 0 "" "TESS_ROUTINE F, 8\nTESS_CALL G, in_handler\nTESS_END\nTESS_TRAILER_END")
