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
