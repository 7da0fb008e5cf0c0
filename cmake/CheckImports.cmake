# Fails unless the given PE file imports only Windows' known DLLs, which Windows always takes
# from its system folder, and the DLLs named in EXTRA. Any other DLL is looked for in the
# program's own folder first, where anyone may have put one of that name: a system DLL that is
# not a known DLL (xmllite.dll, bcrypt.dll) is loaded at run time from the system folder instead.
# EXTRA names what else a file may import: TAVIKUtilDll.dll, ours, beside the program; and
# comctl32.dll for a program whose manifest asks for version 6, which then comes from the
# side-by-side store.
#   cmake -DOBJDUMP=... -DFILE=... [-DEXTRA="tavikutildll.dll;comctl32.dll"] -P CheckImports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${FILE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${FILE}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" names "${dump}")
# Known DLLs of every Windows from 7 to 11.
set(known advapi32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll
          oleaut32.dll psapi.dll rpcrt4.dll setupapi.dll shell32.dll shlwapi.dll user32.dll
          ws2_32.dll)
string(TOLOWER "${EXTRA}" extra)
foreach(line IN LISTS names)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(TOLOWER "${dll}" dll)
  list(FIND known "${dll}" found)
  if(found EQUAL -1)
    list(FIND extra "${dll}" found)
  endif()
  if(found EQUAL -1)
    message(FATAL_ERROR "${FILE} imports ${dll}, which is not a known DLL: Windows would look "
                        "for it beside the program first")
  endif()
  message(STATUS "imports ${dll}")
endforeach()
