# The tessimage command end to end: build every output from app.c and
# helpers.c, dump each, run the patched stand-in runtime to see that the
# locator it reads in memory names the image the dump found, compare with the
# image tessera_add_image built, and check refusal and usage exit codes; then
# the same for an image with a description file.
# Inputs: TESSIMAGE, EMULATOR (may be empty), FIXTURES (object list), RUNTIME,
# POOL ("|"-separated), SAMPLE (directory of the tessimage_sample and
# tessimage_described outputs), DESCRIPTION (sample.desc), WORK.

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
# describe.s, greeting.s, conventions.s: the order tessera_add_image used.
set(described)
foreach(source describe.s greeting.s conventions.s)
  set(match ${objects})
  list(FILTER match INCLUDE REGEX "/${source}\\.o$")
  list(APPEND described ${match})
endforeach()
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

# A description file: the dump lists what it laid out, and tessera_add_image
# built the same image.
run(0 ${TESSIMAGE} build --describe ${DESCRIPTION} --image ${WORK}/described.img
    --map ${WORK}/described.map ${described})
file(READ ${WORK}/described.map map)
expect("${map}" "data 0x[0-9a-f]+ +20 global Greeting  [^\n]*sample.desc\n")
expect("${map}" "data 0x[0-9a-f]+ +[0-9]+ global TessApplication  [^\n]*sample.desc\n")
run(0 ${TESSIMAGE} dump ${WORK}/described.img)
set(described_dump "${out}")
expect("${out}" "  call markers: 7 of 7 named call sites, 4 trailers\n")
expect("${out}" "descriptor at data 0x[0-9a-f]+: 4 classes, 5 items\n")
expect("${out}" "  class 0: framework \"Application\"\n  class 1: framework \"RuntimeException\"\n")
expect("${out}" "  class 2: \"IRunnable\", 16 bytes, super -1, interface\n    method \"Run\" 0 0 0 0\n")
expect("${out}" "  class 3: \"App\", 32 bytes, super 0, routines code 0x[0-9a-f]+ code 0x[0-9a-f]+\n")
expect("${out}" "    implements 2\n    method \"Run\" \"times As Integer\" 0 code 0x[0-9a-f]+ 0\n")
expect("${out}" "    property \"Count\" 2 20 16\n    method table: code 0x[0-9a-f]+ code 0x[0-9a-f]+\n")
expect("${out}" "  item 1: settings, 5 messages, title \"Sample\"\n")
expect("${out}" "    message 4: \"An exception of class %1 was not handled.\\\\x0dThe application")
expect("${out}" "  item 2: object of class 3 into data 0x[0-9a-f]+\n  item 3: none\n  item 4: kind 7\n")
expect("${out}" "  item 5: menu bar, 1 menu\n    menu \"File\" class 3\n      \"Quit\" name \"FileQuit\" key \"Q\" class 3\n")
body("${described_dump}" described_body)
# Window layouts hang off code, not the descriptor: the map gives the offset.
if(NOT map MATCHES "data 0x([0-9a-f]+) +[0-9]+ global MainLayout ")
  message(FATAL_ERROR "no MainLayout in the map:\n${map}")
endif()
math(EXPR layout "0x${CMAKE_MATCH_1}" OUTPUT_FORMAT HEXADECIMAL)
run(0 ${TESSIMAGE} dump ${WORK}/described.img --window ${layout})
expect("${out}" "window layout at data ${layout}: class 3, 1 pair, 1 control, 1 binding\n  \"Title\" \"Sample\"\n  control 0: class 0\n    \"Name\" \"Button\"\n")
expect("${out}" "  bind control 0 part \"\" to control 0 part \"\" by class 1, \"\" \"\"\n")
run(2 ${TESSIMAGE} dump ${WORK}/described.img --window -1)
expect("${err}" "bad data offset '-1'")
run(0 ${TESSIMAGE} dump ${SAMPLE}/described.img)
body("${out}" added_body)
if(NOT added_body STREQUAL described_body)
  message(FATAL_ERROR "tessera_add_image output differs:\n${added_body}\n---\n${described_body}")
endif()

# A faulty description: every fault on its own line with file and line, exit
# status 1, nothing written.
file(WRITE ${WORK}/bad.desc "class A\n  super Nobody\nend\nitem object A Missing\n")
run(1 ${TESSIMAGE} build --describe ${WORK}/bad.desc --image ${WORK}/bad.img ${described})
expect("${err}" "tessimage: [^\n]*bad.desc:2: unknown class 'Nobody' \\(superclass\\)\n")
expect("${err}" "tessimage: [^\n]*bad.desc:4: unknown symbol 'Missing' \\(slot\\)")
if(EXISTS ${WORK}/bad.img)
  message(FATAL_ERROR "a refused description left an image behind")
endif()
run(1 ${TESSIMAGE} build --describe ${WORK}/absent.desc --image ${WORK}/bad.img ${described})
run(2 ${TESSIMAGE} build --describe ${DESCRIPTION} --describe ${DESCRIPTION} --image ${WORK}/x ${described})
expect("${err}" "--describe given twice")
