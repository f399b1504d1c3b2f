# The build time (build-aux/build-time: SOURCE_DATE_EPOCH, else the commit time
# of HEAD, else a fixed time), taken when the project is configured, as
# `make build` and `make package` do each time. HOTKEY_BUILD_TIME_FILE holds
# it and changes only with it: what records the time depends on that file, so
# that a new build time makes it again.
find_program(SH_PROGRAM sh REQUIRED)
execute_process(COMMAND ${SH_PROGRAM} ${PROJECT_SOURCE_DIR}/build-aux/build-time
    OUTPUT_VARIABLE HOTKEY_BUILD_TIME OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Build time: ${HOTKEY_BUILD_TIME} (Unix time)")
set(HOTKEY_BUILD_TIME_FILE ${CMAKE_BINARY_DIR}/build-time)
file(CONFIGURE OUTPUT ${HOTKEY_BUILD_TIME_FILE} CONTENT "${HOTKEY_BUILD_TIME}\n")
