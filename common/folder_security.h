// Security descriptors of the folders the setup and the uninstaller make.
#pragma once
#include <windows.h>

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
