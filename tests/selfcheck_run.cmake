# The self-check run once as a user runs it: cmake -DPROGRAM=<program> [-DEMULATOR=<list>]
# -P selfcheck_run.cmake. Checks everything in its output that is no timing: the lines in
# order with CR LF ends, the code sizes, the 1000-chain's ratio to itself, the verdict
# line quoting the rows' ratios, and an exit code that agrees with the verdict (0 for
# two yeses, 1 otherwise). A verdict of "no" on a busy machine passes.

# CMake drops the CR of a CR LF from a command's output and from a file read as text, so
# the output goes to a file, whose line ends are counted in its hexadecimal form (the
# report is ASCII: "0a" and "0d0a" can only stand for whole bytes there).
set(output_file ${CMAKE_CURRENT_BINARY_DIR}/selfcheck_run_output.txt)
execute_process(COMMAND ${EMULATOR} ${PROGRAM} OUTPUT_FILE ${output_file} RESULT_VARIABLE exit_code)
file(READ ${output_file} output)
file(READ ${output_file} output_hex HEX)
string(REGEX MATCHALL "0a" line_feeds "${output_hex}")
string(REGEX MATCHALL "0d0a" line_ends "${output_hex}")
list(LENGTH line_feeds line_feed_count)
list(LENGTH line_ends line_end_count)
if(NOT line_feed_count EQUAL 5 OR NOT line_end_count EQUAL 5)
  message(FATAL_ERROR "expected 5 lines, each ended by CR LF:\n${output}")
endif()

set(figure "-?[0-9]+")
set(decimal "-?[0-9]+\\.[0-9][0-9][0-9]")
set(per_add ", ${decimal} ticks per add, ratio to 1000 adds")
string(CONCAT expected
  "^${figure}\tticks  empty kernel, 5 bytes\r?\n"
  "${figure}\tticks   500 adds, 1505 bytes${per_add} (${decimal}|n/a)\r?\n"
  "${figure}\tticks  1000 adds, 3005 bytes${per_add} (1\\.000|n/a)\r?\n"
  "${figure}\tticks  2000 adds, 6005 bytes${per_add} (${decimal}|n/a)\r?\n"
  "verdict: linear: (yes|no) [(]ratios (${decimal}|n/a) and (${decimal}|n/a), "
  "expected 0\\.5 and 2 within 2 %[)]; "
  "empty kernel: (yes|no) [(]${figure} ticks, expected within 2 of 0[)]\r?\n$")

if(NOT output MATCHES "${expected}")
  message(FATAL_ERROR "unexpected report (exit code ${exit_code}):\n${output}")
endif()
if(NOT CMAKE_MATCH_5 STREQUAL CMAKE_MATCH_1 OR NOT CMAKE_MATCH_6 STREQUAL CMAKE_MATCH_3)
  message(FATAL_ERROR "the verdict line does not quote the rows' ratios:\n${output}")
endif()
if(CMAKE_MATCH_4 STREQUAL "yes" AND CMAKE_MATCH_7 STREQUAL "yes")
  set(expected_exit_code 0)
else()
  set(expected_exit_code 1)
endif()
if(NOT exit_code STREQUAL expected_exit_code)
  message(FATAL_ERROR "exit code ${exit_code}, expected ${expected_exit_code}:\n${output}")
endif()
message("${output}")
