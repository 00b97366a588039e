# GoogleTest from Debian's sources, cross-built like the setup itself.
set(GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The Wine tests run in lanes. A lane is a throwaway Wine prefix of its own
# under the build folder (so a wine server, registry and WIN.INI of its own),
# and its tests run one after another; the lanes run side by side. The first
# lane's prefix is the one tools/run.sh and the benchmarks use too. Every
# prefix is a 64-bit one, as our users' Windows is: the setup and its
# programs run there under WoW64, with the 32-bit registry view and system
# folder, and Wine's own 64-bit programs (reg.exe, start.exe) see what
# Explorer and Default Apps see.
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix of the tests")
set(WINE_LANES 1 2 3 4)
set(WINE_TEST_ENV
    WINEDEBUG=-all
    WINEARCH=win64
    WINEDLLOVERRIDES=mscoree,mshtml=
)

function(wine_lane_prefix lane out)
    if(lane EQUAL 1)
        set(${out} ${WINE_PREFIX} PARENT_SCOPE)
    else()
        set(${out} ${WINE_PREFIX}-${lane} PARENT_SCOPE)
    endif()
endfunction()

# Puts a test into a lane: its prefix, the lane's fixture that creates that
# prefix, and the lane's lock, which keeps the lane's tests one at a time.
# ENVIRONMENT must be set before.
function(set_wine_lane test lane)
    wine_lane_prefix(${lane} prefix)
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT WINEPREFIX=${prefix} VELLORAN_LANE=${lane})
    set_property(TEST ${test} APPEND PROPERTY RESOURCE_LOCK wine_lane_${lane})
    get_test_property(${test} FIXTURES_SETUP setup)
    if(NOT setup STREQUAL "wine_${lane}")
        set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED wine_${lane})
    endif()
endfunction()
