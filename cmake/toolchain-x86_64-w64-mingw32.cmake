# Cross build of the same sources for x86_64, so that the tests can run them
# under 64-bit Wine on every machine, including those that cannot execute 32-bit code.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
# POSIX threads: GoogleTest needs std::mutex, which GCC 12 offers only there.
set(MINGW_THREAD_MODEL posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../harness/wine-run)
