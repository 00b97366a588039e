# The SZDD packer that packs the payload, and its tests. The tests expand
# every packed file with libmspack as well as with our expander.
set(SZDD_DIR ${CMAKE_CURRENT_LIST_DIR})

add_library(szdd STATIC ${SZDD_DIR}/szdd.cpp)
target_include_directories(szdd PUBLIC ${SZDD_DIR})

add_executable(szdd_pack ${SZDD_DIR}/szdd_pack.cpp)
target_link_libraries(szdd_pack PRIVATE szdd)

# A payload file taken out of a built setup, for the signing test.
add_executable(unpack_payload ${SZDD_DIR}/unpack_payload.cpp)
target_link_libraries(unpack_payload PRIVATE szdd)

# Debian packages: libgtest-dev, libmspack-dev, pkg-config.
find_package(GTest REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(MSPACK REQUIRED IMPORTED_TARGET libmspack)

add_executable(szdd_tests ${SZDD_DIR}/../tests/host/szdd_test.cpp)
target_link_libraries(szdd_tests PRIVATE szdd GTest::gtest PkgConfig::MSPACK)
target_compile_definitions(szdd_tests PRIVATE
    SZDD_PACK_PATH="$<TARGET_FILE:szdd_pack>")
add_dependencies(szdd_tests szdd_pack)

enable_testing()
add_test(NAME szdd_tests COMMAND szdd_tests)
