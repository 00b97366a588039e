// szdd_pack <input file> <output file> <replaced character>
// Packs one payload file into the SZDD form that LZ32 expands at install time.
#include "file_bytes.h"
#include "szdd.h"
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <vector>

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
