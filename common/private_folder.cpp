#include "common/private_folder.h"

#include "common/folder_security.h"

#include <wincrypt.h>

enum { NAME_ATTEMPTS = 16, RANDOM_DIGITS = 16 };

static void RandomBytes(BYTE *bytes, DWORD count)
{
    HCRYPTPROV provider;
    if (CryptAcquireContextA(&provider, NULL, NULL, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
        CryptGenRandom(provider, count, bytes);
        CryptReleaseContext(provider, 0);
    }
}

static bool AppendWide(wchar_t *dest, size_t size, const wchar_t *text)
{
    size_t length = lstrlenW(dest), added = lstrlenW(text);
    if (length + added >= size)
        return false;
    lstrcpyW(dest + length, text);
    return true;
}

bool CreatePrivateFolder(const wchar_t *prefix, wchar_t *folder, size_t size)
{
    wchar_t temp[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        return false;
    PSECURITY_DESCRIPTOR descriptor = BuildOwnerOnlyDescriptor();
    if (!descriptor)
        return false;
    SECURITY_ATTRIBUTES security = { sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE };
    bool made = false;
    for (int attempt = 0; attempt < NAME_ATTEMPTS && !made; ++attempt) {
        // Seeded with time and process for a system whose generator fails.
        DWORD random[2] = { GetTickCount(), GetCurrentProcessId() ^ (DWORD)attempt };
        RandomBytes((BYTE *)random, sizeof random);
        wchar_t name[RANDOM_DIGITS + 1];
        for (int digit = 0; digit < RANDOM_DIGITS; ++digit)
            name[digit] = L"0123456789abcdef"[(random[digit / 8] >> (4 * (digit % 8))) & 15];
        name[RANDOM_DIGITS] = L'\0';
        folder[0] = L'\0';
        if (!AppendWide(folder, size, temp) || !AppendWide(folder, size, prefix) || !AppendWide(folder, size, name))
            break;
        made = CreateDirectoryW(folder, &security) != FALSE;
    }
    LocalFree(descriptor);
    if (!made && size > 0)
        folder[0] = L'\0';
    return made;
}
