# Cross-building the Windows program on Linux with MinGW-w64 (Debian's x86_64 packages).
# The posix thread model is the one whose C++ library has std::thread and std::mutex; the
# win32 flavour of the same compilers lacks them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUINTOR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUINTOR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUINTOR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUINTOR_MINGW_TRIPLET}-windres)

# Headers and libraries come from the MinGW-w64 sysroot only, never from the Linux host;
# programs (windres, makensis, sox...) are still the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${QUINTOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs, try_run and gtest discovery start the .exe files through Wine.
get_filename_component(QUINTOR_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUINTOR_WINE_RUN})
