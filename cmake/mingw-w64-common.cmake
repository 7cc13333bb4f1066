# Shared by the MinGW-w64 toolchain files; they set KV_MINGW_TRIPLE first.
# The -posix compilers are used because the win32 flavour has no std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

set(CMAKE_C_COMPILER   ${KV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${KV_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything static: the binaries import system DLLs only, so Outlook (or Wine)
# never has to find a MinGW runtime DLL beside the add-in.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Unicode throughout: only the wide API is used.
set(CMAKE_C_FLAGS_INIT   "-DUNICODE -D_UNICODE -DNOMINMAX")
set(CMAKE_CXX_FLAGS_INIT "-DUNICODE -D_UNICODE -DNOMINMAX")
# MinGW's GCC 12 warns falsely about overlapping copies inside
# "text" + std::string once -O3 inlines them (GCC bug 105651); with
# warnings as errors that would fail sound code.
set(CMAKE_CXX_FLAGS_INIT "${CMAKE_CXX_FLAGS_INIT} -Wno-restrict")

# ctest runs the Windows programs under Wine, in a prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/mingw-wine.sh;${CMAKE_BINARY_DIR}/wineprefix")

# GoogleTest for Windows is built from the sources Debian ships; our
# FindGTest.cmake beside this file does that when tests ask for GTest.
list(PREPEND CMAKE_MODULE_PATH "${CMAKE_CURRENT_LIST_DIR}/mingw-modules")
