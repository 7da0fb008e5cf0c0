# Compiler and linker settings shared by every target of the project.
if(MINGW)
  # Static C and C++ runtimes (winpthread included): the binaries run on a bare Windows PC.
  add_link_options(-static)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_link_options(-static-libgcc -static-libstdc++)  # clang: the group of its toolchain file
  endif()
  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -O coff")
  # The same commit gives the same bytes from any folder, at any time: no link time in the PE
  # header, and the source and build folders under fixed names wherever the compiler writes a
  # path (debug information, assertions). The build folder's map comes last: GCC takes the last
  # map that matches, and the build folder usually lies inside the source folder.
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>"
                      "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")
  add_link_options(-Wl,--no-insert-timestamp)
elseif(MSVC)
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
endif()

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

if(CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX)
  # Every test program runs under Wine, in a prefix that belongs to this build tree.
  set(TAVIK_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  # Tests that drive the simulated camera or own the desktop's log file run this many at once,
  # each in a prefix of its own (see wine-run.sh); CTest learns of the prefixes from
  # prefix-lanes.json, which the test preset names.
  set(TAVIK_PREFIX_LANES 2 CACHE STRING "Prefixes for tests that need one to themselves")
  if(NOT TAVIK_PREFIX_LANES MATCHES "^[1-9][0-9]*$")
    message(FATAL_ERROR
            "TAVIK_PREFIX_LANES must be a whole number from 1 up, not \"${TAVIK_PREFIX_LANES}\"")
  endif()
  set(_lanes)
  foreach(lane RANGE 1 ${TAVIK_PREFIX_LANES})
    list(APPEND _lanes "{\"id\": \"${lane}\", \"slots\": 1}")
  endforeach()
  list(JOIN _lanes ", " _lanes)
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/prefix-lanes.json CONTENT
       "{\"version\": {\"major\": 1, \"minor\": 0}, \"local\": [{\"prefixes\": [${_lanes}]}]}\n")
  # A program run once in every lane: the camera's driver is started in each.
  set(TAVIK_EVERY_LANE ${CMAKE_BINARY_DIR}/wine-run.sh --every-lane)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                 @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                 GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh --test)
endif()
