# Runs the tests under Wine: one fresh prefix inside the build tree per test run,
# created by a setup fixture and shut down by a cleanup fixture. The x86_64
# tree's run makes the prefix; the i686 lane's tests, run with them, share it.
set(HOTKEY_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "The Wine prefix of a test run")

if(NOT HOTKEY_TEST_LANE STREQUAL "i686")
    add_test(NAME wine_prefix_setup
        COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix setup ${HOTKEY_WINEPREFIX})
    add_test(NAME wine_prefix_cleanup
        COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix cleanup ${HOTKEY_WINEPREFIX})
    set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 180)
    set_tests_properties(wine_prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine_prefix)
endif()

# A test of the i686 lane on a host that does not run the i686 product
# (scripts/i686-lane) ends with 77, which CTest reports as skipped. The lane's
# tests carry the label i686-lane, by which the run's last line counts them.
function(hotkey_use_wine_prefix)
    set_tests_properties(${ARGN} PROPERTIES
        FIXTURES_REQUIRED wine_prefix
        ENVIRONMENT "WINEPREFIX=${HOTKEY_WINEPREFIX};HOTKEY_TEST_LANE=${HOTKEY_TEST_LANE}"
        SKIP_RETURN_CODE 77)
    if(HOTKEY_TEST_LANE STREQUAL "i686")
        set_tests_properties(${ARGN} PROPERTIES LABELS i686-lane)
    endif()
endfunction()
