# A Windows program imports from KERNEL32.dll and msvcrt.dll only, both part of every
# Windows: cmake -DOBJDUMP=<objdump for PE> -DPROGRAM=<program.exe> -P windows_imports_test.cmake
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM}
                OUTPUT_VARIABLE headers RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed: ${result}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]*" lines "${headers}")
set(dlls "")
foreach(line IN LISTS lines)
  string(REPLACE "DLL Name: " "" dll "${line}")
  list(APPEND dlls "${dll}")
endforeach()
list(SORT dlls)
if(NOT dlls STREQUAL "KERNEL32.dll;msvcrt.dll")
  message(FATAL_ERROR "${PROGRAM} imports from '${dlls}', expected KERNEL32.dll;msvcrt.dll")
endif()
