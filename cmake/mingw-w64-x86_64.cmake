# Cross-building for 64-bit Windows with Debian's MinGW-w64 (POSIX threads).
# QUILLORY_WINDOWS_PREFIX (a cache variable, else the environment's) names
# where tools/windows-toolkit.sh installed the toolkit and the image
# libraries.
if(NOT QUILLORY_WINDOWS_PREFIX)
  set(QUILLORY_WINDOWS_PREFIX "$ENV{QUILLORY_WINDOWS_PREFIX}" CACHE PATH "The Windows toolkit's prefix")
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET} ${QUILLORY_WINDOWS_PREFIX})
if(EXISTS ${QUILLORY_WINDOWS_PREFIX}/bin/wx-config)
  set(wxWidgets_CONFIG_EXECUTABLE ${QUILLORY_WINDOWS_PREFIX}/bin/wx-config CACHE FILEPATH "")
endif()
# Tests run under Wine.
find_program(QUILLORY_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(QUILLORY_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLORY_WINE})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
