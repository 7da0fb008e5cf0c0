# Run by CPack after it made the archive: writes SHA256SUMS beside it, one "DIGEST *PATH" line
# for the archive and one for each file in it, its path as the archive unpacks
# (TAVIKUpdate-<version>-win32/...), so that `sha256sum -c SHA256SUMS` checks both.
# CPACK_PACKAGE_FILES names the archive where CPack made it, before it is copied, unchanged,
# into CPACK_PACKAGE_DIRECTORY.
foreach(archive IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name ${archive} NAME)
  set(unpacked ${CPACK_PACKAGE_DIRECTORY}/_checksums)
  file(REMOVE_RECURSE ${unpacked})
  file(MAKE_DIRECTORY ${unpacked})
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${archive} WORKING_DIRECTORY ${unpacked}
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot unpack ${archive} for its checksums")
  endif()
  file(SHA256 ${archive} digest)
  set(sums "${digest} *${name}\n")
  file(GLOB_RECURSE files RELATIVE ${unpacked} ${unpacked}/*)
  list(SORT files)
  foreach(file IN LISTS files)
    file(SHA256 ${unpacked}/${file} digest)
    string(APPEND sums "${digest} *${file}\n")
  endforeach()
  file(REMOVE_RECURSE ${unpacked})
  file(WRITE ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS "${sums}")
endforeach()
