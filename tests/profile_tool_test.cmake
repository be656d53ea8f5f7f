# The profile tool run as a user runs it:
#   cmake -DPROGRAM=<jumpbench-profile> [-DEMULATOR=<list>] -DCASE=<case>
#         -DEXPECTED_CSV=<file> -DLINE_END=<lf|crlf> -DWORK_DIR=<dir> -P profile_tool_test.cmake
# Cases:
#   csv          --csv gives exactly the expected file's bytes, its line ends LINE_END (the
#                Windows C runtime writes CR LF): the same counts on every target
#   table        the table: its header, a line for each row of the expected CSV with its
#                counts and the derived taken and not-taken branches, then its notes
#   bad_options  an unknown option or both outputs: a message, no output, exit code 2
#   output_lost  standard output a full device: the usage, the table and the CSV each end
#                with exit code 1 and one line on standard error that says so
#   size_limit   a file-size limit of 0 (ulimit -f 0) for the CSV: the same, not SIGXFSZ
#   stepping     --stepping=trap (and =emulator, where built) gives the default's CSV byte
#                for byte; the table's notes say how the copies were stepped
#   progress     a progress line at a terminal (a pseudo-terminal), none in a pipe (Linux)
#   text         --text=FILE: a missing, empty, over-long file, a directory, a text that
#                starts with a NUL are refused before anything is stepped, with one line
#                that names the file and exit code 2; a text of its own (--text FILE or
#                --text=FILE) is what the text copies scan (the table layouts' counts follow
#                from its length, and the switch ends at a blank at index 0, its row
#                marked), named in the rows and in the table's notes with a NUL that ended
#                it early
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
  # The line ends, from the bytes: every LF after a CR for crlf, no CR for lf. The CSV is
  # ASCII, so the hex digits of 0D and 0A cannot match across two bytes.
  string(REGEX MATCHALL "0a" line_feeds "${output_hex}")
  string(REGEX MATCHALL "0d0a" crlfs "${output_hex}")
  string(REGEX MATCHALL "0d" returns "${output_hex}")
  list(LENGTH line_feeds lf_count)
  list(LENGTH crlfs crlf_count)
  list(LENGTH returns cr_count)
  if((LINE_END STREQUAL "crlf" AND NOT crlf_count EQUAL lf_count) OR
     (LINE_END STREQUAL "lf" AND NOT cr_count EQUAL 0) OR lf_count EQUAL 0)
    message(FATAL_ERROR "--csv output's line ends are not all ${LINE_END}: ${output_hex}")
  endif()
  # The text: the expected file's, but for the front end's counts (the three columns before
  # the note), which depend on where each copy lies and so differ between targets (the
  # profile tests check them), and the note, empty on every row here; and for the rows of
  # a layout the expected file does not hold (one added to the layout list: the profile
  # tests step every listed layout).
  string(REPLACE "\r" "" output "${output}")
  string(REPLACE ",line_changes,window_changes,boundary_jumps,note\n" "\n" output "${output}")
  string(REGEX REPLACE ",[0-9]+,[0-9]+,[0-9]+,\n" "\n" output "${output}")
  string(REGEX MATCHALL "\n[a-z_0-9]+," expected_layouts "${expected_csv}")
  string(REGEX MATCHALL "\n[a-z_0-9]+," output_layouts "${output}")
  list(REMOVE_ITEM output_layouts ${expected_layouts})
  list(REMOVE_DUPLICATES output_layouts)
  foreach(layout IN LISTS output_layouts)
    string(REGEX REPLACE "${layout}[^\n]*\n" "\n" output "${output}")
  endforeach()
  string(REGEX REPLACE "\n\n+" "\n" output "${output}")
  if(NOT output STREQUAL expected_csv)
    message(FATAL_ERROR "--csv output differs from ${EXPECTED_CSV}:\n${output}")
  endif()
elseif(CASE STREQUAL "table")
  run_tool(table)
  if(NOT exit_code EQUAL 0)
    message(FATAL_ERROR "exit code ${exit_code}, expected 0:\n${error}")
  endif()
  string(REPLACE "\r" "" output "${output}")
  # The header, each expected row's line (in any place: a layout added to the list has a
  # row of its own among them) and the notes.
  set(patterns "^layout +sample +scan_length +instructions +conditional_branches +conditional_taken +unconditional_jumps +indirect_jumps +calls +returns +taken_branches +not_taken +line_changes +window_changes +boundary_jumps\n")
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
    list(GET fields 7 calls)
    list(GET fields 8 returns)
    list(GET fields 9 scan_length)
    math(EXPR taken_branches "${taken} + ${unconditional} + ${indirect} + ${calls} + ${returns}")
    math(EXPR not_taken "${conditional} - ${taken}")
    list(APPEND patterns "\n${layout} +${sample} +${scan_length} +${instructions} +${conditional} +${taken} +${unconditional} +${indirect} +${calls} +${returns} +${taken_branches} +${not_taken} +[0-9]+ +[0-9]+ +[0-9]+\n")
  endforeach()
  # A blank line, then the notes, which define the derived columns and name the text.
  list(APPEND patterns "\n\nOne scan of the sample: .*decoded by [^\n]+[.]\n.*taken_branches: conditional_taken [+] unconditional_jumps [+] indirect_jumps [+] calls [+]\nreturns[.].*text: the long sample, 499 bytes, FNV-1a 64 [0-9a-f]+[.]\n$")
  foreach(pattern IN LISTS patterns)
    if(NOT output MATCHES "${pattern}")
      message(FATAL_ERROR "unexpected table:\n${output}\nexpected to match:\n${pattern}")
    endif()
  endforeach()
elseif(CASE STREQUAL "text")
  set(dir ${WORK_DIR}/profile_texts)
  file(REMOVE_RECURSE ${dir})
  file(MAKE_DIRECTORY ${dir}/a_directory)
  file(WRITE ${dir}/empty "")
  execute_process(COMMAND printf "\\0001234" OUTPUT_FILE ${dir}/nul_first)
  execute_process(COMMAND head -c 1048577 /dev/zero COMMAND tr "\\0" "7" OUTPUT_FILE ${dir}/too_long)
  foreach(bad "missing=cannot open the text" "a_directory=cannot (open|read) the text"
              "empty=is empty" "nul_first=starts with a NUL byte"
              "too_long=longer than the 1048576 bytes")
    string(REPLACE "=" ";" bad "${bad}")
    list(GET bad 0 name)
    list(GET bad 1 reason)
    run_tool(text_${name} --csv --text=${dir}/${name})
    if(NOT exit_code EQUAL 2 OR NOT output STREQUAL "" OR
       NOT error MATCHES "^jumpbench-profile: [^\n]*${name}[^\n]*\n$" OR NOT error MATCHES "${reason}")
      message(FATAL_ERROR "--text=${name}: exit code ${exit_code} (expected 2), output "
                          "'${output}' (expected none), messages (expected one line naming "
                          "the file, '${reason}'):\n${error}")
    endif()
  endforeach()

  # Per byte the jump table runs 5 instructions (its handler's jump back among them), the
  # class table 6; the terminator's path is as long, and the entry is one more. Bytes
  # after a NUL are no part of the text.
  # The file's name is the text rows' sample; --text FILE is --text=FILE.
  execute_process(COMMAND printf "1.2E(x\\000ignored" OUTPUT_FILE ${dir}/six)
  run_tool(text_six --csv --text ${dir}/six)
  string(REPLACE "\r" "" output "${output}")
  if(NOT exit_code EQUAL 0 OR NOT output MATCHES "\njump_table,six,36,0,0,6,7,0,0,7," OR
     NOT output MATCHES "\nclass_table,six,43,7,1,6,0,0,0,7," OR
     NOT output MATCHES "\nfew_jumps,short,86,26,12,10,0,0,0,10,")
    message(FATAL_ERROR "--text with a text of 6 bytes: exit code ${exit_code}:\n${output}${error}")
  endif()
  # The NUL that ended the text, in the table's context line.
  run_tool(text_six_table --text=${dir}/six)
  string(REPLACE "\r" "" output "${output}")
  if(NOT exit_code EQUAL 0 OR
     NOT output MATCHES "\ntext: [^\n]*six, 6 bytes [(]stopped at a NUL at byte 6 of 14[)], FNV-1a 64 ")
    message(FATAL_ERROR "--text with a NUL at byte 6: exit code ${exit_code}:\n${output}${error}")
  endif()
  # A blank at index 0 ends the switch's scan at once: the entry, then load, inc, cmp,
  # jb (taken), or, mov, cmp, jne (not taken), jmp exit, and the exit step.
  file(WRITE ${dir}/blank_first " 12")
  run_tool(text_blank --text=${dir}/blank_first)
  string(REPLACE "\r" "" output "${output}")
  # The row is marked, and a note says what the mark means; the other rows scan all 3 bytes.
  if(NOT exit_code EQUAL 0 OR
     NOT output MATCHES "\nswitch +blank_first +1[*] +11 +2 +1 +1 +0 +0 +0 +2 +1 " OR
     NOT output MATCHES "\nfew_jumps +blank_first +4 " OR
     NOT output MATCHES "\n[*]: stopped at the text's first blank" OR
     NOT output MATCHES "\ntext: [^\n]*blank_first, 3 bytes, FNV-1a 64 [0-9a-f]+[.]")
    message(FATAL_ERROR "--text with a blank at index 0: exit code ${exit_code}:\n${output}${error}")
  endif()
elseif(CASE STREQUAL "progress")
  # At a terminal (script's pseudo-terminal) a line that rewrites itself names each row as
  # it is stepped, and is cleared before the table; in a pipe nothing but the table.
  execute_process(COMMAND script -qec "${PROGRAM}" /dev/null
                  OUTPUT_VARIABLE output RESULT_VARIABLE exit_code)
  if(NOT exit_code EQUAL 0 OR
     NOT output MATCHES "\rjumpbench-profile: stepping few_jumps over long [(]1 of [0-9]+[)]" OR
     NOT output MATCHES "\rjumpbench-profile: stepping many_jumps over short [(][0-9]+ of [0-9]+[)]" OR
     NOT output MATCHES "\r +\rlayout +sample")
    message(FATAL_ERROR "no progress line at a terminal: exit code ${exit_code}:\n${output}")
  endif()
  run_tool(progress_pipe)
  if(NOT exit_code EQUAL 0 OR NOT error STREQUAL "" OR output MATCHES "stepping")
    message(FATAL_ERROR "progress in a pipe: exit code ${exit_code}:\n${error}")
  endif()
elseif(CASE STREQUAL "stepping")
  # Both engines count alike: the CSV under the trap is the default's byte for byte, and so
  # is the emulator's where the build has one; where it has none, asking for it is refused.
  run_tool(stepping_default --csv)
  set(default_csv "${output_hex}")
  run_tool(stepping_trap --csv --stepping=trap)
  if(NOT exit_code EQUAL 0 OR NOT output_hex STREQUAL default_csv)
    message(FATAL_ERROR "--stepping=trap: exit code ${exit_code}, or its CSV differs:\n${output}${error}")
  endif()
  run_tool(stepping_emulator --csv --stepping=emulator)
  if(exit_code EQUAL 2)
    if(NOT error MATCHES "^jumpbench-profile: this build has no x86 emulator" OR NOT output STREQUAL "")
      message(FATAL_ERROR "--stepping=emulator refused without its reason:\n${error}")
    endif()
  elseif(NOT exit_code EQUAL 0 OR NOT output_hex STREQUAL default_csv)
    message(FATAL_ERROR "--stepping=emulator: exit code ${exit_code}, or its CSV differs:\n${output}${error}")
  endif()
  run_tool(stepping_table)
  if(NOT output MATCHES "\nstepped (in an x86 emulator [(]Unicorn [0-9.]+[)]|under the processor's single-step trap) and decoded by ")
    message(FATAL_ERROR "the table's note does not say how the copies were stepped:\n${output}")
  endif()
elseif(CASE STREQUAL "bad_options")
  foreach(arguments "--bogus" "--csv;--annotate" "csv" "--stepping=bogus")
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
