# Checks a PDF file the printer wrote with poppler's tools: its page count
# and page size (pdfinfo) and texts its pages must hold (pdftotext).
# Variables: PDF, PAGES, SIZE (as pdfinfo writes it, "612 x 792"), TEXTS
# (separated by "|").
execute_process(COMMAND pdfinfo ${PDF} OUTPUT_VARIABLE info ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pdfinfo ${PDF} failed: ${err}")
endif()
if(NOT info MATCHES "Pages: +${PAGES}\n")
  message(SEND_ERROR "${PDF}: expected ${PAGES} pages:\n${info}")
endif()
if(NOT info MATCHES "Page size: +${SIZE} pts")
  message(SEND_ERROR "${PDF}: expected pages of ${SIZE} pts:\n${info}")
endif()
execute_process(COMMAND pdftotext ${PDF} - OUTPUT_VARIABLE text RESULT_VARIABLE rc)
string(REPLACE "|" ";" texts "${TEXTS}")
foreach(expected ${texts})
  string(FIND "${text}" "${expected}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "${PDF}: no text \"${expected}\" in:\n${text}")
  endif()
endforeach()
