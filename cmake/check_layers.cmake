# Checks every #include "module/..." of the sources against the modules'
# dependencies: a module may include its own headers and those of the
# modules below it (its dependencies and theirs), never one above or beside
# it.  Run by CTest:  cmake -DSOURCE_DIR=<repo> -P check_layers.cmake
#
# The table mirrors the design notes:
#   core      -> (nothing)
#   analysis  -> core
#   files     -> core, analysis
#   pdf       -> (nothing of ours)
#   records   -> core, pdf
#   app       -> core, analysis, files, records
#   printing  -> records
#   ui        -> app, printing
#   cli       -> app, printing, ui (the board picture)
#   bench     -> anything

cmake_minimum_required(VERSION 3.25)

set(allowed_core "")
set(allowed_analysis core)
set(allowed_files core analysis)
set(allowed_pdf "")
set(allowed_records core pdf)
set(allowed_app core analysis files records)
set(allowed_printing records)
set(allowed_ui app printing)
set(allowed_cli app printing ui)
set(modules core analysis files pdf records app printing ui cli)

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
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([a-z_]+)/.*" "\\1" used "${line}")
      if(NOT used IN_LIST modules)
        continue()
      endif()
      if(NOT used IN_LIST reachable)
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
