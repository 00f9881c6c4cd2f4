# Included by tests/CMakeLists.txt: each fuzz target built as an ordinary
# test that replays its seed corpus (fuzz/corpus/<target>) and the inputs of
# the crashes it found (tests/data/regressions/<target>).
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(QUELM_FUZZ_LIBS_tolvan tolvan_objects quelm_platform)
  set(QUELM_FUZZ_LIBS_gresk gresk_objects)
  set(QUELM_FUZZ_LIBS_api ${QUELM_ALL_OBJECTS})
  foreach(target tolvan gresk api)
    string(SUBSTRING ${target} 0 1 first)
    string(TOUPPER ${first} first)
    string(SUBSTRING ${target} 1 -1 rest)
    quelm_test(fuzz_replay_${target}
      SOURCES ${PROJECT_SOURCE_DIR}/fuzz/replay_test.cpp ${PROJECT_SOURCE_DIR}/fuzz/fuzz_${target}.cpp
      LIBS ${QUELM_FUZZ_LIBS_${target}})
    target_compile_definitions(fuzz_replay_${target} PRIVATE
      QUELM_FUZZ_SUITE=Fuzz${first}${rest}Replay
      QUELM_FUZZ_CORPUS="${PROJECT_SOURCE_DIR}/fuzz/corpus/${target}"
      QUELM_FUZZ_REGRESSIONS="${PROJECT_SOURCE_DIR}/tests/data/regressions/${target}")
  endforeach()
endif()
