// Entry point of the uninstaller: find the installation, ask, move out of the
// install directory if need be, remove, and say what was done.
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

static void RemoveInstallation(const Installation *installation)
{
    // The user may stop here: then nothing is removed.
    if (installation->programDir[0] && !SettleRunningPrograms(installation->programDir, true))
        return;
    RemovalReport report = {};
    RemoveProgramFiles(installation, &report);
    // Without an uninstall entry nothing else is known to be this installation's.
    if (installation->registered) {
        RemoveShortcuts(installation, &report);
        RemoveImageTypes(installation, &report);
        RemoveRegistration(&report);
    }

    static char text[UNINSTALL_MESSAGE_SIZE];
    ComposeReport(&report, installation, text, sizeof text);
    MessageBoxA(NULL, text, kUninstallCaption, MB_OK | MB_ICONINFORMATION);
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
    if (!FindInstallation(&arguments, &installation)) {
        MessageBoxA(NULL, kNotInstalledText, kUninstallCaption, MB_OK | MB_ICONINFORMATION);
    } else if (arguments.isCopy) {
        // The original asked already and has handed over.
        WaitForOriginal(&arguments);
        RemoveInstallation(&installation);
    } else if (ConfirmRemoval(&installation)) {
        if (!installation.programDir[0] || !IsRunningFrom(installation.programDir) || !RunCopyFromTemp())
            RemoveInstallation(&installation);
    }
    if (arguments.isCopy)
        ScheduleOwnDeletion();
    return 0;
}
