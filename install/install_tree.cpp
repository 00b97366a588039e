#include "install/install_tree.h"

#include "install/copy_journal.h"
#include "install/manifest.h"
#include "shell/setup_log.h"
#include "shell/setup_state.h"
#include "common/folder_security.h"
#include "common/pinned_folders.h"
#include "common/text.h"

enum {
    FOLDER_SIZE    = PATH_BUFFER_SIZE + MANIFEST_FIELD_SIZE,
    TREE_FOLDERS   = 1 + SUBDIR_COUNT,
    TREE_ACCESS    = READ_CONTROL | WRITE_DAC | WRITE_OWNER
};
static_assert((int)TREE_FOLDERS <= (int)PINNED_FOLDERS_MAX, "every folder of the tree is held");

static PinnedFolders s_pins;
// What the folders found there had, for a cancel or failure to put back.
static int  s_recorded;
static char s_recordedFolders[TREE_FOLDERS][PINNED_PATH_SIZE];
static char s_recordedSecurity[TREE_FOLDERS][FOLDER_SECURITY_TEXT_SIZE];

// In the journal before it changes, so that an undo after a kill can put it back too.
static bool RecordAndSecure(const char *folder)
{
    HANDLE handle = PinnedHandle(&s_pins, folder);
    char *security = s_recordedSecurity[s_recorded];
    if (!ReadFolderSecurityText(handle, security, FOLDER_SECURITY_TEXT_SIZE) || !JournalFolderSecurity(folder, security)
        || !CopyText(s_recordedFolders[s_recorded], PINNED_PATH_SIZE, folder))
        return false;
    ++s_recorded;
    return SecureFolderItself(handle);
}

bool PrepareInstallTree(char *failedFolder, size_t size)
{
    failedFolder[0] = '\0';
    UnpinFolders(&s_pins);
    s_recorded = 0;
    char folders[TREE_FOLDERS][FOLDER_SIZE];
    bool found[TREE_FOLDERS];
    for (int k = 0; k < TREE_FOLDERS; ++k) {
        bool fits = CopyText(folders[k], FOLDER_SIZE, g_installDir)
                    && (k == 0 || AppendText(folders[k], FOLDER_SIZE, g_subdirectories[k - 1]));
        PinOutcome outcome = fits ? PinFolder(&s_pins, folders[k], TREE_ACCESS) : PIN_REFUSED;
        found[k] = outcome == PIN_HELD;
        if (outcome == PIN_REFUSED || (k == 0 && !found[k])) {
            CopyText(failedFolder, size, fits ? folders[k] : g_installDir);
            return false;
        }
    }
    // The copy's own record keeps its inheritable handle flag.
    SECURITY_ATTRIBUTES security = { sizeof(SECURITY_ATTRIBUTES), g_dirSecurity.lpSecurityDescriptor, TRUE };
    for (int k = 0; k < TREE_FOLDERS; ++k) {
        bool ready;
        if (!found[k])
            ready = security.lpSecurityDescriptor && JournalFolderMade(folders[k])
                    && CreateDirectoryA(folders[k], &security)
                    && PinFolder(&s_pins, folders[k], TREE_ACCESS) == PIN_HELD
                    && SecureFolderItself(PinnedHandle(&s_pins, folders[k]));
        else if (k == 0 && g_installDirMade)
            ready = SecureFolderItself(PinnedHandle(&s_pins, folders[k]));
        else
            ready = RecordAndSecure(folders[k]);
        if (ready && !found[k])
            LogLine("Folder made: ", folders[k]);
        if (!ready) {
            CopyText(failedFolder, size, folders[k]);
            return false;
        }
    }
    return true;
}

void RestoreInstallTreeSecurity()
{
    for (int k = s_recorded - 1; k >= 0; --k)
        WriteFolderSecurityText(PinnedHandle(&s_pins, s_recordedFolders[k]), s_recordedSecurity[k]);
    s_recorded = 0;
}

void ReleaseInstallTree()
{
    UnpinFolders(&s_pins);
    s_recorded = 0;
}
