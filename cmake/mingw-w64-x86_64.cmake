# Cross build for 64-bit Windows with Debian's mingw-w64 (the posix thread model, which gives
# std::thread and std::mutex). Programs and tests run under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime is linked as DLLs here (Qt's own DLLs need the shared one); the project
# links it in where no Qt is used (see CMakeLists.txt).

# Test discovery and ctest run the programs through wine (WINEPREFIX comes from the environment).
find_program(ZE_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(ZE_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${ZE_WINE})
endif()
