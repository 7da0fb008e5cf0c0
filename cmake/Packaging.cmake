# The release archive: cmake --build --preset mingw --target package makes
# TAVIKUpdate-<version>-win32.zip and SHA256SUMS beside it (tools/package/make_release.py). Its
# binaries are stripped copies of the build's optimised binaries; the debug information of each
# goes beside the archive as <binary>.debug, linked from the binary (.gnu_debuglink), for
# reading crash dumps. Each copy is padded as a signature would pad it, so that signing it
# adds the signature and changes nothing else.
if(NOT MINGW)
  return()
endif()

find_program(TAVIK_OBJCOPY ${MINGW_PREFIX}-objcopy REQUIRED)
find_program(TAVIK_STRIP ${MINGW_PREFIX}-strip REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(_release_dir ${CMAKE_BINARY_DIR}/release/bin)
# Beside the archive, one file per binary.
set(_debug_dir ${CMAKE_BINARY_DIR}/package/TAVIKUpdate-${PROJECT_VERSION}-win32-debug)
# The sample package ships in sample\UPDATEFILES, where the updater never reads it: beside
# TAVIKUpdate.exe its test images would be written into a real camera of the model it names.
set(_sample_dir ${CMAKE_BINARY_DIR}/release/sample/UPDATEFILES)
set(_licenses_dir ${CMAKE_BINARY_DIR}/release/licenses)
set(_package_tools ${PROJECT_SOURCE_DIR}/tools/package)

# objcopy and strip write the time they run into a PE header unless SOURCE_DATE_EPOCH names
# one: 0, as the linker writes.
set(_objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${TAVIK_OBJCOPY})
set(_strip ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${TAVIK_STRIP})

set(_released)
set(_stripped)
foreach(target TAVIKUpdate TAVIKUtilDll TAVIKInfo TAVIKPackageCheck)
  if(NOT TARGET ${target})
    continue()
  endif()
  set(_name $<TARGET_FILE_NAME:${target}>)
  set(_out ${_release_dir}/${target}.stamp)
  add_custom_command(
    OUTPUT ${_out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_release_dir} ${_debug_dir}
    COMMAND ${_objcopy} --only-keep-debug $<TARGET_FILE:${target}> ${_debug_dir}/${_name}.debug
    COMMAND ${_strip} --strip-debug --strip-unneeded -o ${_release_dir}/${_name}
            $<TARGET_FILE:${target}>
    COMMAND ${CMAKE_COMMAND} -E chdir ${_debug_dir} ${_objcopy}
            --add-gnu-debuglink=${_name}.debug ${_release_dir}/${_name}
    COMMAND ${Python3_EXECUTABLE} ${_package_tools}/unsigned_pe.py ${_release_dir}/${_name}
    COMMAND ${CMAKE_COMMAND} -E touch ${_out}
    DEPENDS ${target} ${_package_tools}/unsigned_pe.py
    COMMENT "Release copy of ${target}, its debug information apart"
    VERBATIM)
  list(APPEND _stripped ${_out})
  list(APPEND _released ${target})
endforeach()

add_custom_command(
  OUTPUT ${_sample_dir}/TAVIKUpdate.xml
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_sample_dir}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/examples/UPDATEFILES/TAVIKUpdate.xml
          ${_sample_dir}/TAVIKUpdate.xml
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/examples/make_sample_images.py ${_sample_dir}
  DEPENDS ${PROJECT_SOURCE_DIR}/examples/UPDATEFILES/TAVIKUpdate.xml
          ${PROJECT_SOURCE_DIR}/examples/make_sample_images.py
  COMMENT "The sample package"
  VERBATIM)

set(_license_script ${_package_tools}/collect_licenses.py)
add_custom_command(
  OUTPUT ${_licenses_dir}/nlohmann-json.txt ${_licenses_dir}/mingw-w64-runtime.txt
         ${_licenses_dir}/winpthreads.txt ${_licenses_dir}/gcc-runtime.txt
  COMMAND ${Python3_EXECUTABLE} ${_license_script} ${_licenses_dir}
  DEPENDS ${_license_script}
  COMMENT "The licences of what the binaries contain"
  VERBATIM)

# Part of every build, so that the archive packs what was built and tested.
add_custom_target(release_files ALL DEPENDS ${_stripped} ${_sample_dir}/TAVIKUpdate.xml
                                            ${_licenses_dir}/winpthreads.txt)

foreach(target IN LISTS _released)
  install(PROGRAMS ${_release_dir}/$<TARGET_FILE_NAME:${target}> DESTINATION .)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/devicelib/include/TAVIKUtilDll.h DESTINATION include)
install(FILES $<TARGET_LINKER_FILE:TAVIKUtilDll>
              ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/libTAVIKUtilDll_ordinal.a
              ${PROJECT_SOURCE_DIR}/devicelib/src/TAVIKUtilDll_byname.def
        DESTINATION lib)
install(DIRECTORY ${CMAKE_BINARY_DIR}/release/sample ${_licenses_dir} DESTINATION .)

# The archive is written by a step of our own, not CPack, which would store the build's times,
# its owner and the order it read the folders in. The README is written then too, as it names
# the commit and the signer. (A build folder from when CPack made it still holds CPack's
# configuration, which reserves the target's name.)
file(REMOVE ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${CMAKE_BINARY_DIR}/CPackSourceConfig.cmake)
add_custom_target(package
  COMMAND ${Python3_EXECUTABLE} ${_package_tools}/make_release.py --cmake ${CMAKE_COMMAND}
          --build ${CMAKE_BINARY_DIR} --source ${PROJECT_SOURCE_DIR} --version ${PROJECT_VERSION}
  COMMENT "The release archive"
  VERBATIM)
add_dependencies(package release_files)

add_test(NAME release_tools
         COMMAND ${Python3_EXECUTABLE} ${_package_tools}/tests/test_release_pieces.py)
set(_environment PYTHONPATH=${_package_tools})
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GNU ld sets the checksum of what it links: the sum the release step must agree with.
  list(APPEND _environment TAVIK_LINKED_PE=$<TARGET_FILE:TAVIKInfo>)
endif()
set_tests_properties(release_tools PROPERTIES LABELS unit ENVIRONMENT "${_environment}")
tavik_test_timeout(release_tools 20)
