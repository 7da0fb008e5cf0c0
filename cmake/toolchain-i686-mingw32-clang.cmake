# The second compiler: Debian's clang and lld for the same target, on mingw-w64's headers and
# libraries. clang finds no libstdc++ for this target by itself: it gets the C++ headers and
# libraries of the installed mingw-w64 GCC, found by asking that GCC, so no version is named.
# The rest (windres, dlltool, where the target's files are) is the GCC build's.
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-i686-mingw32.cmake)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${MINGW_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${MINGW_PREFIX})

execute_process(COMMAND ${MINGW_PREFIX}-g++-posix -print-file-name=include
                OUTPUT_VARIABLE _gcc_include OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE _gcc_status)
if(NOT _gcc_status EQUAL 0 OR NOT IS_DIRECTORY "${_gcc_include}/c++")
  message(FATAL_ERROR "clang: no C++ headers from ${MINGW_PREFIX}-g++-posix (tools/setup.sh)")
endif()
get_filename_component(_gcc_dir "${_gcc_include}" DIRECTORY)

set(_cxx_headers "-isystem ${_gcc_include}/c++ -isystem ${_gcc_include}/c++/${MINGW_PREFIX}")
set(CMAKE_CXX_FLAGS_INIT "${_cxx_headers}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${_gcc_dir}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld -L${_gcc_dir}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${_gcc_dir}")
# The static runtimes, in one group since they refer to each other (libgcc_eh's thread-local
# storage needs winpthread), then the system libraries CMake gives a mingw-w64 build anyway. A
# cache entry: the platform's own default would take the place of one set here.
set(_runtime "-lgcc -lgcc_eh -lwinpthread -lmingwex -lmsvcrt -lkernel32 -Wl,--end-group")
set(_system "-luser32 -lgdi32 -lwinspool -lshell32 -lole32 -loleaut32 -luuid -lcomdlg32 -ladvapi32")
set(CMAKE_CXX_STANDARD_LIBRARIES "-Wl,--start-group -lstdc++ ${_runtime} ${_system}"
    CACHE STRING "Libraries linked into every C++ target")
set(CMAKE_C_STANDARD_LIBRARIES "-Wl,--start-group ${_runtime} ${_system}"
    CACHE STRING "Libraries linked into every C target")
