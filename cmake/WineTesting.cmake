# Runs the tests under Wine: one fresh prefix inside the build tree per test run,
# created by a setup fixture and shut down by a cleanup fixture.
set(HOTKEY_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)

add_test(NAME wine_prefix_setup
    COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix setup ${HOTKEY_WINEPREFIX})
add_test(NAME wine_prefix_cleanup
    COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix cleanup ${HOTKEY_WINEPREFIX})
set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 120)
set_tests_properties(wine_prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine_prefix)

function(hotkey_use_wine_prefix)
    set_tests_properties(${ARGN} PROPERTIES
        FIXTURES_REQUIRED wine_prefix
        ENVIRONMENT "WINEPREFIX=${HOTKEY_WINEPREFIX}")
endfunction()
