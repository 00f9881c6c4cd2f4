# Installs the build at QUELM_BUILD, and a build of the other kind (shared
# libraries where QUELM_BUILD has static ones, and the reverse) made here
# from SOURCE, each into a prefix of its own under WORK; then builds and runs
# the consumer in this folder against each, once found through the CMake
# package and once compiled by hand with pkg-config's flags.
#
#   cmake -DQUELM_BUILD=... -DSOURCE=... -DWORK=... -DC_COMPILER=...
#         -DCXX_COMPILER=... -DSHARED=ON|OFF [-DCONFIG=...] [-DLAUNCHER=...]
#         [-DEXTRA_FLAGS="..."] [-DEXPECT_ART=1] -P run.cmake
cmake_minimum_required(VERSION 3.21)
set(consumer "${CMAKE_CURRENT_LIST_DIR}")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
find_program(PKG_CONFIG pkg-config REQUIRED)
separate_arguments(extra UNIX_COMMAND "${EXTRA_FLAGS}")

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

# The other kind: the libraries alone, as a packager would build them.
if(SHARED)
  set(other_shared OFF)
else()
  set(other_shared ON)
endif()
step("configure the libraries with BUILD_SHARED_LIBS=${other_shared}"
  COMMAND "${CMAKE_COMMAND}" -S "${SOURCE}" -B "${WORK}/other-build"
          "-DBUILD_SHARED_LIBS=${other_shared}" "-DCMAKE_BUILD_TYPE=${CONFIG}"
          -DQUELM_BUILD_TESTS=OFF -DQUELM_BUILD_TOOLS=OFF -DQUELM_BUILD_BENCH=OFF
          "-DCMAKE_C_COMPILER=${C_COMPILER}" "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}"
          "-DCMAKE_C_COMPILER_LAUNCHER=${LAUNCHER}" "-DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER}"
          "-DCMAKE_C_FLAGS=${EXTRA_FLAGS}" "-DCMAKE_CXX_FLAGS=${EXTRA_FLAGS}"
          "-DCMAKE_SHARED_LINKER_FLAGS=${EXTRA_FLAGS}")
step("build the libraries" COMMAND "${CMAKE_COMMAND}" --build "${WORK}/other-build" ${config_args})

foreach(kind this other)
  if(kind STREQUAL "this")
    set(build "${QUELM_BUILD}")
  else()
    set(build "${WORK}/other-build")
  endif()
  # Not where the build was configured to go: the install must not care.
  set(prefix "${WORK}/${kind}/opt/quelm-1")
  step("cmake --install ${kind} build"
    COMMAND "${CMAKE_COMMAND}" --install "${build}" --prefix "${prefix}" ${config_args})

  # The art beside each installation, which the loader must find from the
  # folder of its installed module alone, wherever the prefix is.
  set(art_arg)
  if(EXPECT_ART)
    file(GLOB_RECURSE art "${WORK}/this/opt/quelm-1/*/quelm.bmp")
    if(NOT art)
      message(FATAL_ERROR "quelm.bmp was not installed")
    endif()
    if(NOT kind STREQUAL "this")
      file(COPY ${art} DESTINATION "${prefix}/share/quelm")
    endif()
    set(art_arg --art)
  endif()

  step("configure the consumer (${kind})"
    COMMAND "${CMAKE_COMMAND}" -S "${consumer}" -B "${WORK}/${kind}/cmake"
            "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_C_COMPILER=${C_COMPILER}"
            "-DCMAKE_C_FLAGS=${EXTRA_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXTRA_FLAGS}")
  step("build the consumer (${kind})" COMMAND "${CMAKE_COMMAND}" --build "${WORK}/${kind}/cmake")
  # Run from the installation's bin folder, away from any quelm.bmp and
  # QUELM_DATA, as an installed program runs.
  file(COPY "${WORK}/${kind}/cmake/consumer" DESTINATION "${prefix}/bin")
  step("run the consumer (${kind}, find_package)"
    COMMAND "${CMAKE_COMMAND}" -E env --unset=QUELM_DATA "${prefix}/bin/consumer" ${art_arg}
    WORKING_DIRECTORY "${WORK}")

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
  execute_process(COMMAND "${PKG_CONFIG}" --variable=libdir quelm
    OUTPUT_VARIABLE libdir OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "pkg-config quelm failed: ${pc_error}")
  endif()
  separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
  step("compile the consumer with pkg-config (${kind})"
    COMMAND "${C_COMPILER}" ${extra} "${consumer}/main.c" -o "${prefix}/bin/consumer-pc"
            ${pc_flags} "-Wl,-rpath,${libdir}")
  step("run the consumer (${kind}, pkg-config)"
    COMMAND "${CMAKE_COMMAND}" -E env --unset=QUELM_DATA "${prefix}/bin/consumer-pc" ${art_arg}
    WORKING_DIRECTORY "${WORK}")
endforeach()

# The shared library exports the calls of resources/exports.txt and no more.
file(GLOB shared_quelm "${WORK}/*/opt/quelm-1/*/libquelm.so.1")
find_program(NM nm)
if(NOT shared_quelm OR NOT NM)
  message(FATAL_ERROR "no installed libquelm.so.1 (${shared_quelm}) or no nm")
endif()
execute_process(COMMAND "${NM}" -D --defined-only "${shared_quelm}" OUTPUT_VARIABLE symbols)
string(REGEX MATCHALL "[^\n]+ [TDB] ([A-Za-z_0-9]+)" exported "${symbols}")
list(TRANSFORM exported REPLACE ".* " "")
file(STRINGS "${SOURCE}/resources/exports.txt" rows REGEX "^QUELM[ \t]")
list(TRANSFORM rows REPLACE "^QUELM[ \t]+[0-9]+[ \t]+([A-Za-z_0-9]+).*" "\\1")
list(SORT exported)
list(SORT rows)
if(NOT exported STREQUAL rows)
  message(FATAL_ERROR "libquelm.so exports\n  ${exported}\nnot the table's\n  ${rows}")
endif()
