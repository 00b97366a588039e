#include "install/install_tree.h"

#include "install/copy_journal.h"
#include "install/manifest.h"
#include "shell/setup_log.h"
#include "shell/setup_state.h"
#include "common/text.h"

#include <aclapi.h>

enum { FOLDER_SIZE = PATH_BUFFER_SIZE + MANIFEST_FIELD_SIZE };

// Through a handle of the folder itself, opened without following a link:
// setting them by name would follow a junction planted in its place.
static bool SecureFolder(const char *folder, PACL dacl, PSID owner)
{
    HANDLE handle = CreateFileA(folder, READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information;
    bool secured = GetFileInformationByHandle(handle, &information)
                   && (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                   && !(information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                   && SetSecurityInfo(handle, SE_FILE_OBJECT,
                                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION
                                          | PROTECTED_DACL_SECURITY_INFORMATION,
                                      owner, NULL, dacl, NULL) == ERROR_SUCCESS;
    CloseHandle(handle);
    return secured;
}

bool PrepareInstallTree(char *failedFolder, size_t size)
{
    failedFolder[0] = '\0';
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = NULL;
    BYTE adminsBuffer[SECURITY_MAX_SID_SIZE];
    DWORD adminsSize = sizeof adminsBuffer;
    if (!g_dirSecurity.lpSecurityDescriptor
        || !GetSecurityDescriptorDacl(g_dirSecurity.lpSecurityDescriptor, &present, &dacl, &defaulted) || !dacl
        || !CreateWellKnownSid(WinBuiltinAdministratorsSid, NULL, adminsBuffer, &adminsSize)
        || !SecureFolder(g_installDir, dacl, adminsBuffer)) {
        CopyText(failedFolder, size, g_installDir);
        return false;
    }

    // The copy's own record keeps its inheritable handle flag.
    SECURITY_ATTRIBUTES security = { sizeof(SECURITY_ATTRIBUTES), g_dirSecurity.lpSecurityDescriptor, TRUE };
    for (int k = 0; k < SUBDIR_COUNT; ++k) {
        char directory[FOLDER_SIZE] = "";
        AppendText(directory, FOLDER_SIZE, g_installDir);
        AppendText(directory, FOLDER_SIZE, g_subdirectories[k]);
        // A subdirectory that exists already is fine once it is secured too;
        // one this run makes is in the copy journal before it is made.
        bool ready = GetFileAttributesA(directory) != INVALID_FILE_ATTRIBUTES;
        bool created = !ready && JournalFolderMade(directory) && CreateDirectoryA(directory, &security);
        ready = ready || created;
        if (ready && created)
            LogLine("Folder made: ", directory);
        if (!ready || !SecureFolder(directory, dacl, adminsBuffer)) {
            CopyText(failedFolder, size, directory);
            return false;
        }
    }
    return true;
}
