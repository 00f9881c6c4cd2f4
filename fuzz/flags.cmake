# Flags of a libFuzzer build (QUELM_FUZZ): every target of the tree is
# instrumented for coverage and built with AddressSanitizer and
# UndefinedBehaviorSanitizer, so that the library under the fuzz targets
# reports what they provoke.  The targets themselves link libFuzzer's main.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "QUELM_FUZZ needs clang: -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14")
endif()
set(QUELM_FUZZ_SAN_FLAGS -fsanitize=address,undefined,float-cast-overflow
    -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(-fsanitize=fuzzer-no-link ${QUELM_FUZZ_SAN_FLAGS}
  -fsanitize-coverage-ignorelist=${CMAKE_CURRENT_LIST_DIR}/coverage_ignore.txt)
add_link_options(${QUELM_FUZZ_SAN_FLAGS})
