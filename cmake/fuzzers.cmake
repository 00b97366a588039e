# Builds the viewer's decoder fuzz targets (tests/fuzz) natively with Debian's
# clang beside the cross build, as tools/ is built by host_tools.cmake. CTest
# runs them (tests/fuzz/fuzz_tests.cmake), tools/fuzz.sh for longer.
include(ExternalProject)

find_program(FUZZ_CXX_COMPILER clang++-14 REQUIRED)
set(FUZZ_BUILD_DIR ${CMAKE_BINARY_DIR}/fuzz)
set(FUZZ_TARGETS tga pcx netpbm orientation)
set(FUZZ_TARGET_PATHS)
foreach(target ${FUZZ_TARGETS})
    list(APPEND FUZZ_TARGET_PATHS ${FUZZ_BUILD_DIR}/fuzz_${target})
endforeach()

ExternalProject_Add(decoder_fuzzers
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/tests/fuzz
    BINARY_DIR ${FUZZ_BUILD_DIR}
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${FUZZ_CXX_COMPILER}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${FUZZ_TARGET_PATHS}
)
