# quelm_host_tool(name source): a one-file C++ program built with the build
# machine's compiler in a cross build, as an imported executable `name`
# that custom commands run and depend on like one of the build's own.
function(quelm_host_tool name source)
  find_program(QUELM_HOST_CXX NAMES c++ g++ clang++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${name}-host)
  add_custom_command(OUTPUT ${out}
    COMMAND ${QUELM_HOST_CXX} -std=c++20 -O1 ${QUELM_WARNINGS} ${QUELM_FP_FLAGS}
            -DQUELM_WINDOWS_NAMES -I${PROJECT_SOURCE_DIR}/include/quelm ${source} -o ${out}
    DEPENDS ${source} ${PROJECT_SOURCE_DIR}/include/quelm/quelm_dialoghost.h
            ${PROJECT_SOURCE_DIR}/include/quelm/quelm_types.h
    COMMENT "Building ${name} for the build machine")
  add_custom_target(${name}_host DEPENDS ${out})
  add_executable(${name} IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${out})
endfunction()
