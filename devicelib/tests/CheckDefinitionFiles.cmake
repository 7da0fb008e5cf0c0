# Fails unless the DLL's module-definition file and the two import-library ones list the same
# functions at the same ordinals.
#   cmake -DEXPORTS=... -DBYNAME=... -DORDINAL=... -P CheckDefinitionFiles.cmake

# "name ordinal" for each export of a file; decorations (@bytes) and NONAME are dropped.
function(read_exports file out)
  file(STRINGS ${file} lines REGEX "^[ \t]+OrvaneUtil_")
  set(entries "")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^[ \t]+(OrvaneUtil_[A-Za-z]+)(@[0-9]+)?[ \t]+@([0-9]+)")
      message(FATAL_ERROR "${file}: cannot read '${line}'")
    endif()
    list(APPEND entries "${CMAKE_MATCH_1} ${CMAKE_MATCH_3}")
  endforeach()
  set(${out} "${entries}" PARENT_SCOPE)
endfunction()

read_exports(${EXPORTS} exports)
read_exports(${BYNAME} byname)
read_exports(${ORDINAL} ordinal)
list(LENGTH exports count)
if(NOT count EQUAL 30)
  message(FATAL_ERROR "${EXPORTS} lists ${count} exports, not 30")
endif()
if(NOT byname STREQUAL exports)
  message(FATAL_ERROR "${BYNAME} differs from ${EXPORTS}")
endif()
if(NOT ordinal STREQUAL exports)
  message(FATAL_ERROR "${ORDINAL} differs from ${EXPORTS}")
endif()
file(STRINGS ${ORDINAL} named REGEX "^[ \t]+OrvaneUtil_.*@[0-9]+[ \t]*$")
if(named)
  message(FATAL_ERROR "${ORDINAL} has entries without NONAME: ${named}")
endif()
