# Shared build settings of the Tarrow modules.

if(TARROW_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(TARROW_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# tarrow_library(name SOURCES ... DEPS ...): one module library.
function(tarrow_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# Builds just the tests of the ThreadSanitizer pass.
add_custom_target(tarrow_thread_tests)

# tarrow_test(name SOURCES ... DEPS ... [LABELS ...]): a GoogleTest program
# registered test by test with CTest.  Labels let test.sh pick the tests of
# a sanitizer pass ("threads" for ThreadSanitizer, "slow" for long checks).
function(tarrow_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120
                       PROPERTIES LABELS "${name};${ARG_LABELS}" TIMEOUT 900)
  if("threads" IN_LIST ARG_LABELS)
    add_dependencies(tarrow_thread_tests ${name})
  endif()
endfunction()
