// Security descriptors of the folders the setup and the uninstaller make.
#pragma once
#include <windows.h>
#include <stddef.h>

// The program folders' descriptor (LocalAlloc'd); NULL if it cannot be
// built. SYSTEM and Administrators full control, Users read and execute,
// inherited by subfolders and files, and protected from what the parent
// passes on: the root of a system drive lets every user change what is made
// below it.
PSECURITY_DESCRIPTOR BuildProgramFolderDescriptor();

// Owner and only ACE: the user this process runs as (LocalAlloc'd); NULL if
// it cannot be built.
PSECURITY_DESCRIPTOR BuildOwnerOnlyDescriptor();

// The SID of the user this process runs as, into sid (size bytes).
bool CurrentUserSid(BYTE *sid, DWORD size);

enum {
    // An owner, a group and a DACL of a few dozen entries as SDDL, with its NUL.
    FOLDER_SECURITY_TEXT_SIZE = 2048
};

// Owner, group and DACL of the folder (a handle with READ_CONTROL) as SDDL.
// False when it cannot be read or does not fit.
bool ReadFolderSecurityText(HANDLE folder, char *text, size_t size);

// Puts back what ReadFolderSecurityText gave, as it was: an owner that is
// another account needs the restore privilege, which is taken for it.
bool WriteFolderSecurityText(HANDLE folder, const char *text);

// The program folders' owner (Administrators) and DACL on the folder itself
// (a handle with WRITE_DAC and WRITE_OWNER). Unlike SetSecurityInfo it
// passes nothing on to what is in the folder already: those keep their own.
bool SecureFolderItself(HANDLE folder);
