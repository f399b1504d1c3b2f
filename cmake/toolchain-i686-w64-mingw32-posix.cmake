# Cross build of the i686 lane's tests: 32-bit test programs and stand-in DLLs
# that drive the i686 product under 64-bit Wine (WoW64).
# POSIX threads: GoogleTest needs std::mutex, which GCC 12 offers only there.
set(MINGW_THREAD_MODEL posix)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-i686-w64-mingw32.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../harness/wine-run)
