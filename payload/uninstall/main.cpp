// Entry point of the uninstaller: find the installation, ask, move out of the
// install directory if need be, remove, and say what was done. With /S it
// asks nothing and shows nothing: the exit code alone tells how it went.
#include "common/exit_codes.h"
#include "common/install_names.h"
#include "common/system_dlls.h"
#include "payload/uninstall/installation.h"
#include "payload/uninstall/programs_in_use.h"
#include "payload/uninstall/relaunch.h"
#include "payload/uninstall/removal.h"
#include "payload/uninstall/report.h"
#include "common/text.h"

static const char kNotInstalledText[] =
    "Velloran is not installed on this computer: its uninstall entry is missing, so there is nothing to remove.";

static const char kRegisteredRemovalText[] =
    "\n\nIts program files, shortcuts, registry entries and file type links will be deleted. Files you added "
    "yourself are kept.\n\nDo you want to remove Velloran?";
static const char kUnregisteredRemovalText[] =
    "\n\nIts setup did not finish, so it has no uninstall entry. The program files it installed in this folder "
    "will be deleted. Files you added yourself are kept.\n\nDo you want to remove Velloran?";

static const char kSetupRunsText[] =
    "Velloran Setup is running. Let it finish, then start the uninstaller again.";

// The setup's mutex, held while this process works: a setup started meanwhile
// gives way, and this uninstaller gives way to a setup that runs.
static HANDLE s_singleSetup;

static bool TakeSingleSetupMutex()
{
    s_singleSetup = CreateMutexA(NULL, FALSE, kSingleSetupMutex);
    if (s_singleSetup && GetLastError() != ERROR_ALREADY_EXISTS)
        return true;
    if (s_singleSetup)
        CloseHandle(s_singleSetup);
    s_singleSetup = NULL;
    return false;
}

static void ReleaseSingleSetupMutex()
{
    if (s_singleSetup)
        CloseHandle(s_singleSetup);
    s_singleSetup = NULL;
}

static bool ConfirmRemoval(const Installation *installation)
{
    char text[UNINSTALL_PATH_SIZE + 400] = "Velloran will be removed from this computer";
    if (installation->programDir[0]) {
        AppendText(text, sizeof text, ":\n\n");
        AppendText(text, sizeof text, installation->programDir);
    }
    AppendText(text, sizeof text, installation->registered ? kRegisteredRemovalText : kUnregisteredRemovalText);
    return MessageBoxA(NULL, text, kUninstallCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

// Removes, says what was done unless quiet, and returns the exit code.
static int RemoveInstallation(const Installation *installation, bool quiet, RemovalReport *report)
{
    // The user may stop here: then nothing is removed. Quiet, nobody is
    // asked, and what a running Velloran holds goes at the next restart.
    if (installation->programDir[0] && !SettleRunningPrograms(installation->programDir, !quiet))
        return EXIT_CANCELLED;
    RemoveProgramFiles(installation, report);
    // Without an uninstall entry nothing else is known to be this
    // installation's; with its folder refused, the entry stays for a later try.
    if (installation->registered && !report->programDirRefused) {
        RemoveShortcuts(installation, report);
        RemoveImageTypes(installation, report);
        RemoveRegistration(report);
    }

    if (!quiet) {
        static char text[UNINSTALL_MESSAGE_SIZE];
        ComposeReport(report, installation, text, sizeof text);
        MessageBoxA(NULL, text, kUninstallCaption, MB_OK | MB_ICONINFORMATION);
    }
    return RemovalExitCode(report);
}

// Started by the user or a tool: asks (unless quiet), and removes here, or
// from a copy in the temp directory when this file lies in the install
// directory. A quiet original waits for that copy and passes its exit code
// on; the user's original has nothing more to say once the copy runs.
static int RemoveAsAsked(const RelaunchArguments *arguments, const Installation *installation)
{
    if (!arguments->quiet && !ConfirmRemoval(installation))
        return EXIT_CANCELLED;
    HANDLE copy = NULL;
    if (installation->programDir[0] && IsRunningFrom(installation->programDir)) {
        // The copy takes the mutex over; a setup that slips in between makes
        // it give way, which it reports as this process would.
        ReleaseSingleSetupMutex();
        copy = RunCopyFromTemp(arguments->quiet);
        if (!copy && !TakeSingleSetupMutex())
            return EXIT_ANOTHER_RUNNING;
    }
    if (!copy) {
        RemovalReport report = {};
        return RemoveInstallation(installation, arguments->quiet, &report);
    }
    if (arguments->quiet)
        return WaitForCopy(copy);
    CloseHandle(copy);
    return EXIT_DONE;
}

// The entry, or else the folder of the uninstaller the user started (for
// the copy in the temp directory, the original it names).
static bool FindInstallation(const RelaunchArguments *arguments, Installation *installation)
{
    if (ReadInstallation(installation))
        return true;
    char module[MAX_PATH] = "";
    if (!arguments->isCopy) {
        DWORD length = GetModuleFileNameA(NULL, module, sizeof module);
        if (length == 0 || length >= sizeof module)
            module[0] = '\0';
    }
    return FindUnregisteredInstallation(arguments->isCopy ? arguments->originalPath : module, installation);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    LoadDllsFromSystemOnly();
    static RelaunchArguments arguments;
    ParseRelaunchArguments(CommandLineTail(GetCommandLineA()), &arguments);

    static Installation installation;
    int exitCode;
    if (!TakeSingleSetupMutex()) {
        if (!arguments.quiet)
            MessageBoxA(NULL, kSetupRunsText, kUninstallCaption, MB_OK | MB_ICONEXCLAMATION);
        exitCode = EXIT_ANOTHER_RUNNING;
    } else if (!FindInstallation(&arguments, &installation)) {
        if (!arguments.quiet)
            MessageBoxA(NULL, kNotInstalledText, kUninstallCaption, MB_OK | MB_ICONINFORMATION);
        exitCode = EXIT_NOT_INSTALLED;
    } else if (arguments.isCopy) {
        // The original asked already and has handed over; a quiet one waits
        // for this copy, which takes its file out of the way instead, and
        // puts it back when the removal is refused.
        bool movedAside = arguments.quiet && MoveOriginalAside(&arguments, installation.programDir);
        if (!arguments.quiet)
            WaitForOriginal(&arguments);
        static RemovalReport report;
        exitCode = RemoveInstallation(&installation, arguments.quiet, &report);
        if (movedAside && report.programDirRefused)
            PutOriginalBack(&arguments);
    } else {
        exitCode = RemoveAsAsked(&arguments, &installation);
    }
    if (arguments.isCopy)
        ScheduleOwnDeletion();
    return exitCode;
}
