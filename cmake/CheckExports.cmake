# Fails unless the dynamic symbol table of MODULE defines exactly the
# symbols named in EXPECTED (comma-separated), no more and no fewer.
#
#   cmake -DMODULE=lib.so -DEXPECTED=a,b,c -P CheckExports.cmake
foreach(variable MODULE EXPECTED)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "${variable} is not set")
  endif()
endforeach()

find_program(NM nm)
if(NOT NM)
  message(FATAL_ERROR "the nm program (binutils) is needed to list a module's exports")
endif()
execute_process(COMMAND ${NM} -D --defined-only ${MODULE}
                OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm -D ${MODULE} failed: ${errors}")
endif()

# Lines are "address type name"; the version nodes of a version script show
# as absolute symbols (type A) and are not exports.
set(exported)
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-fA-F]+ ([A-Za-z]) ([^ ]+)$")
    if(NOT CMAKE_MATCH_1 STREQUAL "A")
      list(APPEND exported ${CMAKE_MATCH_2})
    endif()
  endif()
endforeach()
string(REPLACE "," ";" expected "${EXPECTED}")
list(SORT exported)
list(SORT expected)

set(extra ${exported})
list(REMOVE_ITEM extra ${expected})
set(missing ${expected})
if(exported)
  list(REMOVE_ITEM missing ${exported})
endif()
if(extra OR missing)
  message(FATAL_ERROR "${MODULE} exports the wrong symbols\n"
                      "  not meant to be exported: ${extra}\n"
                      "  missing: ${missing}")
endif()
list(LENGTH exported count)
message(STATUS "${MODULE} exports exactly its ${count} entry points")
