# Cross-compiles for 64-bit Windows with mingw-w64 (posix threads variant); the tests run
# under Wine through scripts/wine-run.sh, which CTest uses as the emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SPARROWTRIM_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SPARROWTRIM_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SPARROWTRIM_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SPARROWTRIM_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SPARROWTRIM_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime and the thread library are linked in, so every .exe runs on its own,
# without mingw's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
