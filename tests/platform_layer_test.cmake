# The platform layer stands on the ground: its files include the system's headers, the
# layer's own interfaces (platform/...) and the target's two headers beside them, never a
# header of a tool above it. Run with -DSOURCE_DIR=<the tree>.
file(GLOB_RECURSE files ${SOURCE_DIR}/src/platform/*.cpp ${SOURCE_DIR}/src/platform/*.hpp
                        ${SOURCE_DIR}/src/platform/*.h)
if(NOT files)
  message(FATAL_ERROR "no files under ${SOURCE_DIR}/src/platform")
endif()
set(wrong "")
foreach(file IN LISTS files)
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" header "${line}")
    if(NOT header MATCHES "^platform/[a-z0-9_]+\\.hpp$" AND NOT header STREQUAL "windows_calls.hpp"
       AND NOT header STREQUAL "platform_asm.h")
      string(APPEND wrong "\n  ${file}: ${header}")
    endif()
  endforeach()
endforeach()
if(wrong)
  message(FATAL_ERROR "the platform layer includes headers from above it:${wrong}")
endif()
