# The profile tool run as a user runs it:
#   cmake -DPROGRAM=<jumpbench-profile> [-DEMULATOR=<list>] -DCASE=<case>
#         -DEXPECTED_CSV=<file> -DLINE_END=<lf|crlf> -DWORK_DIR=<dir> -P profile_tool_test.cmake
# Cases:
#   csv          --csv gives exactly the expected file's bytes, its line ends LINE_END (the
#                Windows C runtime writes CR LF): the same counts on every target
#   table        the table: its header, one line per row with the CSV's counts and the
#                derived taken and not-taken branches, then its notes
#   bad_options  an unknown option or both outputs: a message, no output, exit code 2
#   output_lost  standard output a full device: the usage, the table and the CSV each end
#                with exit code 1 and one line on standard error that says so
#   size_limit   a file-size limit of 0 (ulimit -f 0) for the CSV: the same, not SIGXFSZ
#
# The expected CSV holds the counts that profile_test.cpp works out by hand for each row.
# CMake drops carriage returns from a command's output and from a file read as text, so
# outputs go to files, which are compared in hexadecimal.

function(run_tool name)
  execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGN}
                  OUTPUT_FILE ${WORK_DIR}/profile_${name}.out
                  ERROR_VARIABLE error RESULT_VARIABLE exit_code)
  set(exit_code "${exit_code}" PARENT_SCOPE)
  set(error "${error}" PARENT_SCOPE)
  file(READ ${WORK_DIR}/profile_${name}.out output)
  set(output "${output}" PARENT_SCOPE)
  file(READ ${WORK_DIR}/profile_${name}.out output_hex HEX)
  set(output_hex "${output_hex}" PARENT_SCOPE)
endfunction()

file(READ ${EXPECTED_CSV} expected_csv)

if(CASE STREQUAL "csv")
  run_tool(csv --csv)
  if(NOT exit_code EQUAL 0)
    message(FATAL_ERROR "exit code ${exit_code}, expected 0:\n${error}")
  endif()
  set(expected "${expected_csv}")
  if(LINE_END STREQUAL "crlf")
    string(REPLACE "\n" "\r\n" expected "${expected}")
  endif()
  file(WRITE ${WORK_DIR}/profile_csv.expected "${expected}")
  file(READ ${WORK_DIR}/profile_csv.expected expected_hex HEX)
  if(NOT output_hex STREQUAL expected_hex)
    message(FATAL_ERROR "--csv output differs from ${EXPECTED_CSV} (${LINE_END} line ends):\n"
                        "${output}\nhex: ${output_hex}\nexpected hex: ${expected_hex}")
  endif()
elseif(CASE STREQUAL "table")
  run_tool(table)
  if(NOT exit_code EQUAL 0)
    message(FATAL_ERROR "exit code ${exit_code}, expected 0:\n${error}")
  endif()
  string(REPLACE "\r" "" output "${output}")
  set(pattern "^layout +sample +instructions +conditional_branches +conditional_taken +")
  string(APPEND pattern "unconditional_jumps +indirect_jumps +taken_branches +not_taken\n")
  string(REPLACE "\n" ";" csv_lines "${expected_csv}")
  list(REMOVE_AT csv_lines 0)
  foreach(line IN LISTS csv_lines)
    if(line STREQUAL "")
      continue()
    endif()
    string(REPLACE "," ";" fields "${line}")
    list(GET fields 0 layout)
    list(GET fields 1 sample)
    list(GET fields 2 instructions)
    list(GET fields 3 conditional)
    list(GET fields 4 taken)
    list(GET fields 5 unconditional)
    list(GET fields 6 indirect)
    math(EXPR taken_branches "${taken} + ${unconditional} + ${indirect}")
    math(EXPR not_taken "${conditional} - ${taken}")
    string(APPEND pattern "${layout} +${sample} +${instructions} +${conditional} +${taken} +"
                          "${unconditional} +${indirect} +${taken_branches} +${not_taken}\n")
  endforeach()
  # A blank line, then the notes, which define the derived columns and name the text.
  string(APPEND pattern "\n.*taken_branches: conditional_taken [+] unconditional_jumps [+] ")
  string(APPEND pattern "indirect_jumps.*long: the long sample, 499 bytes before its terminator")
  if(NOT output MATCHES "${pattern}")
    message(FATAL_ERROR "unexpected table:\n${output}\nexpected to match:\n${pattern}")
  endif()
elseif(CASE STREQUAL "bad_options")
  foreach(arguments "--bogus" "--csv;--annotate" "csv")
    run_tool(bad ${arguments})
    if(NOT exit_code EQUAL 2 OR NOT output STREQUAL "" OR NOT error MATCHES "^jumpbench-profile: ")
      message(FATAL_ERROR "with '${arguments}': exit code ${exit_code} (expected 2), "
                          "output '${output}' (expected none), messages:\n${error}")
    endif()
  endforeach()
elseif(CASE STREQUAL "output_lost" OR CASE STREQUAL "size_limit")
  set(message_pattern "^jumpbench-profile: could not write the output[^\n]*\n$")
  if(CASE STREQUAL "output_lost")
    set(runs "-h" "--help" "--csv" "table")
  else()
    set(runs "--csv")
  endif()
  foreach(arguments IN LISTS runs)
    if(arguments STREQUAL "table")
      set(arguments "")
    endif()
    if(CASE STREQUAL "output_lost")
      execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${arguments} OUTPUT_FILE /dev/full
                      ERROR_VARIABLE error RESULT_VARIABLE exit_code)
    else()
      execute_process(COMMAND sh -c "ulimit -f 0 && exec \"$@\"" sh ${EMULATOR} ${PROGRAM} ${arguments}
                      OUTPUT_FILE ${WORK_DIR}/profile_size_limit.out
                      ERROR_VARIABLE error RESULT_VARIABLE exit_code)
    endif()
    if(NOT exit_code STREQUAL "1" OR NOT error MATCHES "${message_pattern}")
      message(FATAL_ERROR "with '${arguments}' (${CASE}): exit code ${exit_code} (expected 1), "
                          "messages (expected one line that the output could not be written):\n"
                          "${error}")
    endif()
  endforeach()
else()
  message(FATAL_ERROR "unknown CASE '${CASE}'")
endif()
