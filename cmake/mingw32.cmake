# Cross toolchain: 32-bit Windows with MinGW-w64, win32 thread model.
#
# The win32 thread model links no winpthreads: that library imports functions
# Windows 95 lacks (GetTickCount64, AddVectoredExceptionHandler, ...), and an exe
# naming one of them does not load there at all. The program uses no threads.
# Everything of this tree (program, tools, tests) is built with this one model,
# so the imagewheel.exe the tests start is the one that ships. Its C runtime is
# crtdll.dll, which every Windows 95 has (cmake/Crtdll.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(IW_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${IW_MINGW_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${IW_MINGW_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER  ${IW_MINGW_PREFIX}-windres)
set(IW_OBJDUMP         ${IW_MINGW_PREFIX}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${IW_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every exe stands alone: no libgcc/libstdc++ DLLs beside it. Windows 95
# refuses an exe whose PE header asks for an OS or subsystem above 4.0; GNU
# ld's defaults are 4.0 today, pinned here so that no new default can move them.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -static-libgcc -static-libstdc++ -Wl,--major-os-version,4,--minor-os-version,0,--major-subsystem-version,4,--minor-subsystem-version,0")
# Tests run under Wine through the harness wrapper.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
