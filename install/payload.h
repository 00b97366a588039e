// The setup's own payload: the packed files it carries as resources
// "FILE0" to "FILE79", one per row of the install manifest.
#pragma once
#include <windows.h>

// The packed bytes of row i, read-only for the life of the process.
struct PayloadBytes {
    const BYTE *data;
    DWORD       size;
};

// Finds, loads and locks resource "FILE<row>". False when any step fails.
bool LookUpPayload(int row, PayloadBytes *payload);
