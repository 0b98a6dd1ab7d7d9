# Checks every #include "module/..." of the sources against the modules'
# dependencies: a module may include its own headers and those of the
# modules below it (its dependencies and theirs), never one above or beside
# it.  Run by CTest:  cmake -DSOURCE_DIR=<repo> -P check_layers.cmake
#
# The table mirrors the design notes:
#   core      -> (nothing)
#   scoring   -> core
#   analysis  -> core
#   files     -> core, scoring
#   pdf       -> core
#   records   -> core, scoring, pdf
#   app       -> core, analysis, files, records
#   printing  -> records
#   picture   -> core, analysis (the board picture, drawn with Qt)
#   ui        -> app, printing, picture
#   cli       -> app, printing, picture
#   web       -> core, analysis, scoring, files, records, pdf (no app: the page
#                is the controller of the browser version)
#   bench     -> anything
# The search is no part of scoring: files/ and records/ reach par through
# scoring/ and may not include analysis/.  One exception: the tests of
# analysis/ that check par against the peer library's (they use the peer's
# tables kept there) may include scoring/.

cmake_minimum_required(VERSION 3.25)

set(allowed_core "")
set(allowed_scoring core)
set(allowed_analysis core)
set(allowed_files core scoring)
set(allowed_pdf core)
set(allowed_records core scoring pdf)
set(allowed_app core analysis files records)
set(allowed_printing records)
set(allowed_picture core analysis)
set(allowed_ui app printing picture)
set(allowed_cli app printing picture)
set(allowed_web core analysis scoring files pdf records)
set(test_allowed_analysis scoring)
set(modules core scoring analysis files pdf records app printing picture ui cli web)

# The modules below a module: its dependencies and theirs.
function(below module out)
  set(result "")
  foreach(dep ${allowed_${module}})
    list(APPEND result ${dep})
    below(${dep} deeper)
    list(APPEND result ${deeper})
  endforeach()
  list(REMOVE_DUPLICATES result)
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

set(faults 0)
foreach(module ${modules})
  if(NOT IS_DIRECTORY "${SOURCE_DIR}/${module}")
    continue()
  endif()
  below(${module} reachable)
  list(APPEND reachable ${module})
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${module}/*.h" "${SOURCE_DIR}/${module}/*.cpp")
  foreach(source ${sources})
    set(reachable_here ${reachable})
    if(source MATCHES "(_test\\.cpp|_for_test\\.h)$")
      list(APPEND reachable_here ${test_allowed_${module}})
    endif()
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([a-z_]+)/.*" "\\1" used "${line}")
      if(NOT used IN_LIST modules)
        continue()
      endif()
      if(NOT used IN_LIST reachable_here)
        file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
        message(SEND_ERROR "${name}: ${module}/ may not include ${used}/ (${line})")
        math(EXPR faults "${faults} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) break the module layers")
endif()
message(STATUS "every include follows the module layers")
