#include "shell/silent_setup.h"

#include "common/exit_codes.h"
#include "common/text.h"
#include "install/copy_page.h"
#include "install/earlier_runs.h"
#include "pages/pages.h"
#include "shell/command_line.h"
#include "shell/setup_log.h"
#include "shell/setup_state.h"

#include <shlobj.h>

// %ProgramFiles%\Velloran, the Program Files a 32-bit program sees: where
// managed software goes. A deployment's current directory means nothing.
static bool ComposeDefaultInstallDir(char *dir)
{
    char programFiles[MAX_PATH];
    return SUCCEEDED(SHGetFolderPathA(NULL, CSIDL_PROGRAM_FILES, NULL, SHGFP_TYPE_CURRENT, programFiles))
           && CopyText(dir, PATH_BUFFER_SIZE, programFiles) && AppendText(dir, PATH_BUFFER_SIZE, "\\Velloran");
}

int RunSilentSetup()
{
    // Before this run changes anything, as at an interactive start; the
    // message each undo would show goes into the log.
    RecoverFromEarlierRuns(NULL);
    bool named = g_chosenInstallDir[0] != '\0';
    if (!(named ? CopyText(g_installDir, PATH_BUFFER_SIZE, g_chosenInstallDir)
                : ComposeDefaultInstallDir(g_installDir))) {
        LogLine("The Program Files folder was not found.");
        return EXIT_FAILED;
    }
    // The shortcut folder takes the install folder's name, as on the pages.
    CopyText(g_newFolderName, FOLDER_NAME_SIZE, LastFolderName(g_installDir));
    LogLine("Install folder: ", g_installDir);
    // A folder that exists is installed over, as "Yes" to the page's question.
    g_installDirMade = CreateDirectoryA(g_installDir, &g_dirSecurity) != FALSE;
    if (g_installDirMade)
        LogLine("Folder made: ", g_installDir);
    if (!CopyWithoutPage())
        return EXIT_FAILED;
    ComposeDefaultShortcutFolder();
    RecordInstallation(!g_leaveImageTypes);
    return g_restartNeeded ? EXIT_REBOOT_REQUIRED : EXIT_DONE;
}
