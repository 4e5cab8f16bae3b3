# Cross build for Windows (i686) with Debian's mingw-w64 compilers of the posix thread
# model (std::thread, which the tests' own server threads use), linked statically so that
# no DLL but the system's travels with the executable.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KASUMIDO_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
