# The Windows DLLs: QUELM.DLL, and GRESK32.DLL and TOLVAN32.DLL that it imports
# by ordinal.  Every export table comes from resources/exports.txt; this file
# turns it into the .def files, the ordinal import libraries and the header
# list the test host resolves, and defines the three DLL targets.
# Included from the top level on WIN32 only.

enable_language(RC)

set(QUELM_EXPORTS_TABLE ${CMAKE_CURRENT_LIST_DIR}/exports.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QUELM_EXPORTS_TABLE})
set(QUELM_EXPORTS_DIR ${PROJECT_BINARY_DIR}/exports)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(QUELM_STDCALL_DECORATED TRUE)  # 32-bit: stdcall symbols carry @bytes
else()
  set(QUELM_STDCALL_DECORATED FALSE)
endif()

# quelm_read_exports(<module> <out-var>): the module's rows as
# "ordinal|name|args" strings, in table order.
function(quelm_read_exports module out)
  file(STRINGS ${QUELM_EXPORTS_TABLE} lines REGEX "^${module}[ \t]")
  set(rows)
  foreach(line IN LISTS lines)
    string(REGEX MATCH "^${module}[ \t]+([0-9]+)[ \t]+([A-Za-z_][A-Za-z0-9_]*)[ \t]+([0-9]+|cdecl)[ \t]*$"
           matched "${line}")
    if(NOT matched)
      message(FATAL_ERROR "exports.txt: malformed row: ${line}")
    endif()
    list(APPEND rows "${CMAKE_MATCH_1}|${CMAKE_MATCH_2}|${CMAKE_MATCH_3}")
  endforeach()
  if(NOT rows)
    message(FATAL_ERROR "exports.txt: no exports for ${module}")
  endif()
  set(${out} "${rows}" PARENT_SCOPE)
endfunction()

# The symbol the compiler gives a row's function: name@bytes for a 32-bit
# standard call, the plain name otherwise.
function(quelm_export_symbol name args out)
  if(QUELM_STDCALL_DECORATED AND NOT args STREQUAL "cdecl")
    set(${out} "${name}@${args}" PARENT_SCOPE)
  else()
    set(${out} "${name}" PARENT_SCOPE)
  endif()
endfunction()

# Writes <file> only when its text changes, so unchanged tables relink nothing.
function(quelm_write_if_changed file text)
  file(CONFIGURE OUTPUT ${file} CONTENT "${text}" @ONLY)
endfunction()

# quelm_export_files(<module>): writes, under QUELM_EXPORTS_DIR,
#   <module>.def        for linking the DLL: plain names at fixed ordinals;
#   <module>-import.def for the import library: ordinals only (NONAME);
#   <module>.inc        QUELM_EXPORT(name, ordinal) lines for C++ code.
function(quelm_export_files module)
  quelm_read_exports(${module} rows)
  set(def "LIBRARY ${module}.DLL\nEXPORTS\n")
  set(imp "LIBRARY ${module}.DLL\nEXPORTS\n")
  set(inc "/* Generated from resources/exports.txt. */\n")
  foreach(row IN LISTS rows)
    string(REPLACE "|" ";" fields "${row}")
    list(GET fields 0 ordinal)
    list(GET fields 1 name)
    list(GET fields 2 args)
    quelm_export_symbol(${name} ${args} symbol)
    if(symbol STREQUAL name)
      string(APPEND def "  ${name} @${ordinal}\n")
    else()
      string(APPEND def "  ${name}=${symbol} @${ordinal}\n")
    endif()
    string(APPEND imp "  ${symbol} @${ordinal} NONAME\n")
    string(APPEND inc "QUELM_EXPORT(${name}, ${ordinal})\n")
  endforeach()
  quelm_write_if_changed(${QUELM_EXPORTS_DIR}/${module}.def "${def}")
  quelm_write_if_changed(${QUELM_EXPORTS_DIR}/${module}-import.def "${imp}")
  quelm_write_if_changed(${QUELM_EXPORTS_DIR}/${module}.inc "${inc}")
endfunction()

# quelm_ordinal_imports(<target> <module>): an import library target through
# which calls into <module>.DLL are bound by ordinal, not by name.
function(quelm_ordinal_imports target module)
  set(lib ${QUELM_EXPORTS_DIR}/lib${module}-ordinals.a)
  set(def ${QUELM_EXPORTS_DIR}/${module}-import.def)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${module}.DLL --output-lib ${lib}
    DEPENDS ${def}
    COMMENT "Import library for ${module}.DLL by ordinal")
  add_custom_target(${target}_implib DEPENDS ${lib})
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${lib})
  add_dependencies(${target} ${target}_implib)
endfunction()

# quelm_dll(<target> <module> [LIBS ...] [SOURCES ...]): <module>.DLL exporting
# exactly its rows of the table.
function(quelm_dll target module)
  cmake_parse_arguments(QD "" "" "LIBS;SOURCES" ${ARGN})
  add_library(${target} SHARED ${QUELM_EXPORTS_DIR}/${module}.def ${QD_SOURCES})
  target_link_libraries(${target} PRIVATE ${QD_LIBS})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${module} PREFIX "" SUFFIX ".DLL" LINKER_LANGUAGE CXX
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
endfunction()

foreach(module QUELM GRESK32 TOLVAN32)
  quelm_export_files(${module})
endforeach()
quelm_ordinal_imports(quelm_gresk32_ordinals GRESK32)
quelm_ordinal_imports(quelm_tolvan32_ordinals TOLVAN32)

# The def file picks the exports out of the objects.
quelm_dll(gresk_dll GRESK32 LIBS gresk_objects)
quelm_dll(tolvan_dll TOLVAN32 LIBS tolvan_objects quelm_platform)

# QUELM.DLL: the library's objects, its version block and dialog templates;
# the rasteriser and the bitmap loader only through the ordinal imports.
quelm_dll(quelm_dll QUELM
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/version.rc ${CMAKE_CURRENT_LIST_DIR}/quelm.rc
  LIBS quelm_core quelm_gresk32_ordinals quelm_tolvan32_ordinals)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/version.rc PROPERTIES
  COMPILE_DEFINITIONS "QUELM_VERSION_MAJOR=${PROJECT_VERSION_MAJOR};QUELM_VERSION_MINOR=${PROJECT_VERSION_MINOR};QUELM_VERSION_PATCH=${PROJECT_VERSION_PATCH}")
# The DLLs run from one folder: the host loads QUELM.DLL, which loads the other two.
add_dependencies(quelm_dll gresk_dll tolvan_dll)
