# The Windows program run under Wine as a user runs it, with input that has ended or is
# not there, so that the key wait ends at once:
#   cmake -DPROGRAM=<jumpbench.exe> -DEMULATOR=<list> -DCASE=<case> -DWORK_DIR=<dir>
#         -DPOINTER_BYTES=<4|8> -P windows_program_test.cmake
# Cases: null_device, ended_pipe, no_input (exact output, exit code 0) and
# full_device (standard output /dev/full: every write fails, exit code 1).
#
# The output is compared byte for byte, each tick figure (-?[0-9]+) taken as <T>. CMake
# drops carriage returns from a command's output and from a file read as text, so the
# output goes to a file that is read in hexadecimal and decoded here.

# The report's rows in order: the label as it stands between the tick figure and the code
# size, the 32-bit code size in bytes, the scan length, and the kernel's inc esi count. A
# 64-bit program (POINTER_BYTES 8) lays each inc esi out in two bytes, FF C6, not 46.
set(ROWS
  "\tcycles  few jumps, |66|500|1"
  "\tcycles many jumps, |66|500|1"
  "\tcycles many + xchg al, ah, |78|500|2"
  "\tcycles elseif jumps, |78|500|1"
  "\tcycles Switch, |79|500|1"
  "\tcycles  few jumps, |66|10|1"
  "\tcycles many jumps, |66|10|1")
set(CLOSING_PROMPT "\r\n--- ok ---\r")
set(FINAL_LINE_END "\r\n")

set(expected "")
foreach(row IN LISTS ROWS)
  string(REPLACE "|" ";" fields "${row}")
  list(GET fields 0 label)
  list(GET fields 1 code_bytes)
  list(GET fields 2 length)
  list(GET fields 3 inc_count)
  if(POINTER_BYTES EQUAL 8)
    math(EXPR code_bytes "${code_bytes} + ${inc_count}")
  endif()
  string(APPEND expected "<T>${label}${code_bytes} bytes, len=${length}\r\n")
endforeach()
string(APPEND expected "${CLOSING_PROMPT}${FINAL_LINE_END}")

# The bytes written as hex digits, as text again; a NUL byte, which no CMake string can
# hold, as "<NUL>".
function(decoded hex out)
  string(REGEX MATCHALL ".." bytes "${hex}")
  set(text "")
  foreach(byte IN LISTS bytes)
    if(byte STREQUAL "00")
      string(APPEND text "<NUL>")
    else()
      math(EXPR code "0x${byte}")
      string(ASCII ${code} character)
      string(APPEND text "${character}")
    endif()
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# `text` in quotes with CR, LF and tab shown as \r, \n and \t.
function(shown text out)
  string(REPLACE "\r" "\\r" text "${text}")
  string(REPLACE "\n" "\\n" text "${text}")
  string(REPLACE "\t" "\\t" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

set(output_file "${WORK_DIR}/windows_program_${CASE}.out")
set(run TIMEOUT 60 RESULTS_VARIABLE exit_codes)
set(expected_exit_code 0)
if(CASE STREQUAL "null_device")
  execute_process(COMMAND ${EMULATOR} ${PROGRAM}
                  INPUT_FILE /dev/null OUTPUT_FILE ${output_file} ${run})
elseif(CASE STREQUAL "ended_pipe")
  execute_process(COMMAND true COMMAND ${EMULATOR} ${PROGRAM}
                  OUTPUT_FILE ${output_file} ${run})
elseif(CASE STREQUAL "no_input")
  execute_process(COMMAND sh -c "exec 0<&- \"$@\"" sh ${EMULATOR} ${PROGRAM}
                  OUTPUT_FILE ${output_file} ${run})
elseif(CASE STREQUAL "full_device")
  execute_process(COMMAND ${EMULATOR} ${PROGRAM}
                  INPUT_FILE /dev/null OUTPUT_FILE /dev/full ${run})
  set(expected_exit_code 1)
else()
  message(FATAL_ERROR "unknown case '${CASE}'")
endif()
list(GET exit_codes -1 exit_code)

if(NOT exit_code STREQUAL expected_exit_code)
  message(FATAL_ERROR "${CASE}: exit code '${exit_code}', expected ${expected_exit_code}")
endif()
if(CASE STREQUAL "full_device")
  return()
endif()
file(READ ${output_file} output_hex HEX)
decoded("${output_hex}" output)
# A tick figure starts each report row, right after the LF that ends the line before.
string(REGEX REPLACE "\n-?[0-9]+\t" "\n<T>\t" masked "\n${output}")
if(NOT masked STREQUAL "\n${expected}")
  shown("${output}" output_shown)
  shown("${expected}" expected_shown)
  # NOTICE prints the texts as they are; an error message would be wrapped and its
  # runs of blanks collapsed.
  message(NOTICE "output:   ${output_shown}\nexpected: ${expected_shown}")
  message(FATAL_ERROR "${CASE}: the output is not the whole report")
endif()
