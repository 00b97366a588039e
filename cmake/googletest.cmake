# GoogleTest from Debian's sources, cross-built like the setup itself.
set(GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Every test process shares one throwaway Wine prefix under the build folder.
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix of the tests")
set(WINE_TEST_ENV
    WINEPREFIX=${WINE_PREFIX}
    WINEDEBUG=-all
    WINEARCH=win32
    WINEDLLOVERRIDES=mscoree,mshtml=
)
