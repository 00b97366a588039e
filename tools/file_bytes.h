// Whole files in and out, for the host tools.
#pragma once
#include <stdint.h>
#include <stdio.h>
#include <vector>

static inline bool ReadWholeFile(const char *path, std::vector<uint8_t> *bytes)
{
    FILE *file = fopen(path, "rb");
    if (!file)
        return false;
    bytes->clear();
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes->insert(bytes->end(), chunk, chunk + got);
    bool ok = !ferror(file);
    fclose(file);
    return ok;
}

static inline bool WriteWholeFile(const char *path, const std::vector<uint8_t> &bytes)
{
    FILE *file = fopen(path, "wb");
    if (!file)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    // A full disk may only show when the buffers are flushed.
    if (fclose(file) != 0)
        ok = false;
    return ok;
}
