# Compile flags shared by every quelm target.
#
# Results must be bit-exact on every build: no fused multiply-adds, no fast
# math, and SSE2 doubles on 32-bit x86, where x87 would keep extra precision.
# WebAssembly has plain IEEE doubles, though Emscripten names its processor x86.
option(QUELM_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

set(QUELM_WARNINGS -Wall -Wextra -Werror)
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
