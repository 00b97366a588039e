#include "payload/velloran/picture_file.h"
#include "payload/velloran/decoders.h"
#include "payload/velloran/wic_loader.h"
#include <windows.h>

typedef PictureError (*MemoryDecoder)(const uint8_t *data, uint32_t size, Picture *picture);

struct OwnFormat {
    const char   *extension;
    MemoryDecoder decode;
};

static const OwnFormat kOwnFormats[] = {
    { ".tga", DecodeTga },
    { ".pcx", DecodePcx },
    { ".ppm", DecodePpm },
    { ".pbm", DecodePpm },
    { ".pgm", DecodePpm },
    { ".pnm", DecodePpm },
};

const char *FileNameOf(const char *path)
{
    const char *name = path;
    for (const char *c = path; *c; ++c) {
        if (*c == '\\' || *c == '/' || *c == ':')
            name = c + 1;
    }
    return name;
}

static MemoryDecoder DecoderForExtension(const char *path)
{
    const char *name = FileNameOf(path);
    const char *dot = NULL;
    for (const char *c = name; *c; ++c) {
        if (*c == '.')
            dot = c;
    }
    if (!dot)
        return NULL;
    for (size_t i = 0; i < sizeof kOwnFormats / sizeof kOwnFormats[0]; ++i) {
        if (lstrcmpiA(dot, kOwnFormats[i].extension) == 0)
            return kOwnFormats[i].decode;
    }
    return NULL;
}

// The whole file in one heap block; files beyond MAX_PICTURE_FILE_SIZE are
// refused before anything is allocated.
static PictureError ReadWholeFile(const char *path, BYTE **data, DWORD *size)
{
    *data = NULL;
    *size = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return PICTURE_UNREADABLE;
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    PictureError error = PICTURE_OK;
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        error = PICTURE_UNREADABLE;
    else if (high != 0 || low > MAX_PICTURE_FILE_SIZE)
        error = PICTURE_FILE_TOO_LARGE;
    if (error == PICTURE_OK) {
        // One spare byte so that an empty file still gets a valid block.
        *data = (BYTE *)HeapAlloc(GetProcessHeap(), 0, low + 1);
        if (!*data)
            error = PICTURE_NO_MEMORY;
    }
    DWORD done = 0;
    if (error == PICTURE_OK && (!ReadFile(file, *data, low, &done, NULL) || done != low))
        error = PICTURE_UNREADABLE;
    CloseHandle(file);
    if (error != PICTURE_OK && *data) {
        HeapFree(GetProcessHeap(), 0, *data);
        *data = NULL;
    }
    *size = done;
    return error;
}

static PictureError DecodeFile(const char *path, MemoryDecoder decode, bool sniff, Picture *picture)
{
    BYTE *data = NULL;
    DWORD size = 0;
    PictureError error = ReadWholeFile(path, &data, &size);
    if (error != PICTURE_OK)
        return error;
    if (sniff) {
        if (LooksLikePpm(data, size))
            decode = DecodePpm;
        else if (LooksLikePcx(data, size))
            decode = DecodePcx;
    }
    error = decode ? decode(data, size, picture) : PICTURE_UNKNOWN_FORMAT;
    HeapFree(GetProcessHeap(), 0, data);
    return error;
}

PictureError LoadPictureFile(const char *path, Picture *picture)
{
    ClearPicture(picture);
    MemoryDecoder decode = DecoderForExtension(path);
    if (decode)
        return DecodeFile(path, decode, false, picture);
    PictureError error = LoadWithWic(path, picture);
    // A Netpbm or PCX file under another name is still shown.
    if (error == PICTURE_UNKNOWN_FORMAT || error == PICTURE_NO_DECODER) {
        PictureError own = DecodeFile(path, NULL, true, picture);
        if (own != PICTURE_UNKNOWN_FORMAT)
            error = own;
    }
    return error;
}
