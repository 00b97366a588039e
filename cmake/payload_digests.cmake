# Run at build time, once the payload files exist:
#   cmake -DEXPANDED_DIR=<folder of FILE0 ...> -DROWS=<count> -DOUTPUT=<.cpp> -P payload_digests.cmake
# Writes the SHA-256 of each row's file as installed, which the copy checks
# after expanding it (install/payload_digest.h). The digests are those that
# sha256sum gives for the installed files.
math(EXPR last "${ROWS} - 1")
set(rows "")
foreach(row RANGE ${last})
    file(SHA256 ${EXPANDED_DIR}/FILE${row} digest)
    string(REGEX REPLACE "(..)" "0x\\1, " bytes "${digest}")
    string(REGEX REPLACE ", $" "" bytes "${bytes}")
    string(APPEND rows "    { ${bytes} },  // ${row}\n")
endforeach()
file(WRITE ${OUTPUT}
"// Generated at build time by cmake/payload_digests.cmake from the payload files.
#include \"install/payload_digest.h\"

const BYTE g_payloadDigests[MANIFEST_ROWS][PAYLOAD_DIGEST_SIZE] = {
${rows}};
")
