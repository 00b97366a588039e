# payload/manifest.txt is the one list of the files that VelloranSetup.exe installs.
# From it come the install tables compiled into the setup (manifest_tables.cpp),
# the packed payload files and the resource script that carries them
# (payload.rc). The manifest is checked here, at configure time, so that a
# bad row stops the build with its row number instead of misbehaving later
# under LZ32.
#
# Sets for the rest of the build:
#   MANIFEST_TABLES_CPP     generated source of g_compressedNames and friends
#   PAYLOAD_RC              resource script with FILE0 ... FILE79
#   PAYLOAD_PACKED_FILES    the 80 SZDD files that PAYLOAD_RC names
#   PAYLOAD_EXPANDED_DIR    folder of each row's file as installed, FILE<i>
#   PAYLOAD_EXPANDED_FILES  the 80 files of that folder, in row order
#   PAYLOAD_DIGESTS_CPP     generated source of g_payloadDigests, made at build time
# and the target payload_files, which makes all of them.

set(PAYLOAD_DIR ${CMAKE_SOURCE_DIR}/payload)
set(PAYLOAD_MANIFEST ${PAYLOAD_DIR}/manifest.txt)
set(PAYLOAD_ROW_COUNT 80)
set(PAYLOAD_FIELD_LIMIT 39)        # 40-byte fields of manifest.h, NUL included
set(PAYLOAD_NAME_LIMIT 12)         # an 8.3 name
set(PAYLOAD_SUBDIRECTORIES "\\Pen" "\\AirBrush" "\\Filters")   # the order the setup creates them
set(PAYLOAD_PROGRAMS velloran uninstall)   # program:<name> is the target <name>_app

set(PAYLOAD_OUTPUT_DIR ${GENERATED_DIR}/payload)
set(PAYLOAD_EXPANDED_DIR ${PAYLOAD_OUTPUT_DIR}/expanded)
set(PAYLOAD_RC ${GENERATED_DIR}/payload.rc)
set(MANIFEST_TABLES_CPP ${GENERATED_DIR}/manifest_tables.cpp)
file(MAKE_DIRECTORY ${PAYLOAD_EXPANDED_DIR})

# Editing the manifest reconfigures, which regenerates the tables and the script.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PAYLOAD_MANIFEST})

function(payload_row_error row line message)
    message(FATAL_ERROR "payload/manifest.txt, row ${row} (\"${line}\"): ${message}")
endfunction()

# Reads the manifest into PAYLOAD_NAMES, PAYLOAD_SUFFIXES and PAYLOAD_SOURCES
# (parallel lists, one entry per row), checking every row on the way.
function(payload_read_manifest)
    file(STRINGS ${PAYLOAD_MANIFEST} lines)
    set(names)
    set(suffixes)
    set(sources)
    set(row 0)
    foreach(line IN LISTS lines)
        string(STRIP "${line}" line)
        if(line STREQUAL "" OR line MATCHES "^#")
            continue()
        endif()
        if(NOT line MATCHES "^([^ \t]+)[ \t]+([^ \t]+)[ \t]+(.+)$")
            payload_row_error(${row} "${line}" "expected a compressed name, a destination and a source")
        endif()
        set(name "${CMAKE_MATCH_1}")
        set(suffix "${CMAKE_MATCH_2}")
        set(source "${CMAKE_MATCH_3}")

        # The compressed name: a bare 8.3 name in lower case whose extension
        # ends in "_", the way the SZDD compress tool names its output.
        string(LENGTH "${name}" length)
        if(length GREATER PAYLOAD_NAME_LIMIT)
            payload_row_error(${row} "${line}" "compressed name \"${name}\" is longer than ${PAYLOAD_NAME_LIMIT} characters")
        endif()
        if(NOT name MATCHES "^([a-z0-9_~-]+)\\.([a-z0-9_~-]*)_$")
            payload_row_error(${row} "${line}" "compressed name \"${name}\" is not a lower-case 8.3 name (letters, digits, _ ~ -) whose extension ends in \"_\"")
        endif()
        set(nameStem "${CMAKE_MATCH_1}")
        set(nameExtension "${CMAKE_MATCH_2}")
        string(LENGTH "${nameStem}" stemLength)
        string(LENGTH "${nameExtension}" extensionLength)
        if(stemLength GREATER 8 OR extensionLength GREATER 2)
            payload_row_error(${row} "${line}" "compressed name \"${name}\" is not an 8.3 name")
        endif()

        # The destination: "\" and a file name, or one of the subdirectories,
        # "\" and a file name. The setup creates no other directory.
        string(LENGTH "${suffix}" length)
        if(length GREATER PAYLOAD_FIELD_LIMIT)
            payload_row_error(${row} "${line}" "destination \"${suffix}\" is longer than ${PAYLOAD_FIELD_LIMIT} characters")
        endif()
        if(NOT suffix MATCHES "^\\\\")
            payload_row_error(${row} "${line}" "destination \"${suffix}\" does not begin with \"\\\"")
        endif()
        string(FIND "${suffix}" "\\" lastSeparator REVERSE)
        string(SUBSTRING "${suffix}" 0 ${lastSeparator} directory)
        math(EXPR fileStart "${lastSeparator} + 1")
        string(SUBSTRING "${suffix}" ${fileStart} -1 fileName)
        if(NOT directory STREQUAL "" AND NOT directory IN_LIST PAYLOAD_SUBDIRECTORIES)
            payload_row_error(${row} "${line}" "destination directory \"${directory}\" is none of ${PAYLOAD_SUBDIRECTORIES}")
        endif()
        if(NOT fileName MATCHES "^[A-Za-z0-9_~-]+\\.([A-Za-z0-9_~-]+)$")
            payload_row_error(${row} "${line}" "destination file name \"${fileName}\" needs a name and an extension of letters, digits, _ ~ and -")
        endif()
        # The name keeps the destination's extension but for its last character,
        # which the packed file's header carries instead.
        string(TOLOWER "${CMAKE_MATCH_1}" destinationExtension)
        string(REGEX REPLACE ".$" "" destinationExtension "${destinationExtension}")
        if(NOT nameExtension STREQUAL destinationExtension)
            payload_row_error(${row} "${line}" "compressed name \"${name}\" does not match the extension of \"${fileName}\"")
        endif()

        # The source.
        if(source MATCHES "^program:(.+)$")
            if(NOT CMAKE_MATCH_1 IN_LIST PAYLOAD_PROGRAMS)
                payload_row_error(${row} "${line}" "unknown program \"${CMAKE_MATCH_1}\"; known are ${PAYLOAD_PROGRAMS}")
            endif()
        elseif(source MATCHES "^file:(.+)$")
            set(path "${CMAKE_MATCH_1}")
            if(path MATCHES "(^|/)\\.\\.(/|$)" OR NOT EXISTS ${PAYLOAD_DIR}/${path}
               OR IS_DIRECTORY ${PAYLOAD_DIR}/${path})
                payload_row_error(${row} "${line}" "\"${path}\" is not a file below payload/")
            endif()
        elseif(source MATCHES "^sample:[a-z0-9-]+ ([0-9]+) [0-9]+$")
            if(CMAKE_MATCH_1 EQUAL 0)
                payload_row_error(${row} "${line}" "a sample file needs a size of at least one byte")
            endif()
        else()
            payload_row_error(${row} "${line}" "source \"${source}\" is none of program:<name>, file:<path>, sample:<recipe> <size> <seed>")
        endif()

        # A destination written twice must get the same file both times, or
        # what remains installed would depend on the order of the rows.
        list(FIND suffixes "${suffix}" earlier)
        if(NOT earlier EQUAL -1)
            list(GET names ${earlier} earlierName)
            list(GET sources ${earlier} earlierSource)
            if(NOT earlierName STREQUAL name OR NOT earlierSource STREQUAL source)
                payload_row_error(${row} "${line}" "row ${earlier} installs \"${suffix}\" too, from another name or source")
            endif()
        endif()

        list(APPEND names "${name}")
        list(APPEND suffixes "${suffix}")
        list(APPEND sources "${source}")
        math(EXPR row "${row} + 1")
    endforeach()
    if(NOT row EQUAL PAYLOAD_ROW_COUNT)
        message(FATAL_ERROR "payload/manifest.txt has ${row} rows; VelloranSetup.exe installs exactly ${PAYLOAD_ROW_COUNT}")
    endif()
    set(PAYLOAD_NAMES "${names}" PARENT_SCOPE)
    set(PAYLOAD_SUFFIXES "${suffixes}" PARENT_SCOPE)
    set(PAYLOAD_SOURCES "${sources}" PARENT_SCOPE)
endfunction()

# A C string literal of value (which holds no quotes: the checks above see to that).
function(payload_c_string value out)
    string(REPLACE "\\" "\\\\" escaped "${value}")
    set(${out} "\"${escaped}\"" PARENT_SCOPE)
endfunction()

payload_read_manifest()
math(EXPR PAYLOAD_LAST_ROW "${PAYLOAD_ROW_COUNT} - 1")

# The install tables. file(CONFIGURE) rewrites the file only when its text
# changes, so an edit of a comment in the manifest rebuilds nothing.
set(names_rows "")
set(suffixes_rows "")
foreach(row RANGE ${PAYLOAD_LAST_ROW})
    list(GET PAYLOAD_NAMES ${row} name)
    list(GET PAYLOAD_SUFFIXES ${row} suffix)
    payload_c_string("${name}" name)
    payload_c_string("${suffix}" suffix)
    string(APPEND names_rows "    ${name},  // ${row}\n")
    string(APPEND suffixes_rows "    ${suffix},  // ${row}\n")
endforeach()
set(subdirectory_rows "")
list(LENGTH PAYLOAD_SUBDIRECTORIES PAYLOAD_SUBDIRECTORY_COUNT)
foreach(directory IN LISTS PAYLOAD_SUBDIRECTORIES)
    payload_c_string("${directory}" directory)
    string(APPEND subdirectory_rows "    ${directory},\n")
endforeach()
file(CONFIGURE OUTPUT ${MANIFEST_TABLES_CPP} @ONLY CONTENT
"// Generated by cmake/payload.cmake from payload/manifest.txt: edit that file.
#include \"install/manifest.h\"

// Fewer rows than the tables hold would leave the last ones empty.
static_assert(MANIFEST_ROWS == ${PAYLOAD_ROW_COUNT}, \"manifest.h and payload/manifest.txt differ in their rows\");
static_assert(SUBDIR_COUNT == ${PAYLOAD_SUBDIRECTORY_COUNT}, \"manifest.h and cmake/payload.cmake differ in their subdirectories\");

const char g_compressedNames[MANIFEST_ROWS][MANIFEST_FIELD_SIZE] = {
${names_rows}};

const char g_destinationSuffixes[MANIFEST_ROWS][MANIFEST_FIELD_SIZE] = {
${suffixes_rows}};

const char g_subdirectories[SUBDIR_COUNT][SUBDIR_FIELD_SIZE] = {
${subdirectory_rows}};
")

# Each row's file as installed, then packed. A row whose source an earlier
# row already made copies that row's file, so both are byte for byte equal.
set(PAYLOAD_PACKED_FILES)
set(PAYLOAD_EXPANDED_FILES)
set(made_sources)
set(rc_rows "")
foreach(row RANGE ${PAYLOAD_LAST_ROW})
    list(GET PAYLOAD_NAMES ${row} name)
    list(GET PAYLOAD_SUFFIXES ${row} suffix)
    list(GET PAYLOAD_SOURCES ${row} source)
    set(expanded ${PAYLOAD_EXPANDED_DIR}/FILE${row})
    set(packed ${PAYLOAD_OUTPUT_DIR}/FILE${row}.sz)

    list(FIND made_sources "${source}" earlier)
    if(NOT earlier EQUAL -1)
        add_custom_command(OUTPUT ${expanded}
            COMMAND ${CMAKE_COMMAND} -E copy ${PAYLOAD_EXPANDED_DIR}/FILE${earlier} ${expanded}
            DEPENDS ${PAYLOAD_EXPANDED_DIR}/FILE${earlier}
            COMMENT "Payload row ${row}: the file of row ${earlier}"
            VERBATIM)
    elseif(source MATCHES "^program:(.+)$")
        set(program ${CMAKE_MATCH_1}_app)
        if(NOT TARGET ${program})
            message(FATAL_ERROR "payload/manifest.txt, row ${row}: target ${program} does not exist yet; include cmake/payload.cmake after it")
        endif()
        # Signed first, when the build signs (cmake/signing.cmake).
        payload_program_file(${program} programFile)
        add_custom_command(OUTPUT ${expanded}
            COMMAND ${CMAKE_COMMAND} -E copy ${programFile} ${expanded}
            DEPENDS ${program} ${programFile} ${SIGNING_STAMP}
            COMMENT "Payload row ${row}: ${name} from ${program}"
            VERBATIM)
    elseif(source MATCHES "^file:(.+)$")
        add_custom_command(OUTPUT ${expanded}
            COMMAND ${CMAKE_COMMAND} -E copy ${PAYLOAD_DIR}/${CMAKE_MATCH_1} ${expanded}
            DEPENDS ${PAYLOAD_DIR}/${CMAKE_MATCH_1}
            COMMENT "Payload row ${row}: ${name} from payload/${CMAKE_MATCH_1}"
            VERBATIM)
    else()
        string(REGEX REPLACE "^sample:" "" recipe "${source}")
        separate_arguments(recipe UNIX_COMMAND "${recipe}")
        # The manifest is a dependency because the Makefile generators do not
        # rerun a command whose arguments changed.
        add_custom_command(OUTPUT ${expanded}
            COMMAND ${HOST_BIN}/make_sample_data ${recipe} ${expanded}
            DEPENDS host_tools ${HOST_BIN}/make_sample_data ${PAYLOAD_MANIFEST}
            COMMENT "Payload row ${row}: ${name} as sample data"
            VERBATIM)
    endif()
    list(APPEND made_sources "${source}")

    string(REGEX MATCH ".$" replaced "${suffix}")
    add_custom_command(OUTPUT ${packed}
        COMMAND ${HOST_BIN}/szdd_pack ${expanded} ${packed} ${replaced}
        DEPENDS host_tools ${HOST_BIN}/szdd_pack ${expanded} ${PAYLOAD_MANIFEST}
        COMMENT "Packing payload row ${row} as ${name}"
        VERBATIM)
    list(APPEND PAYLOAD_EXPANDED_FILES ${expanded})
    list(APPEND PAYLOAD_PACKED_FILES ${packed})
    string(APPEND rc_rows "FILE${row} RCDATA \"payload/FILE${row}.sz\"\n")
endforeach()

# The resource script names the packed files relative to GENERATED_DIR, which
# is on the resource compiler's include path. The payload is language
# neutral; the script ends by going back to windres' default language, so
# that whatever an including script declares after it keeps its language.
file(CONFIGURE OUTPUT ${PAYLOAD_RC} @ONLY CONTENT
"// Generated by cmake/payload.cmake from payload/manifest.txt: edit that file.
// One SZDD-packed resource per row of the install manifest.
#include <windows.h>

LANGUAGE LANG_NEUTRAL, SUBLANG_NEUTRAL

${rc_rows}
LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US
")

# The SHA-256 of each row's file as installed, which the copy checks.
set(PAYLOAD_DIGESTS_CPP ${GENERATED_DIR}/payload_digests.cpp)
add_custom_command(OUTPUT ${PAYLOAD_DIGESTS_CPP}
    COMMAND ${CMAKE_COMMAND} -DEXPANDED_DIR=${PAYLOAD_EXPANDED_DIR} -DROWS=${PAYLOAD_ROW_COUNT}
            -DOUTPUT=${PAYLOAD_DIGESTS_CPP} -P ${CMAKE_SOURCE_DIR}/cmake/payload_digests.cmake
    DEPENDS ${PAYLOAD_EXPANDED_FILES} ${CMAKE_SOURCE_DIR}/cmake/payload_digests.cmake
    COMMENT "Recording the SHA-256 of every payload file"
    VERBATIM)

add_custom_target(payload_files DEPENDS ${PAYLOAD_PACKED_FILES} ${PAYLOAD_EXPANDED_FILES} ${PAYLOAD_DIGESTS_CPP})
