#include "common/folder_security.h"

#include "common/text.h"

#include <sddl.h>

// 0x1200a9 is FILE_GENERIC_READ | FILE_GENERIC_EXECUTE.
static const char kProgramFolderSddl[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

static PSECURITY_DESCRIPTOR DescriptorFromSddl(const char *sddl)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, NULL))
        return NULL;
    return descriptor;
}

PSECURITY_DESCRIPTOR BuildProgramFolderDescriptor()
{
    return DescriptorFromSddl(kProgramFolderSddl);
}

enum { TOKEN_USER_SIZE = sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE, OWNER_ONLY_SDDL_SIZE = 256 };

bool CurrentUserSid(BYTE *sid, DWORD size)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD userBuffer[TOKEN_USER_SIZE / sizeof(DWORD) + 1];
    DWORD length = 0;
    BOOL haveUser = GetTokenInformation(token, TokenUser, userBuffer, sizeof userBuffer, &length);
    CloseHandle(token);
    return haveUser && CopySid(size, sid, ((TOKEN_USER *)userBuffer)->User.Sid);
}

PSECURITY_DESCRIPTOR BuildOwnerOnlyDescriptor()
{
    BYTE user[SECURITY_MAX_SID_SIZE];
    char *sid = NULL;
    if (!CurrentUserSid(user, sizeof user) || !ConvertSidToStringSidA(user, &sid))
        return NULL;
    char sddl[OWNER_ONLY_SDDL_SIZE] = "O:";
    bool fits = AppendText(sddl, sizeof sddl, sid) && AppendText(sddl, sizeof sddl, "D:P(A;OICI;FA;;;")
                && AppendText(sddl, sizeof sddl, sid) && AppendText(sddl, sizeof sddl, ")");
    LocalFree(sid);
    return fits ? DescriptorFromSddl(sddl) : NULL;
}

static const SECURITY_INFORMATION kFolderSecurityParts =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

bool ReadFolderSecurityText(HANDLE folder, char *text, size_t size)
{
    DWORD needed = 0;
    GetKernelObjectSecurity(folder, kFolderSecurityParts, NULL, 0, &needed);
    PSECURITY_DESCRIPTOR descriptor = needed ? LocalAlloc(LMEM_FIXED, needed) : NULL;
    char *sddl = NULL;
    bool read = descriptor && GetKernelObjectSecurity(folder, kFolderSecurityParts, descriptor, needed, &needed)
                && ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1,
                                                                         kFolderSecurityParts, &sddl, NULL)
                && CopyText(text, size, sddl);
    if (sddl)
        LocalFree(sddl);
    if (descriptor)
        LocalFree(descriptor);
    return read;
}

// An administrator holds the privilege, but it is off until asked for.
static void TakeRestorePrivilege()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token))
        return;
    TOKEN_PRIVILEGES privileges = { 1, { { { 0, 0 }, SE_PRIVILEGE_ENABLED } } };
    if (LookupPrivilegeValueA(NULL, SE_RESTORE_NAME, &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL);
    CloseHandle(token);
}

bool WriteFolderSecurityText(HANDLE folder, const char *text)
{
    PSECURITY_DESCRIPTOR descriptor = DescriptorFromSddl(text);
    if (!descriptor)
        return false;
    TakeRestorePrivilege();
    bool written = SetKernelObjectSecurity(folder, kFolderSecurityParts, descriptor) != FALSE;
    LocalFree(descriptor);
    return written;
}

bool SecureFolderItself(HANDLE folder)
{
    char sddl[sizeof kProgramFolderSddl + 8] = "O:BA";
    PSECURITY_DESCRIPTOR descriptor = AppendText(sddl, sizeof sddl, kProgramFolderSddl) ? DescriptorFromSddl(sddl) : NULL;
    if (!descriptor)
        return false;
    bool secured = SetKernelObjectSecurity(folder, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor)
                   != FALSE;
    LocalFree(descriptor);
    return secured;
}
