# korvel-convert.exe under the emulator: a file in each mode, byte for byte.
# Texts are compared as hex: CMake's own strings do not keep \r reliably.
file(MAKE_DIRECTORY ${WORK})
file(REMOVE ${WORK}/latin.txt ${WORK}/back.txt ${WORK}/never.txt)
file(MAKE_DIRECTORY ${WORK}/a-folder)
file(WRITE ${WORK}/russian.txt "Щука и ёж\r\nХорошо\n")

function(convert mode input output expected)
  execute_process(COMMAND ${EMULATOR} ${TOOL} ${mode} -o ${WORK}/${output} ${WORK}/${input}
                  RESULT_VARIABLE status OUTPUT_VARIABLE messages ERROR_VARIABLE messages)
  if(NOT status EQUAL 0 OR NOT EXISTS ${WORK}/${output})
    message(FATAL_ERROR "${mode}: exit ${status}, no ${output}: ${messages}")
  endif()
  file(READ ${WORK}/${output} written HEX)
  string(HEX "${expected}" wanted)
  if(NOT written STREQUAL wanted)
    message(FATAL_ERROR "${mode}: wrote ${written}, expected ${wanted}")
  endif()
endfunction()

convert(--to-latin russian.txt latin.txt "Ščuka  i  jež\r\nChorošo\n")
convert(--to-cyrillic latin.txt back.txt "Шчука    и    йеж\r\nХорошо\n")

string(ASCII 255 invalid_byte)
file(WRITE ${WORK}/bad.txt "ok${invalid_byte}")
execute_process(COMMAND ${EMULATOR} ${TOOL} --keyboard -o ${WORK}/never.txt ${WORK}/bad.txt
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
if(NOT status EQUAL 1 OR EXISTS ${WORK}/never.txt)
  message(FATAL_ERROR "invalid UTF-8: exit ${status}, or an output file was left")
endif()
# An output that cannot be replaced (a folder) is named with the system's
# reason, not with a stale errno's.
execute_process(COMMAND ${EMULATOR} ${TOOL} --to-latin -o ${WORK}/a-folder ${WORK}/russian.txt
                RESULT_VARIABLE status OUTPUT_VARIABLE messages ERROR_VARIABLE messages)
if(NOT status EQUAL 1 OR NOT messages MATCHES "cannot write [^\n]*a-folder: [^\n]*denied")
  message(FATAL_ERROR "replacing a folder: exit ${status}, message: ${messages}")
endif()
message(STATUS "korvel-convert.exe converted both ways, refused invalid UTF-8 and named why it could not write")

# On a console (Wine gives one on a terminal: here a pseudo-terminal made by
# script), the text and the messages are shown as the letters they are, not
# as UTF-8 bytes read in the console's code page.
find_program(SCRIPT_COMMAND script)
if(SCRIPT_COMMAND)
  # Short names: the console wraps at 80 columns, and redraws runs of spaces.
  # The terminal is a UTF-8 one, as Debian's are (Wine reads the locale for it).
  execute_process(COMMAND env LC_ALL=C.UTF-8 ${SCRIPT_COMMAND} -qec "wine '${TOOL}' --to-latin russian.txt missing-ř.txt"
                          /dev/null
                  WORKING_DIRECTORY ${WORK} INPUT_FILE /dev/null OUTPUT_VARIABLE shown ERROR_VARIABLE shown TIMEOUT 120)
  if(NOT shown MATCHES "Ščuka" OR NOT shown MATCHES "jež" OR NOT shown MATCHES "Chorošo" OR
     NOT shown MATCHES "cannot read missing-ř.txt")
    message(FATAL_ERROR "on a console, korvel-convert.exe showed: ${shown}")
  endif()
  message(STATUS "korvel-convert.exe showed Czech letters on a console")
endif()
