# Runs the export check against a copy of the table in which InitScene moved
# from ordinal 100 to 99; the check must name both sides of the difference.
#   cmake -DTABLE=... -DCHECK=... -DOBJDUMP=... -DDLLS=... -DWORK=... -P check_exports_refuses.cmake
file(READ ${TABLE} text)
string(REGEX REPLACE "(\nQUELM[ \t]+)100([ \t]+InitScene)" "\\199\\2" moved "${text}")
if(moved STREQUAL text)
  message(FATAL_ERROR "InitScene at 100 not found in ${TABLE}")
endif()
file(WRITE ${WORK}/exports-moved.txt "${moved}")
execute_process(COMMAND ${CHECK} ${OBJDUMP} ${WORK}/exports-moved.txt ${DLLS}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")
if(result EQUAL 0)
  message(FATAL_ERROR "the check passed a table with InitScene at ordinal 99")
endif()
foreach(expected "unexpected export: ordinal 100 name InitScene"
                 "missing export: ordinal 99 name InitScene")
  string(FIND "${output}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the check did not report \"${expected}\"")
  endif()
endforeach()
