// szdd_pack <input file> <output file> <replaced character>
// Packs one payload file into the SZDD form that LZ32 expands at install time.
#include "szdd.h"
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <vector>

static bool ReadWholeFile(const char *path, std::vector<uint8_t> *bytes)
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

static bool WriteWholeFile(const char *path, const std::vector<uint8_t> &bytes)
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

int main(int argc, char **argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: szdd_pack <input file> <output file> <replaced character>\n");
        return 2;
    }
    const char *inputPath = argv[1];
    const char *outputPath = argv[2];
    if (strlen(argv[3]) != 1) {
        fprintf(stderr, "szdd_pack: the replaced character must be one character, not \"%s\"\n",
                argv[3]);
        return 2;
    }

    std::vector<uint8_t> input;
    if (!ReadWholeFile(inputPath, &input)) {
        fprintf(stderr, "szdd_pack: cannot read %s: %s\n", inputPath, strerror(errno));
        return 1;
    }
    if (input.size() >= SZDD_MAX_INPUT) {
        fprintf(stderr, "szdd_pack: %s is too large for SZDD\n", inputPath);
        return 1;
    }
    std::vector<uint8_t> packed = PackSzdd(input.data(), input.size(), argv[3][0]);
    if (!WriteWholeFile(outputPath, packed)) {
        fprintf(stderr, "szdd_pack: cannot write %s: %s\n", outputPath, strerror(errno));
        remove(outputPath);
        return 1;
    }
    return 0;
}
