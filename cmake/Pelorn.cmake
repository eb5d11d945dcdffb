# One static library per source folder; every folder's sources are picked up by glob so a new
# file needs no edit here. `main.cpp` files are left to the executables.
set(PELORN_SRC "${CMAKE_SOURCE_DIR}/src")
set(PELORN_LIBRARIES "" CACHE INTERNAL "")

function(pelorn_library name)
  cmake_parse_arguments(ARG "" "" "DIRS" ${ARGN})
  if(NOT ARG_DIRS)
    set(ARG_DIRS ".")
  endif()
  set(sources "")
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB found CONFIGURE_DEPENDS
      "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h")
    list(APPEND sources ${found})
  endforeach()
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(pelorn_${name} STATIC ${sources})
  target_include_directories(pelorn_${name} PUBLIC "${PELORN_SRC}")
  target_link_libraries(pelorn_${name} PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Network Threads::Threads)
  # moc does not look again when a glob brings a new header into an existing build folder;
  # dropping its timestamp when the file list changed makes it run.
  set(list_file "${CMAKE_CURRENT_BINARY_DIR}/pelorn_${name}_sources.txt")
  string(REPLACE ";" "\n" listed "${sources}")
  if(EXISTS "${list_file}")
    file(READ "${list_file}" previous)
    if(NOT previous STREQUAL "${listed}\n")
      file(REMOVE "${CMAKE_CURRENT_BINARY_DIR}/pelorn_${name}_autogen/timestamp")
    endif()
  endif()
  file(CONFIGURE OUTPUT "${list_file}" CONTENT "${listed}\n")
  set(PELORN_LIBRARIES ${PELORN_LIBRARIES} pelorn_${name} CACHE INTERNAL "")
endfunction()

find_package(Threads REQUIRED)
