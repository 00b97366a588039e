# The application manifest of each program, from resources/program.manifest.in:
# one list of DLL pins, Common Controls 6 and the supported systems for all
# three; each program says its own execution level.
function(write_program_manifest output name description level)
    set(MANIFEST_NAME ${name})
    set(MANIFEST_DESCRIPTION ${description})
    set(MANIFEST_LEVEL ${level})
    set(MANIFEST_VERSION ${VELLORAN_VERSION_MAJOR}.${VELLORAN_VERSION_MINOR}.0.0)
    configure_file(${CMAKE_SOURCE_DIR}/resources/program.manifest.in ${output} @ONLY)
endfunction()

# The setup and the uninstaller write HKEY_LOCAL_MACHINE and the install
# folder, which only administrators may change; the viewer needs no rights.
write_program_manifest(${GENERATED_DIR}/setup.manifest Velloran.Setup "Velloran setup" requireAdministrator)
write_program_manifest(${GENERATED_DIR}/uninstall.manifest Velloran.Uninstall "Velloran uninstaller" requireAdministrator)
write_program_manifest(${GENERATED_DIR}/velloran.manifest Velloran.Viewer "Velloran picture viewer" asInvoker)
