# Each decoder's fuzz target (cmake/fuzzers.cmake), natively: on every input
# that ever crashed a decoder (regressions/<target>/), then for 10 seconds
# from the viewer's test pictures (tools/fuzz.sh explores for longer). One
# target at a time, at a low priority, beside the Wine lanes.
set(FUZZ_SEEDS_DIR ${CMAKE_BINARY_DIR}/fuzz_seeds)
set(FUZZ_SECONDS 10)
add_test(NAME fuzz_seeds
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/make_seeds.sh ${PAYLOAD_TEST_PICTURES} ${FUZZ_SEEDS_DIR})
set_tests_properties(fuzz_seeds PROPERTIES FIXTURES_SETUP fuzz_seeds FIXTURES_REQUIRED payload_pictures LABELS fuzz)

foreach(target ${FUZZ_TARGETS})
    set(regressions ${CMAKE_CURRENT_LIST_DIR}/regressions/${target})
    if(EXISTS ${regressions})
        add_test(NAME fuzz_${target}_regressions COMMAND ${FUZZ_BUILD_DIR}/fuzz_${target} -runs=0 ${regressions})
        set_tests_properties(fuzz_${target}_regressions PROPERTIES LABELS fuzz)
    endif()
    add_test(NAME fuzz_${target}
        COMMAND ${CMAKE_CURRENT_LIST_DIR}/run_fuzzer.sh ${FUZZ_BUILD_DIR}/fuzz_${target} ${FUZZ_SECONDS}
                ${CMAKE_BINARY_DIR}/fuzz_runs/${target} ${FUZZ_SEEDS_DIR}/${target} ${regressions})
    set_tests_properties(fuzz_${target} PROPERTIES
        FIXTURES_REQUIRED fuzz_seeds
        RESOURCE_LOCK fuzzing
        LABELS fuzz
        TIMEOUT 300)
endforeach()
