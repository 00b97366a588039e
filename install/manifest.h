// The install manifest: which payload resource goes where. Row i is packed as
// resource "FILE<i>" (install/payload.h); its compressed name names the
// temporary file and its destination suffix is appended to the install
// directory. The tables are generated from payload/manifest.txt; the
// uninstaller reads them too.
#pragma once
#include <windows.h>

enum {
    MANIFEST_ROWS       = 80,
    MANIFEST_FIELD_SIZE = 40,
    SUBDIR_COUNT        = 3,
    SUBDIR_FIELD_SIZE   = 10,
    RESOURCE_NAME_SIZE  = 20
};

extern const char g_compressedNames[MANIFEST_ROWS][MANIFEST_FIELD_SIZE];
extern const char g_destinationSuffixes[MANIFEST_ROWS][MANIFEST_FIELD_SIZE];
extern const char g_subdirectories[SUBDIR_COUNT][SUBDIR_FIELD_SIZE];
