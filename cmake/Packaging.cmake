# The release archive: cmake --build --preset mingw --target package makes
# TAVIKUpdate-<version>-win32.zip. Its binaries are stripped copies of the build's optimised
# binaries; the debug information of each goes beside the archive as <binary>.debug, linked
# from the binary (.gnu_debuglink), for reading crash dumps.
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
    COMMAND ${TAVIK_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${_debug_dir}/${_name}.debug
    COMMAND ${TAVIK_STRIP} --strip-debug --strip-unneeded -o ${_release_dir}/${_name}
            $<TARGET_FILE:${target}>
    COMMAND ${CMAKE_COMMAND} -E chdir ${_debug_dir} ${TAVIK_OBJCOPY}
            --add-gnu-debuglink=${_name}.debug ${_release_dir}/${_name}
    COMMAND ${CMAKE_COMMAND} -E touch ${_out}
    DEPENDS ${target}
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

set(_license_script ${PROJECT_SOURCE_DIR}/tools/package/collect_licenses.py)
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
# The user's README names the project's version; its lines end CR LF for Notepad.
configure_file(${PROJECT_SOURCE_DIR}/tools/package/README.txt.in
               ${CMAKE_BINARY_DIR}/release/README.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/release/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME TAVIKUpdate)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME TAVIKUpdate-${PROJECT_VERSION}-win32)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# SHA256SUMS beside the archive: the archive itself and every file in it, as it unpacks.
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/WriteChecksums.cmake)
include(CPack)
