# The library's layering: one target per folder, each seeing only the
# headers of what it links.
#
# A folder's headers are included as "<folder>/x.h".  The folder is reached
# through a link in the build tree, layers/<name>/<folder>, which is on the
# include path of the folder's own target and of the targets that link it and
# of nothing else, so that an include of a folder a target may not use fails
# to compile.  The project root is on no library's include path.

# The public headers: <quelm/quelm.h> for the tools and for hosts; the
# library's own code names them without the folder.  Code in this tree uses
# the Windows names of quelm's types (include/quelm/quelm_names.h).
add_library(quelm_public_headers INTERFACE)
target_include_directories(quelm_public_headers INTERFACE ${PROJECT_SOURCE_DIR}/include)
target_compile_definitions(quelm_public_headers INTERFACE QUELM_WINDOWS_NAMES)
add_library(quelm_internal_headers INTERFACE)
target_include_directories(quelm_internal_headers INTERFACE ${PROJECT_SOURCE_DIR}/include/quelm)
target_compile_definitions(quelm_internal_headers INTERFACE QUELM_WINDOWS_NAMES)

# quelm_folder_headers(<target>): the current folder's headers for <target>
# and whatever links it.
function(quelm_folder_headers target)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "_" name "${folder}")
  set(root ${PROJECT_BINARY_DIR}/layers/${name})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC COPY_ON_ERROR)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE $<BUILD_INTERFACE:${root}>)
  else()
    target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${root}>)
  endif()
endfunction()

# quelm_layer(<target> [APART] SOURCES ... [LINKS ...]): a folder's code as an
# object library linking only LINKS (other layers, the platform layer); part
# of libquelm unless APART (the rasteriser's and the loader's own).  Only the
# calls the public headers declare are visible outside a shared library.
function(quelm_layer target)
  cmake_parse_arguments(QL "APART" "" "SOURCES;LINKS" ${ARGN})
  add_library(${target} OBJECT ${QL_SOURCES})
  quelm_folder_headers(${target})
  target_link_libraries(${target} PUBLIC quelm_internal_headers ${QL_LINKS})
  set_target_properties(${target} PROPERTIES
    C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  quelm_target_flags(${target})
  if(NOT QL_APART)
    set_property(GLOBAL APPEND PROPERTY QUELM_LAYERS ${target})
  endif()
endfunction()

# quelm_exported_library(<target> <module> OBJECTS <object library>...): one of
# the installed libraries (quelm, gresk, tolvan), static or, with
# BUILD_SHARED_LIBS, shared with a soname and exactly <module>'s calls of
# resources/exports.txt exported.
function(quelm_exported_library target module)
  cmake_parse_arguments(QE "" "" "OBJECTS" ${ARGN})
  set(objects)
  foreach(lib IN LISTS QE_OBJECTS)
    list(APPEND objects $<TARGET_OBJECTS:${lib}>)
  endforeach()
  add_library(${target} ${objects})
  add_library(quelm::${target} ALIAS ${target})
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  set_target_properties(${target} PROPERTIES LINKER_LANGUAGE CXX)
  if(BUILD_SHARED_LIBS AND NOT WIN32)
    file(STRINGS ${PROJECT_SOURCE_DIR}/resources/exports.txt rows REGEX "^${module}[ \t]")
    set(script "{\n  global:\n")
    foreach(row IN LISTS rows)
      string(REGEX REPLACE "^[A-Z0-9]+[ \t]+[0-9]+[ \t]+([A-Za-z_0-9]+).*" "\\1" name "${row}")
      string(APPEND script "    ${name};\n")
    endforeach()
    string(APPEND script "  local: *;\n};\n")
    set(map ${PROJECT_BINARY_DIR}/exports/${target}.map)
    file(CONFIGURE OUTPUT ${map} CONTENT "${script}" @ONLY)
    target_link_options(${target} PRIVATE -Wl,--version-script=${map} -Wl,--no-undefined)
    set_target_properties(${target} PROPERTIES
      VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR} LINK_DEPENDS ${map})
  endif()
endfunction()
