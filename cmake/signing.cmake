# Authenticode signing, when tools/build.sh is given a certificate
# (VELLORAN_SIGN_PFX): Velloran.exe and uninstall.exe are signed before they
# are packed into the payload, VelloranSetup.exe last, once it is linked.
# Nothing changes a program after it is signed. Without a certificate nothing
# is signed, and two builds of the same sources give the same bytes.
# tools/sign.sh reads the password and the time-stamping server from the
# environment at build time, so that no secret is kept in CMakeCache.txt.
set(VELLORAN_SIGN_PFX "" CACHE FILEPATH "PKCS#12 certificate to sign the programs with; empty: unsigned")
set(SIGN_SCRIPT ${CMAKE_SOURCE_DIR}/tools/sign.sh)
set(SIGNED_DIR ${GENERATED_DIR}/signed)

# The name each program shows in Windows' elevation prompt and in its
# signature's details.
set(SIGNED_NAME_velloran_app  "Velloran")
set(SIGNED_NAME_uninstall_app "Velloran Uninstall")
set(SIGNED_NAME_setup         "Velloran Setup")

# Rewritten when signing is switched on, off or to another certificate, so
# that what depends on it is made again.
set(SIGNING_STAMP ${GENERATED_DIR}/signing.txt)
if(VELLORAN_SIGN_PFX)
    set(SIGNING_MODE "signed with ${VELLORAN_SIGN_PFX}")
else()
    set(SIGNING_MODE "unsigned")
endif()
file(CONFIGURE OUTPUT ${SIGNING_STAMP} CONTENT "${SIGNING_MODE}\n")

# The program target's file as it goes into the payload, in outVar: a signed
# copy in SIGNED_DIR, or the file as linked.
function(payload_program_file target outVar)
    if(NOT VELLORAN_SIGN_PFX)
        set(${outVar} $<TARGET_FILE:${target}> PARENT_SCOPE)
        return()
    endif()
    get_target_property(name ${target} OUTPUT_NAME)
    set(signed ${SIGNED_DIR}/${name}.exe)
    add_custom_command(OUTPUT ${signed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${SIGNED_DIR}
        COMMAND ${SIGN_SCRIPT} ${VELLORAN_SIGN_PFX} ${SIGNED_NAME_${target}} $<TARGET_FILE:${target}> ${signed}
        DEPENDS ${target} ${SIGN_SCRIPT} ${VELLORAN_SIGN_PFX} ${SIGNING_STAMP}
        COMMENT "Signing ${name}.exe"
        VERBATIM)
    set(${outVar} ${signed} PARENT_SCOPE)
endfunction()

# Signs the target's file in place right after it is linked, when signing.
function(sign_after_link target)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${SIGNING_STAMP})
    if(VELLORAN_SIGN_PFX)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${SIGN_SCRIPT} ${VELLORAN_SIGN_PFX} ${SIGNED_NAME_${target}} $<TARGET_FILE:${target}>
                    $<TARGET_FILE:${target}>
            COMMENT "Signing $<TARGET_FILE_NAME:${target}>"
            VERBATIM)
    endif()
endfunction()
