# Builds tools/ natively for the build machine. Their programs are used by
# custom commands below, and their own tests run natively under CTest.
include(ExternalProject)

set(HOST_BUILD_DIR ${CMAKE_BINARY_DIR}/host)
set(HOST_BIN ${HOST_BUILD_DIR})
set(HOST_TOOLS make_pictures make_sample_data szdd_pack szdd_tests unpack_payload)
set(HOST_TOOL_PATHS)
foreach(tool ${HOST_TOOLS})
    list(APPEND HOST_TOOL_PATHS ${HOST_BIN}/${tool})
endforeach()

ExternalProject_Add(host_tools
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools
    BINARY_DIR ${HOST_BUILD_DIR}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${HOST_TOOL_PATHS}
)
