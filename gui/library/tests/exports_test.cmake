# Fails unless LIBRARY's dynamic symbol table defines exactly KDRGUI_Select
# and KDRGUI_About.
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE table RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm could not read ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${table}")
set(exported)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" name "${line}")
  list(APPEND exported ${name})
endforeach()
list(SORT exported)
if(NOT exported STREQUAL "KDRGUI_About;KDRGUI_Select")
  message(FATAL_ERROR "libKaleidra30.so exports \"${exported}\", not exactly KDRGUI_About and KDRGUI_Select")
endif()
