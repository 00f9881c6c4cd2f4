# Installs the build at QUELM_BUILD into a fresh prefix under WORK, then
# builds and runs the consumer in this folder twice: once found through the
# CMake package, once compiled by hand with pkg-config's flags.
#
#   cmake -DQUELM_BUILD=... -DWORK=... -DC_COMPILER=... [-DCONFIG=...]
#         [-DEXTRA_FLAGS="..."] [-DEXPECT_ART=1] -P run.cmake
cmake_minimum_required(VERSION 3.20)
set(source "${CMAKE_CURRENT_LIST_DIR}")
set(prefix "${WORK}/prefix")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(step what)
  execute_process(${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}")
  endif()
  message(STATUS "${what}: ok")
endfunction()

set(config_args)
if(CONFIG)
  set(config_args --config "${CONFIG}")
endif()
step("cmake --install"
  COMMAND "${CMAKE_COMMAND}" --install "${QUELM_BUILD}" --prefix "${prefix}" ${config_args})

# Through find_package.
step("configure the consumer"
  COMMAND "${CMAKE_COMMAND}" -S "${source}" -B "${WORK}/cmake"
          "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_C_COMPILER=${C_COMPILER}"
          "-DCMAKE_C_FLAGS=${EXTRA_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXTRA_FLAGS}")
step("build the consumer" COMMAND "${CMAKE_COMMAND}" --build "${WORK}/cmake")
step("run the consumer (find_package)" COMMAND "${WORK}/cmake/consumer")

# Through pkg-config.
find_program(PKG_CONFIG pkg-config REQUIRED)
file(GLOB_RECURSE pc_files "${prefix}/*/quelm.pc")
list(LENGTH pc_files found)
if(NOT found EQUAL 1)
  message(FATAL_ERROR "expected one installed quelm.pc, found: ${pc_files}")
endif()
get_filename_component(pc_dir "${pc_files}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} "${pc_dir}")
execute_process(COMMAND "${PKG_CONFIG}" --cflags --libs quelm
  RESULT_VARIABLE rc OUTPUT_VARIABLE pc_flags ERROR_VARIABLE pc_error
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config quelm failed: ${pc_error}")
endif()
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
separate_arguments(extra UNIX_COMMAND "${EXTRA_FLAGS}")
step("compile the consumer with pkg-config"
  COMMAND "${C_COMPILER}" ${extra} "${source}/main.c" -o "${WORK}/consumer-pc" ${pc_flags})
step("run the consumer (pkg-config)" COMMAND "${WORK}/consumer-pc")

# The art goes where the loader looks last (a build without tools has none).
if(EXPECT_ART)
  file(GLOB_RECURSE art "${prefix}/*/quelm.bmp")
  if(NOT art)
    message(FATAL_ERROR "quelm.bmp was not installed")
  endif()
endif()
