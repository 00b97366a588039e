#include "payload/uninstall/report.h"
#include "common/exit_codes.h"
#include "common/text.h"

// Appends the pieces in order, up to the first that does not fit.
static bool AppendAll(char *text, size_t textSize, const char *const *pieces, int count)
{
    for (int i = 0; i < count; ++i) {
        if (!AppendText(text, textSize, pieces[i]))
            return false;
    }
    return true;
}

static bool AppendRemoved(const RemovalReport *report, char *text, size_t textSize)
{
    return AppendText(text, textSize, "Removed: ") &&
           AppendCount(text, textSize, report->filesRemoved, "program file, ", "program files, ") &&
           AppendCount(text, textSize, report->foldersRemoved, "folder, ", "folders, ") &&
           AppendCount(text, textSize, report->shortcutsRemoved, "shortcut, ", "shortcuts, ") &&
           AppendCount(text, textSize, report->keysRemoved, "registry key, ", "registry keys, ") &&
           AppendCount(text, textSize, report->linksReleased, "file type link and ", "file type links and ") &&
           AppendCount(text, textSize, report->winIniEntriesRemoved, "WIN.INI entry.\n\n", "WIN.INI entries.\n\n");
}

static bool AppendProgramDir(const RemovalReport *report, const Installation *installation, char *text,
                             size_t textSize)
{
    const char *dir = installation->programDir;
    if (report->programDirUnknown && installation->refusedProgramDir[0]) {
        const char *pieces[] = { "The uninstall entry names ", installation->refusedProgramDir,
                                 " as the program folder, which is not a folder Setup installs into, so no "
                                 "program files were removed.\n\n" };
        return AppendAll(text, textSize, pieces, 3);
    }
    if (report->programDirUnknown) {
        const char *pieces[] = { "The uninstall entry did not name the program folder, so no program files "
                                 "were removed.\n\n" };
        return AppendAll(text, textSize, pieces, 1);
    }
    if (report->programDirRefused) {
        const char *pieces[] = { "Nothing was removed: the folder ", report->refusedFolder,
                                 " is a link, or no longer a folder, and the uninstaller does not follow links.\n\n" };
        return AppendAll(text, textSize, pieces, 3);
    }
    if (report->programDirMissing) {
        const char *pieces[] = { "The program folder ", dir, " was already gone.\n\n" };
        return AppendAll(text, textSize, pieces, 3);
    }
    if (report->programDirKept && report->itemsLeft > 0) {
        const char *pieces[] = { "The program folder ", dir, " was not removed: it still holds " };
        const char *after[] = { " that Velloran did not install (files you added). Delete them yourself if "
                                "you no longer need them.\n\n" };
        return AppendAll(text, textSize, pieces, 3) &&
               AppendCount(text, textSize, report->itemsLeft, "item", "items") && AppendAll(text, textSize, after, 1);
    }
    // Kept only by Velloran's own files: those are counted below.
    if (report->programDirKept && !report->programDirScheduled) {
        const char *pieces[] = { "The program folder ", dir, " was not removed.\n\n" };
        return AppendAll(text, textSize, pieces, 3);
    }
    return true;
}

// "Could not be removed: 2 program files, 1 registry key and 1 WIN.INI entry."
// naming only what is there.
static bool AppendFailures(const RemovalReport *report, char *text, size_t textSize)
{
    const CountPhrase failures[] = {
        { report->filesFailed,         "program file",  "program files"  },
        { report->shortcutsFailed,     "shortcut",      "shortcuts"      },
        { report->keysFailed,          "registry key",  "registry keys"  },
        { report->linksFailed,         "file type link", "file type links" },
        { report->winIniEntriesFailed, "WIN.INI entry", "WIN.INI entries" },
    };
    return AppendCountList(text, textSize, "Could not be removed: ", failures, ARRAYSIZE(failures), ".\n\n");
}

static bool AppendProblems(const RemovalReport *report, const Installation *installation, char *text,
                           size_t textSize)
{
    if (report->filesScheduled > 0) {
        const char *folder[] = { ", together with the program folder ", installation->programDir };
        if (!(AppendCount(text, textSize, report->filesScheduled, "file is", "files are") &&
              AppendText(text, textSize, " in use and will be removed when Windows restarts") &&
              (!report->programDirScheduled || AppendAll(text, textSize, folder, 2)) &&
              AppendText(text, textSize, ".\n\n")))
            return false;
    }
    if (!AppendFailures(report, text, textSize))
        return false;
    if (report->shortcutDirKept) {
        const char *pieces[] = { "The shortcut folder ", installation->shortcutDir,
                                 " was not removed: it holds other items.\n\n" };
        return AppendAll(text, textSize, pieces, 3);
    }
    return true;
}

static bool NothingLeft(const RemovalReport *report)
{
    return !report->programDirUnknown && !report->programDirKept && report->filesScheduled == 0 &&
           report->filesFailed == 0 && report->shortcutsFailed == 0 && report->keysFailed == 0 &&
           report->linksFailed == 0 && report->winIniEntriesFailed == 0 && !report->shortcutDirKept;
}

bool ComposeReport(const RemovalReport *report, const Installation *installation, char *text, size_t textSize)
{
    if (textSize == 0)
        return false;
    text[0] = '\0';
    const char *heading = report->programDirRefused ? "Velloran has not been removed from this computer.\n\n"
                          : NothingLeft(report)     ? "Velloran has been removed from this computer.\n\n"
                                                    : "Velloran has been removed from this computer, with some "
                                                      "things left behind.\n\n";
    bool fits = AppendText(text, textSize, heading) && (report->programDirRefused || AppendRemoved(report, text, textSize)) &&
                AppendProgramDir(report, installation, text, textSize) &&
                AppendProblems(report, installation, text, textSize);
    // The blank line after the last sentence is not needed.
    int length = lstrlenA(text);
    while (length > 0 && text[length - 1] == '\n')
        text[--length] = '\0';
    return fits;
}

int RemovalExitCode(const RemovalReport *report)
{
    bool failed = report->programDirUnknown || report->programDirRefused || report->filesFailed > 0 || report->shortcutsFailed > 0 ||
                  report->keysFailed > 0 || report->linksFailed > 0 || report->winIniEntriesFailed > 0;
    if (failed)
        return EXIT_FAILED;
    return report->filesScheduled > 0 || report->programDirScheduled ? EXIT_REBOOT_REQUIRED : EXIT_DONE;
}
