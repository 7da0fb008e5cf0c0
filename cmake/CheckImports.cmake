# Fails unless the given PE file imports only DLLs that every Windows PC has.
#   cmake -DOBJDUMP=... -DFILE=... -P CheckImports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${FILE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${FILE}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" names "${dump}")
# bcrypt.dll, the platform's cryptography (CNG), is part of Windows since Vista.
set(system kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll bcrypt.dll
           comctl32.dll setupapi.dll msvcrt.dll xmllite.dll shlwapi.dll version.dll
           tavikutildll.dll)
foreach(line IN LISTS names)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(TOLOWER "${dll}" dll)
  list(FIND system "${dll}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${FILE} imports ${dll}, which a bare Windows PC does not have")
  endif()
  message(STATUS "imports ${dll}")
endforeach()
