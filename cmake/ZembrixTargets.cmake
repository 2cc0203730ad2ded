# Helpers that give every folder the same warnings, include root and sanitizer variant.

set(ZMB_WARNINGS -Wall -Wextra)
set(ZMB_SAN_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
set(ZMB_TSAN_FLAGS -fsanitize=thread -fno-omit-frame-pointer)

# zmb_core_library(<name> [TSAN] SOURCES ... [DEPS core libs ...] [LIBS external libs ...])
# Builds <name> and, with ZEMBRIX_SANITIZE, <name>_san whose core dependencies are the _san
# variants; a TSAN library (one the multi-thread tests use) with ZEMBRIX_TSAN also <name>_tsan,
# built for ThreadSanitizer.
function(zmb_core_library name)
  cmake_parse_arguments(ARG "TSAN" "" "SOURCES;DEPS;LIBS" ${ARGN})
  set(variants "${name}")
  if(ZEMBRIX_SANITIZE)
    list(APPEND variants "${name}_san")
  endif()
  if(ZEMBRIX_TSAN AND ARG_TSAN)
    list(APPEND variants "${name}_tsan")
  endif()
  foreach(target IN LISTS variants)
    add_library(${target} STATIC ${ARG_SOURCES})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
    target_compile_options(${target} PRIVATE ${ZMB_WARNINGS})
    target_link_libraries(${target} PUBLIC ${ARG_LIBS})
    if(target MATCHES "_san$")
      target_compile_options(${target} PUBLIC ${ZMB_SAN_FLAGS})
      target_link_options(${target} PUBLIC ${ZMB_SAN_FLAGS})
      foreach(dep IN LISTS ARG_DEPS)
        target_link_libraries(${target} PUBLIC ${dep}_san)
      endforeach()
    elseif(target MATCHES "_tsan$")
      target_compile_options(${target} PUBLIC ${ZMB_TSAN_FLAGS})
      target_link_options(${target} PUBLIC ${ZMB_TSAN_FLAGS})
      foreach(dep IN LISTS ARG_DEPS)
        target_link_libraries(${target} PUBLIC ${dep}_tsan)
      endforeach()
    else()
      target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    endif()
  endforeach()
endfunction()

# zmb_core_test(<name> LABEL <label> SOURCES ... DEPS core libs ... [LIBS ...])
# A GoogleTest executable over core libraries, registered with ctest under <label>;
# with ZEMBRIX_SANITIZE also <name>_san, whose tests carry the prefix "san.".
function(zmb_core_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;DEPS;LIBS" ${ARGN})
  set(variants "${name}")
  if(ZEMBRIX_SANITIZE)
    list(APPEND variants "${name}_san")
  endif()
  foreach(target IN LISTS variants)
    add_executable(${target} ${ARG_SOURCES})
    target_compile_options(${target} PRIVATE ${ZMB_WARNINGS})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
    target_compile_definitions(${target} PRIVATE ZMB_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
    target_link_libraries(${target} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main ${ARG_LIBS})
    if(target MATCHES "_san$")
      foreach(dep IN LISTS ARG_DEPS)
        target_link_libraries(${target} PRIVATE ${dep}_san)
      endforeach()
      target_compile_options(${target} PRIVATE ${ZMB_SAN_FLAGS})
      target_link_options(${target} PRIVATE ${ZMB_SAN_FLAGS})
      set(prefix "san.")
    else()
      target_link_libraries(${target} PRIVATE ${ARG_DEPS})
      set(prefix "")
    endif()
    # One label per test (list-valued properties do not survive discovery at test time);
    # the sanitized tests are told apart by their "san." prefix.
    gtest_discover_tests(${target}
      TEST_PREFIX "${prefix}"
      DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS "${ARG_LABEL}")
  endforeach()
endfunction()

# zmb_tsan_test(<name> SOURCES ... DEPS core libs ...)
# With ZEMBRIX_TSAN: a GoogleTest executable over the _tsan variants of the core libraries for
# the code that runs on several threads, registered with ctest under the label "tsan" and the
# prefix "tsan.". It runs with address-space randomisation off, which ThreadSanitizer's fixed
# memory layout needs on kernels that randomise more bits than it expects.
function(zmb_tsan_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT ZEMBRIX_TSAN)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${ZMB_WARNINGS} ${ZMB_TSAN_FLAGS})
  target_link_options(${name} PRIVATE ${ZMB_TSAN_FLAGS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE ZMB_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main)
  foreach(dep IN LISTS ARG_DEPS)
    target_link_libraries(${name} PRIVATE ${dep}_tsan)
  endforeach()
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "setarch;-R")
  gtest_discover_tests(${name}
    TEST_PREFIX "tsan."
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS "tsan" ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1")
endfunction()
