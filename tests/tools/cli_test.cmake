# The tessimage command end to end: build every output from app.c and
# helpers.c, dump each, run the patched stand-in runtime to see that the
# locator it reads in memory names the image the dump found, compare with the
# image tessera_add_image built, and check refusal and usage exit codes.
# Inputs: TESSIMAGE, EMULATOR (may be empty), FIXTURES (object list), RUNTIME,
# POOL ("|"-separated), SAMPLE (directory of the tessimage_sample outputs), WORK.

function(run expected_rc)
  execute_process(COMMAND ${EMULATOR} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  if(NOT rc EQUAL expected_rc)
    message(FATAL_ERROR "${ARGN}\nexited ${rc}, expected ${expected_rc}\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

function(expect text pattern)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "expected /${pattern}/ in:\n${text}")
  endif()
endfunction()

# Everything after a dump's first line, which names the container.
function(body text var)
  string(FIND "${text}" "\n" newline)
  math(EXPR newline "${newline} + 1")
  string(SUBSTRING "${text}" ${newline} -1 rest)
  set(${var} "${rest}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(STRINGS ${FIXTURES} objects)
list(FILTER objects INCLUDE REGEX "/(app|helpers|refusals)\\.[cs]\\.o$")
set(app ${objects})
list(FILTER app EXCLUDE REGEX "refusals")
set(refusals ${objects})
list(FILTER refusals INCLUDE REGEX "refusals")
string(REPLACE "|" ";" pool "${POOL}")
set(pool_args)
foreach(item IN LISTS pool)
  list(APPEND pool_args --pool ${item})
endforeach()

run(0 ${TESSIMAGE} build --runtime ${RUNTIME} -o ${WORK}/app --image ${WORK}/app.img
    --dev ${WORK}/dev --map ${WORK}/app.map ${pool_args} ${app})
file(READ ${WORK}/app.map map)
expect("${map}" "code 0x[0-9a-f]+ +[0-9]+ global TessMain ")

run(0 ${TESSIMAGE} dump ${WORK}/app)
set(exe_dump "${out}")
if(NOT exe_dump MATCHES "image at offset 0x([0-9a-f]+), pool at offset 0x([0-9a-f]+)")
  message(FATAL_ERROR "no locator in:\n${exe_dump}")
endif()
set(where "image 0x${CMAKE_MATCH_1} pool 0x${CMAKE_MATCH_2}")
expect("${exe_dump}" "call StringLeft: 3 sites\n")
expect("${exe_dump}" "call !Xlibc.so.6!puts: 2 sites\n")
expect("${exe_dump}" "pool: 2 items\n")

# The patched executable reads its locator from memory.
run(0 ${WORK}/app)
expect("${out}" "locator: ${where}\n")

# All containers describe the same image.
body("${exe_dump}" exe_body)
run(0 ${TESSIMAGE} dump ${WORK}/dev)
body("${out}" dev_body)
run(0 ${TESSIMAGE} dump ${WORK}/app.img)
body("${out}" bare_body)
string(REGEX REPLACE "pool: .*" "" exe_blocks "${exe_body}")
string(REGEX REPLACE "pool: .*" "" bare_blocks "${bare_body}")
if(NOT dev_body STREQUAL exe_body OR NOT bare_blocks STREQUAL exe_blocks)
  message(FATAL_ERROR "dumps differ:\n${exe_body}\n---\n${dev_body}\n---\n${bare_body}")
endif()

# tessera_add_image built the same image from the same sources.
run(0 ${TESSIMAGE} dump ${SAMPLE}/tessimage_sample)
body("${out}" sample_body)
if(NOT sample_body STREQUAL exe_body)
  message(FATAL_ERROR "tessera_add_image output differs:\n${sample_body}\n---\n${exe_body}")
endif()

run(0 ${TESSIMAGE} dump ${RUNTIME})
expect("${out}" "placeholder locator")
run(0 ${RUNTIME})
expect("${out}" "locator: placeholder")

# Refusals print one line each and exit 1; usage errors exit 2.
run(1 ${TESSIMAGE} build --image ${WORK}/refused.img ${refusals})
expect("${err}" "tessimage: [^\n]*refusals.s.o: section .text.tail_jump at 0x1, symbol 'Elsewhere'")
if(EXISTS ${WORK}/refused.img)
  message(FATAL_ERROR "a refused build left an image behind")
endif()
run(1 ${TESSIMAGE} build --runtime ${WORK}/app -o ${WORK}/twice ${app})
expect("${err}" "already carries an application image")
run(2 ${TESSIMAGE} build ${app})
expect("${err}" "nothing to write")
run(2 ${TESSIMAGE} frobnicate)
