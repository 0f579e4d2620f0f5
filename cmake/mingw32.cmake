# Cross toolchain: 32-bit Windows with MinGW-w64, posix thread model.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(IW_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${IW_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${IW_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${IW_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${IW_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every exe stands alone: no libgcc/libstdc++/winpthread DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Tests run under Wine through the harness wrapper.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
