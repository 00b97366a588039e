// unpack_payload <VelloranSetup.exe> <resource name> <output file>
// Writes one payload file of the setup as it would be installed: finds the
// RCDATA resource of that name in the program's resource section and
// expands it. The signing test checks the programs inside a signed setup
// with it, without running the setup.
#include "file_bytes.h"
#include "szdd.h"
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <vector>

enum {
    RT_RCDATA_ID         = 10,
    RESOURCE_DIRECTORY   = 2,      // index in the optional header's data directories
    DIRECTORY_HEADER     = 16,
    DIRECTORY_ENTRY      = 8,
    SECTION_HEADER       = 40,
    SUBDIRECTORY_BIT     = 0x80000000u
};

struct Image {
    std::vector<uint8_t> bytes;
    size_t sections = 0, sectionCount = 0;
    uint32_t resourceRva = 0;
};

// Little-endian reads that fail (return false) past the end of the file.
static bool Read16(const Image &image, size_t at, uint32_t *value)
{
    if (at + 2 > image.bytes.size())
        return false;
    *value = image.bytes[at] | (uint32_t)image.bytes[at + 1] << 8;
    return true;
}

static bool Read32(const Image &image, size_t at, uint32_t *value)
{
    uint32_t low, high;
    if (!Read16(image, at, &low) || !Read16(image, at + 2, &high))
        return false;
    *value = low | high << 16;
    return true;
}

// The file offset of an address of the loaded image.
static bool RvaToOffset(const Image &image, uint32_t rva, size_t *offset)
{
    for (size_t i = 0; i < image.sectionCount; ++i) {
        size_t header = image.sections + i * SECTION_HEADER;
        uint32_t virtualSize, address, rawSize, rawAt;
        if (!Read32(image, header + 8, &virtualSize) || !Read32(image, header + 12, &address) ||
            !Read32(image, header + 16, &rawSize) || !Read32(image, header + 20, &rawAt))
            return false;
        if (rva >= address && rva - address < (virtualSize > rawSize ? virtualSize : rawSize)) {
            *offset = (size_t)rawAt + (rva - address);
            return true;
        }
    }
    return false;
}

static bool ReadHeaders(Image *image)
{
    uint32_t pe, signature, sectionCount, optionalSize, magic, resourceRva;
    if (!Read32(*image, 0x3C, &pe) || !Read32(*image, pe, &signature) || signature != 0x4550 ||
        !Read16(*image, pe + 6, &sectionCount) || !Read16(*image, pe + 20, &optionalSize) ||
        !Read16(*image, pe + 24, &magic) || (magic != 0x10B && magic != 0x20B))
        return false;
    size_t directories = pe + 24 + (magic == 0x10B ? 96 : 112);
    if (!Read32(*image, directories + RESOURCE_DIRECTORY * 8, &resourceRva) || resourceRva == 0)
        return false;
    image->sections = pe + 24 + optionalSize;
    image->sectionCount = sectionCount;
    image->resourceRva = resourceRva;
    return true;
}

// Whether a directory entry's name (a counted UTF-16 string) is the ASCII name.
static bool NameIs(const Image &image, size_t resources, uint32_t nameField, const char *name)
{
    uint32_t length, c;
    size_t at = resources + (nameField & ~SUBDIRECTORY_BIT);
    if (!(nameField & SUBDIRECTORY_BIT) || !Read16(image, at, &length) || length != strlen(name))
        return false;
    for (uint32_t i = 0; i < length; ++i)
        if (!Read16(image, at + 2 + 2 * i, &c) || c != (uint8_t)name[i])
            return false;
    return true;
}

// The entry of the directory at `directory` (an offset in the resource
// section) with that id, or that name when name is not null; the first entry
// when both are 0. Its data field, or false.
static bool FindEntry(const Image &image, size_t resources, uint32_t directory, uint32_t id, const char *name,
                      uint32_t *data)
{
    uint32_t named, ids;
    size_t at = resources + directory;
    if (!Read16(image, at + 12, &named) || !Read16(image, at + 14, &ids))
        return false;
    for (uint32_t i = 0; i < named + ids; ++i) {
        uint32_t nameField;
        size_t entry = at + DIRECTORY_HEADER + i * DIRECTORY_ENTRY;
        if (!Read32(image, entry, &nameField) || !Read32(image, entry + 4, data))
            return false;
        if ((name && NameIs(image, resources, nameField, name)) || (!name && (id == 0 || nameField == id)))
            return true;
    }
    return false;
}

// RT_RCDATA, then the name, then its first language.
static bool FindRcdata(const Image &image, const char *name, size_t *at, uint32_t *size)
{
    size_t resources;
    uint32_t type, named, language, dataRva;
    if (!RvaToOffset(image, image.resourceRva, &resources) ||
        !FindEntry(image, resources, 0, RT_RCDATA_ID, NULL, &type) || !(type & SUBDIRECTORY_BIT) ||
        !FindEntry(image, resources, type & ~SUBDIRECTORY_BIT, 0, name, &named) || !(named & SUBDIRECTORY_BIT) ||
        !FindEntry(image, resources, named & ~SUBDIRECTORY_BIT, 0, NULL, &language) ||
        (language & SUBDIRECTORY_BIT) || !Read32(image, resources + language, &dataRva) ||
        !Read32(image, resources + language + 4, size) || !RvaToOffset(image, dataRva, at))
        return false;
    return *at + *size <= image.bytes.size();
}

int main(int argc, char **argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: unpack_payload <VelloranSetup.exe> <resource name> <output file>\n");
        return 2;
    }
    Image image;
    size_t at = 0;
    uint32_t size = 0;
    if (!ReadWholeFile(argv[1], &image.bytes) || !ReadHeaders(&image)) {
        fprintf(stderr, "unpack_payload: %s is not a program with resources\n", argv[1]);
        return 1;
    }
    if (!FindRcdata(image, argv[2], &at, &size)) {
        fprintf(stderr, "unpack_payload: %s has no RCDATA resource %s\n", argv[1], argv[2]);
        return 1;
    }
    std::vector<uint8_t> expanded;
    char replaced = 0;
    if (!ExpandSzdd(image.bytes.data() + at, size, &expanded, &replaced)) {
        fprintf(stderr, "unpack_payload: resource %s is not a whole SZDD file\n", argv[2]);
        return 1;
    }
    if (!WriteWholeFile(argv[3], expanded)) {
        fprintf(stderr, "unpack_payload: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
