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

# tarrow_test(name SOURCES ... DEPS ... [LABELS label] [LOCK resource]): a
# GoogleTest program registered test by test with CTest.  The label lets
# test.sh pick the tests of a pass ("threads" for ThreadSanitizer, "slow" for
# the long checks kept out of the sanitizer pass); without one the label is
# the program's name.  Tests that share a LOCK (such as the print server
# they start and stop) never run at the same time.
function(tarrow_test name)
  cmake_parse_arguments(ARG "" "LOCK" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  # One label per test: gtest_discover_tests flattens a list of labels into
  # separate property words, so a second label would be lost.
  set(label ${name})
  if(ARG_LABELS)
    list(GET ARG_LABELS 0 label)
  endif()
  set(lock "")
  if(ARG_LOCK)
    set(lock RESOURCE_LOCK ${ARG_LOCK})
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120
                       PROPERTIES LABELS ${label} TIMEOUT 900 ${lock})
  if("threads" IN_LIST ARG_LABELS)
    add_dependencies(tarrow_thread_tests ${name})
  endif()
endfunction()
