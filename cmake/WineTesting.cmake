# Runs the tests under Wine. Each lane's tree has a fresh prefix of its own
# per test run, on a private X display of its own (harness/wine-prefix),
# made by a setup fixture and shut down by a cleanup fixture: the two lanes'
# tests then run side by side, while the tests of one lane, which share its
# registry and desktop, run one at a time (a resource lock of the prefix).
# The i686 lane's prefix has Wine's 32-bit half; the x86_64 lane needs none.
set(HOTKEY_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "The Wine prefix of a test run")
set(wine_prefix wine_prefix_${HOTKEY_TEST_LANE})
set(prefix_options --own-display)
if(NOT HOTKEY_TEST_LANE STREQUAL "i686")
    list(APPEND prefix_options --64-only)
endif()
add_test(NAME ${wine_prefix}_setup
    COMMAND ${PROJECT_SOURCE_DIR}/harness/wine-prefix setup ${HOTKEY_WINEPREFIX} ${prefix_options})
add_test(NAME ${wine_prefix}_cleanup
    COMMAND ${PROJECT_SOURCE_DIR}/harness/wine-prefix cleanup ${HOTKEY_WINEPREFIX})
set_tests_properties(${wine_prefix}_setup PROPERTIES FIXTURES_SETUP ${wine_prefix} TIMEOUT 180)
set_tests_properties(${wine_prefix}_cleanup PROPERTIES FIXTURES_CLEANUP ${wine_prefix})
set_tests_properties(${wine_prefix}_setup ${wine_prefix}_cleanup PROPERTIES RESOURCE_LOCK ${wine_prefix})

# Tests in the lane's prefix. A test of the i686 lane on a host that does not
# run the i686 product (harness/i686-lane) ends with 77, which CTest reports
# as skipped. The lane's tests carry the label i686-lane, by which the run's
# last line counts them.
function(hotkey_use_wine_prefix)
    set_tests_properties(${ARGN} PROPERTIES
        FIXTURES_REQUIRED ${wine_prefix}
        RESOURCE_LOCK ${wine_prefix}
        ENVIRONMENT "WINEPREFIX=${HOTKEY_WINEPREFIX};HOTKEY_TEST_LANE=${HOTKEY_TEST_LANE}"
        SKIP_RETURN_CODE 77)
    if(HOTKEY_TEST_LANE STREQUAL "i686")
        set_tests_properties(${ARGN} PROPERTIES LABELS i686-lane)
    endif()
endfunction()
