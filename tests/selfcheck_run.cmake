# The self-check run once as a user runs it: cmake -DPROGRAM=<program> [-DEMULATOR=<list>]
# -P selfcheck_run.cmake. Checks everything in its output that is no timing: the lines in
# order with CR LF ends, the code sizes, "tick" for a figure of 1 or -1 and "ticks" for any
# other, the 1000-chain's ratio to itself, the verdict line quoting the rows' ratios and
# the empty kernel's figure, and an exit code that agrees with the verdict (0 for two
# yeses, 1 otherwise). A verdict of "no" on a busy machine passes. Under an emulator the
# verdict is "not judged" twice, the line names the emulator, standard error says so and
# the exit code is 0; on the processor, standard error says nothing of an emulator.
# (Whether this run is emulated is for program_test.cpp to check: it asks in its own
# process, which runs as the program does.)

# CMake drops the CR of a CR LF from a command's output and from a file read as text, so
# the output goes to a file, whose line ends are counted in its hexadecimal form (the
# report is ASCII: "0a" and "0d0a" can only stand for whole bytes there).
set(output_file ${CMAKE_CURRENT_BINARY_DIR}/selfcheck_run_output.txt)
execute_process(COMMAND ${EMULATOR} ${PROGRAM} OUTPUT_FILE ${output_file}
                ERROR_VARIABLE errors RESULT_VARIABLE exit_code)
file(READ ${output_file} output)
file(READ ${output_file} output_hex HEX)
string(REGEX MATCHALL "0a" line_feeds "${output_hex}")
string(REGEX MATCHALL "0d0a" line_ends "${output_hex}")
list(LENGTH line_feeds line_feed_count)
list(LENGTH line_ends line_end_count)
if(NOT line_feed_count EQUAL 5 OR NOT line_end_count EQUAL 5)
  message(FATAL_ERROR "expected 5 lines, each ended by CR LF:\n${output}")
endif()
string(REPLACE "\r" "" text "${output}")

# The next line of `text`, taken off it. (No CMake list: the verdict line holds semicolons.)
macro(next_line into)
  string(FIND "${text}" "\n" line_length)
  string(SUBSTRING "${text}" 0 ${line_length} ${into})
  math(EXPR rest_start "${line_length} + 1")
  string(SUBSTRING "${text}" ${rest_start} -1 text)
endmacro()

set(figure "-?[0-9]+")
set(decimal "-?[0-9]+\\.[0-9][0-9][0-9]")
set(per_add ", ${decimal} ticks per add, ratio to 1000 adds")

# The unit after a figure: "tick" for 1 and -1, "ticks" for every other figure.
function(check_unit value unit where)
  if(value MATCHES "^-?1$")
    set(expected_unit tick)
  else()
    set(expected_unit ticks)
  endif()
  if(NOT unit STREQUAL expected_unit)
    message(FATAL_ERROR "'${value} ${unit}' in ${where}, expected '${expected_unit}':\n${output}")
  endif()
endfunction()

set(ratios "")
set(index 0)
foreach(row "  empty kernel, 5 bytes$"
            "   500 adds, 1505 bytes${per_add} (${decimal}|n/a)$"
            "  1000 adds, 3005 bytes${per_add} (1\\.000|n/a)$"
            "  2000 adds, 6005 bytes${per_add} (${decimal}|n/a)$")
  next_line(line)
  if(NOT line MATCHES "^(${figure})\t(ticks?)${row}")
    message(FATAL_ERROR "unexpected line ${index} of the report:\n${output}")
  endif()
  check_unit("${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}" "line ${index}")
  if(index EQUAL 0)
    set(empty_figure "${CMAKE_MATCH_1}")
  else()
    list(APPEND ratios "${CMAKE_MATCH_3}")
  endif()
  math(EXPR index "${index} + 1")
endforeach()

next_line(verdict)
string(CONCAT expected
  "^verdict: linear: (yes|no|not judged) [(]ratios (${decimal}|n/a) and (${decimal}|n/a), "
  "expected 0\\.5 and 2 within 2 %[)]; "
  "empty kernel: (yes|no|not judged) [(](${figure}) (ticks?), expected within 2 of 0[)]"
  "(; under ([a-z0-9_-]+) the figures are the emulator's)?$")
if(NOT verdict MATCHES "${expected}")
  message(FATAL_ERROR "unexpected verdict line (exit code ${exit_code}):\n${output}")
endif()
# Every later MATCHES sets CMAKE_MATCH_<n> again.
set(linear "${CMAKE_MATCH_1}")
set(empty_near_zero "${CMAKE_MATCH_4}")
set(emulator_clause "${CMAKE_MATCH_7}")
set(emulator "${CMAKE_MATCH_8}")
list(GET ratios 0 ratio_500)
list(GET ratios 2 ratio_2000)
if(NOT CMAKE_MATCH_2 STREQUAL ratio_500 OR NOT CMAKE_MATCH_3 STREQUAL ratio_2000
   OR NOT CMAKE_MATCH_5 STREQUAL empty_figure)
  message(FATAL_ERROR "the verdict line does not quote the rows' figures:\n${output}")
endif()
check_unit("${CMAKE_MATCH_5}" "${CMAKE_MATCH_6}" "the verdict line")

if(linear STREQUAL "not judged" OR empty_near_zero STREQUAL "not judged" OR emulator_clause)
  if(NOT linear STREQUAL "not judged" OR NOT empty_near_zero STREQUAL "not judged"
     OR NOT emulator_clause)
    message(FATAL_ERROR "a verdict judged in part, or not judged without saying why:\n${output}")
  endif()
  if(NOT errors MATCHES "jumpbench-selfcheck: running under ${emulator}, an emulator: ")
    message(FATAL_ERROR "not judged under ${emulator}, but standard error does not say so:\n"
                        "${errors}")
  endif()
  set(expected_exit_code 0)
else()
  if(errors MATCHES "running under")
    message(FATAL_ERROR "judged, but standard error speaks of an emulator:\n${errors}")
  endif()
  if(linear STREQUAL "yes" AND empty_near_zero STREQUAL "yes")
    set(expected_exit_code 0)
  else()
    set(expected_exit_code 1)
  endif()
endif()
if(NOT exit_code STREQUAL expected_exit_code)
  message(FATAL_ERROR "exit code ${exit_code}, expected ${expected_exit_code}:\n${output}${errors}")
endif()
message("${errors}${output}")
