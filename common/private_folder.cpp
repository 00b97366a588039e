#include "common/private_folder.h"

#include "common/folder_security.h"

#include <aclapi.h>
#include <sddl.h>
#include <wincrypt.h>
#include <winternl.h>

enum {
    NAME_ATTEMPTS   = 16,
    RANDOM_DIGITS   = 16,
    REMOVE_ATTEMPTS = 10,
    REMOVE_RETRY_MS = 100
};

static void RandomBytes(BYTE *bytes, DWORD count)
{
    HCRYPTPROV provider;
    if (CryptAcquireContextA(&provider, NULL, NULL, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
        CryptGenRandom(provider, count, bytes);
        CryptReleaseContext(provider, 0);
    }
}

static const char kElevatedFolderSddl[] = "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

bool RunsElevated()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION elevation = {};
    DWORD length = 0;
    bool elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &length)
                    && elevation.TokenIsElevated;
    CloseHandle(token);
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    BOOL member = FALSE;
    return elevated && CreateWellKnownSid(WinBuiltinAdministratorsSid, NULL, administrators, &size)
           && CheckTokenMembership(NULL, administrators, &member) && member;
}

PSECURITY_DESCRIPTOR BuildPrivateFolderDescriptor(bool elevated)
{
    if (!elevated)
        return BuildOwnerOnlyDescriptor();
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kElevatedFolderSddl, SDDL_REVISION_1, &descriptor,
                                                              NULL))
        return NULL;
    return descriptor;
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
    PSECURITY_DESCRIPTOR descriptor = BuildPrivateFolderDescriptor(RunsElevated());
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

// The owner a folder made now by CreatePrivateFolder gets, read back from one
// made for the purpose and removed again: the Administrators in an elevated
// run, else the user, and the user alone where the system keeps no other
// owner (Wine). A folder passes only with the very owner this run's own has.
// The same for the whole run: computed once.
static bool PrivateFolderOwner(const wchar_t *prefix, BYTE *sid, DWORD size)
{
    static BYTE s_owner[SECURITY_MAX_SID_SIZE];
    static bool s_known;
    wchar_t probe[MAX_PATH];
    if (!s_known && CreatePrivateFolder(prefix, probe, MAX_PATH)) {
        PSID owner = NULL;
        PSECURITY_DESCRIPTOR descriptor = NULL;
        HANDLE handle = CreateFileW(probe, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
        if (handle != INVALID_HANDLE_VALUE) {
            s_known = GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, NULL, NULL, NULL,
                                      &descriptor) == ERROR_SUCCESS
                      && CopySid(sizeof s_owner, s_owner, owner);
            if (descriptor)
                LocalFree(descriptor);
            CloseHandle(handle);
        }
        RemoveDirectoryW(probe);
    }
    return s_known && CopySid(size, sid, s_owner);
}

bool RemovePrivateFolder(const wchar_t *folder)
{
    for (int attempt = 0; attempt < REMOVE_ATTEMPTS; ++attempt) {
        if (RemoveDirectoryW(folder))
            return true;
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return true;
        Sleep(REMOVE_RETRY_MS);
    }
    // Windows removes it at the restart only if it is empty by then.
    MoveFileExW(folder, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
    return false;
}

static bool IsRandomName(const wchar_t *name)
{
    int digit = 0;
    for (; digit < RANDOM_DIGITS; ++digit)
        if (!((name[digit] >= L'0' && name[digit] <= L'9') || (name[digit] >= L'a' && name[digit] <= L'f')))
            return false;
    return name[digit] == L'\0';
}

static bool IsPlainFolder(DWORD attributes)
{
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == FILE_ATTRIBUTE_DIRECTORY;
}

bool OpenOwnPrivateFolder(const wchar_t *folder, const wchar_t *prefix, HANDLE *pinned)
{
    *pinned = INVALID_HANDLE_VALUE;
    const wchar_t *name = folder + lstrlenW(folder);
    while (name > folder && name[-1] != L'\\')
        --name;
    int prefixLength = lstrlenW(prefix);
    if (name == folder || lstrlenW(name) < prefixLength
        || CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, name, prefixLength, prefix, prefixLength) != CSTR_EQUAL
        || !IsRandomName(name + prefixLength))
        return false;
    // A link or junction shows in the folder's listing (Wine shows it only
    // there); the handle below is opened on the link itself, not its target.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(folder, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    if (!IsPlainFolder(found.dwFileAttributes))
        return false;
    // Shared for anything but deletion: while it is open, nobody can rename
    // the folder or put something else in its place. DELETE lets
    // RemovePinnedFolder delete it through this handle.
    HANDLE handle = CreateFileW(folder, FILE_LIST_DIRECTORY | READ_CONTROL | DELETE | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information;
    BYTE expected[SECURITY_MAX_SID_SIZE];
    PSID owner = NULL;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    bool ours = GetFileInformationByHandle(handle, &information) && IsPlainFolder(information.dwFileAttributes)
                && PrivateFolderOwner(prefix, expected, sizeof expected)
                && GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, NULL, NULL, NULL,
                                   &descriptor) == ERROR_SUCCESS
                && EqualSid(owner, expected);
    if (descriptor)
        LocalFree(descriptor);
    if (!ours) {
        CloseHandle(handle);
        return false;
    }
    *pinned = handle;
    return true;
}

bool DeleteInPinnedFolder(HANDLE pinned, const wchar_t *name)
{
    UNICODE_STRING relative;
    USHORT bytes = (USHORT)(lstrlenW(name) * sizeof(wchar_t));
    if (bytes == 0 || lstrlenW(name) > MAX_PATH)
        return false;
    relative.Length = relative.MaximumLength = bytes;
    relative.Buffer = (PWSTR)name;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &relative, OBJ_CASE_INSENSITIVE, pinned, NULL);
    IO_STATUS_BLOCK status;
    HANDLE file = NULL;
    // The link itself, were it one; it goes when this handle closes.
    NTSTATUS opened = NtCreateFile(&file, DELETE | SYNCHRONIZE, &attributes, &status, NULL, 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                                   FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT | FILE_DELETE_ON_CLOSE
                                       | FILE_SYNCHRONOUS_IO_NONALERT,
                                   NULL, 0);
    if (opened < 0)
        return false;
    CloseHandle(file);
    return true;
}

bool RemovePinnedFolder(HANDLE pinned)
{
    FILE_DISPOSITION_INFO disposition = { TRUE };
    return SetFileInformationByHandle(pinned, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}
