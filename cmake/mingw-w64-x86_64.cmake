# Cross-builds beatplate for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads flavour,
# whose libstdc++ has std::thread). Everything is linked statically: the .exe needs no DLL beside it.
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64-x86_64.cmake
# BEATPLATE_WINDOWS_PREFIX names the folder that scripts/windows-deps.sh filled with libpng and
# FreeType; the cross compiler's own folder has zlib.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BEATPLATE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BEATPLATE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BEATPLATE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${BEATPLATE_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${BEATPLATE_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${BEATPLATE_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

# The toolchain file is read again by every try_compile, which sees only the variables named here.
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BEATPLATE_WINDOWS_PREFIX)
if(NOT BEATPLATE_WINDOWS_PREFIX AND DEFINED ENV{BEATPLATE_WINDOWS_PREFIX})
  set(BEATPLATE_WINDOWS_PREFIX $ENV{BEATPLATE_WINDOWS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${BEATPLATE_MINGW_TRIPLET} ${BEATPLATE_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# libz.a, not the import library of zlib1.dll (the platform files reset the suffixes' order).
set(ZLIB_USE_STATIC_LIBS ON)

# -static takes winpthread's archive as well; the .exe then depends on system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# What a test program runs under on the Debian machine that built it.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
