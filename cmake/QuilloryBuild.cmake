# What every room of src/ is built with, for the program, the tests and the
# fuzz targets alike: the toolkit split into its base and GUI libraries,
# the warnings, and the naming rule that picks each system's sources.

if(WIN32)
  # Cross-built with MinGW-w64 against the static toolkit of
  # tools/windows-toolkit.sh (cmake/mingw-w64-x86_64.cmake), so that the one
  # .exe runs alone.
  set(wxWidgets_CONFIG_OPTIONS --static)
endif()
find_package(Threads REQUIRED)
get_filename_component(QUILLORY_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/../src ABSOLUTE)

# The toolkit's base library (strings, threads, time, logging) and its GUI
# library (windows, and the images the PNG and JPEG handlers decode). The
# toolkit's headers are not ours to keep warning-free.
function(quillory_toolkit_target name)
  # Only the program is a windowed one (add_executable(... WIN32)); the
  # tests are console programs, so that their output is seen.
  list(FILTER wxWidgets_LIBRARIES EXCLUDE REGEX "subsystem,windows|^-mwindows$")
  add_library(${name} INTERFACE)
  target_include_directories(${name} SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
  list(REMOVE_DUPLICATES wxWidgets_DEFINITIONS)
  target_compile_definitions(${name} INTERFACE ${wxWidgets_DEFINITIONS}
                             $<$<CONFIG:Debug>:${wxWidgets_DEFINITIONS_DEBUG}>)
  target_compile_options(${name} INTERFACE ${wxWidgets_CXX_FLAGS})
  target_link_libraries(${name} INTERFACE ${wxWidgets_LIBRARIES} Threads::Threads)
  if(WIN32)
    # Static, so that every .exe runs alone, without MinGW's DLLs beside it.
    target_link_options(${name} INTERFACE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()
if(NOT TARGET wx_base)
  find_package(wxWidgets 3.2 REQUIRED COMPONENTS base)
  quillory_toolkit_target(wx_base)
  unset(wxWidgets_DEFINITIONS)
  find_package(wxWidgets 3.2 REQUIRED COMPONENTS core base)
  quillory_toolkit_target(wx_gui)
endif()

# A room that needs no window is built as the toolkit's console programs
# are: its window headers then fail to compile there, so that the build,
# not a comment, keeps windows out. Private to the room, since the rooms
# above it are windowed ones.
function(quillory_windowless target)
  target_compile_definitions(${target} PRIVATE wxUSE_GUI=0)
endfunction()

if(NOT TARGET quillory_warnings)
  add_library(quillory_warnings INTERFACE)
  target_compile_options(quillory_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
endif()

# What differs between systems is chosen by one naming rule: a suffix names
# the interface a file uses. A unit is a header foo.h and the sources beside
# it: foo.cpp holds what every system shares, foo_posix.cpp portable POSIX
# calls, foo_linux.cpp calls only Linux has, foo_gtk.cpp GTK and GDK,
# foo_x11.cpp the X protocol, foo_wayland.cpp Wayland's, foo_win.cpp Win32.
# The Linux build takes all but the last, the Windows build the first and
# the last. A test foo_test.cpp follows the same rule (foo_posix_test.cpp,
# foo_win_test.cpp).
if(WIN32)
  set(QUILLORY_PLATFORM_SUFFIXES win)
else()
  set(QUILLORY_PLATFORM_SUFFIXES posix linux gtk x11 wayland)
endif()
# quillory_units(<target> <ending> [OPTIONAL] <unit>...): adds each unit's
# sources for this system, <unit><ending> and <unit>_<suffix><ending>, from
# the calling folder; a unit without any is an error, so that a misspelt
# name never builds without its code, unless OPTIONAL (tests of one
# system's calls only).
function(quillory_units target ending)
  set(units ${ARGN})
  set(optional FALSE)
  if(units AND "${ARGV2}" STREQUAL "OPTIONAL")
    set(optional TRUE)
    list(REMOVE_AT units 0)
  endif()
  foreach(unit ${units})
    set(found FALSE)
    foreach(candidate ${unit}${ending} ${QUILLORY_PLATFORM_SUFFIXES})
      if(NOT candidate STREQUAL "${unit}${ending}")
        set(candidate ${unit}_${candidate}${ending})
      endif()
      if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${candidate})
        target_sources(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/${candidate})
        set(found TRUE)
      endif()
    endforeach()
    if(NOT found AND NOT optional)
      message(FATAL_ERROR "${unit}: no source for this system")
    endif()
  endforeach()
endfunction()

# quillory_room(<name> [WINDOWLESS] UNITS <unit>... [USES <target>...]):
# the room of src/<name> as the static library quillory_<name>, built from
# its units; USES is its link line, the rooms and libraries it may include.
function(quillory_room name)
  cmake_parse_arguments(ROOM "WINDOWLESS" "" "UNITS;USES" ${ARGN})
  add_library(quillory_${name} STATIC)
  target_include_directories(quillory_${name} PUBLIC ${QUILLORY_SOURCE_DIR})
  quillory_units(quillory_${name} .cpp ${ROOM_UNITS})
  target_link_libraries(quillory_${name} PRIVATE quillory_warnings)
  if(ROOM_USES)
    target_link_libraries(quillory_${name} PUBLIC ${ROOM_USES})
  endif()
  if(ROOM_WINDOWLESS)
    quillory_windowless(quillory_${name})
  endif()
endfunction()
