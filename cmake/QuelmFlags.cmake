# Compile flags shared by every quelm target.
#
# Results must be bit-exact on every build: no fused multiply-adds, no fast
# math, and SSE2 doubles on 32-bit x86, where x87 would keep extra precision.
# WebAssembly has plain IEEE doubles, though Emscripten names its processor x86.
option(QUELM_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
# Warnings as errors are for CI and developers (.ci/run turns them on): a
# user's compiler may warn where ours does not.
option(QUELM_WERROR "Treat compiler warnings as errors" OFF)

set(QUELM_WARNINGS -Wall -Wextra)
if(QUELM_WERROR)
  list(APPEND QUELM_WARNINGS -Werror)
  # GCC 12 at -O3 reports std::string's inlined operator+ as overlapping
  # copies (-Wrestrict, a known false positive): it stays a warning.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
     AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    list(APPEND QUELM_WARNINGS -Wno-error=restrict)
  endif()
endif()
set(QUELM_FP_FLAGS -ffp-contract=off -fno-fast-math)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86)$" AND NOT EMSCRIPTEN)
  list(APPEND QUELM_FP_FLAGS -msse2 -mfpmath=sse)
endif()

if(QUELM_SANITIZE)
  set(QUELM_SAN_FLAGS -fsanitize=address,undefined,float-cast-overflow
      -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${QUELM_SAN_FLAGS})
  add_link_options(${QUELM_SAN_FLAGS})
endif()

function(quelm_target_flags target)
  target_compile_options(${target} PRIVATE ${QUELM_WARNINGS} ${QUELM_FP_FLAGS})
endfunction()

# Every test has a time limit, so that a hang fails in minutes rather than at
# CI's own limit.  Tests that set their own TIMEOUT keep it; a CMakeLists.txt
# that adds tests calls quelm_default_timeouts() after the last of them
# (test properties can only be set from the folder that added the test).
set(QUELM_TEST_TIMEOUT 600 CACHE STRING "Default time limit of every test, seconds")
function(quelm_default_timeouts)
  get_property(tests DIRECTORY PROPERTY TESTS)
  foreach(test IN LISTS tests)
    get_test_property(${test} TIMEOUT limit)
    if(NOT limit)
      set_tests_properties(${test} PROPERTIES TIMEOUT ${QUELM_TEST_TIMEOUT})
    endif()
  endforeach()
endfunction()
