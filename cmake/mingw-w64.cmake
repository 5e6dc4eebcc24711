# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix: the
# POSIX thread model, which std::thread and std::mutex need). Test programs run under Wine.
# Usage: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RIVAN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RIVAN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RIVAN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${RIVAN_MINGW_TRIPLET}-windres)

# Libraries and headers come from the MinGW-w64 tree only; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${RIVAN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ run-time libraries are linked in, so an executable runs without the
# compiler's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest and the test listing run the executables through Wine.
find_program(RIVAN_WINE NAMES wine wine64 wine-stable)
if(RIVAN_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${RIVAN_WINE})
endif()
