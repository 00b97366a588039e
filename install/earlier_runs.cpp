#include "install/earlier_runs.h"

#include "install/copy_journal.h"
#include "install/temp_folder.h"
#include "common/text.h"
#include "shell/setup_log.h"
#include "shell/setup_state.h"

enum {
    MESSAGE_SIZE    = PATH_BUFFER_SIZE + 64 + JOURNAL_FOUND_NAME_SIZE + 1024,
    COUNT_TEXT_SIZE = 200
};

// Why a journal was left as it is, the folder named when it is one that
// changed.
static bool AppendLeftAlone(const UnfinishedCopy *copy, char *text, size_t size)
{
    const char *why = copy->outcome == UNFINISHED_REFUSED
                          ? "because it names a file or folder outside the folder that installation went into"
                      : copy->outcome == UNFINISHED_NOT_A_FOLDER ? "because the folder "
                                                                 : "because it cannot be read whole";
    bool fits = AppendText(text, size, "Setup found the record of an earlier installation of Velloran that did "
                                       "not end, but left it as it is and changed nothing, ")
                && AppendText(text, size, why);
    if (copy->outcome == UNFINISHED_NOT_A_FOLDER)
        fits = fits && AppendText(text, size, copy->refusedFolder)
               && AppendText(text, size, " is now a link, or no longer a folder");
    return fits && AppendText(text, size, ": ") && AppendJournalKeyName(text, size, copy->name)
           && AppendText(text, size, ".");
}

// "...and has undone it: 1 file it had installed was removed and 3 earlier
// files were put back."
static bool AppendUndone(const UnfinishedCopy *copy, char *text, size_t size)
{
    char kept[COUNT_TEXT_SIZE] = "";
    wsprintfA(kept, "could not be put back and keeps its name ending in ~%s", copy->name);
    char keptMany[COUNT_TEXT_SIZE] = "";
    wsprintfA(keptMany, "could not be put back and keep their names ending in ~%s", copy->name);
    const CountPhrase phrases[] = {
        { copy->filesRemoved, "file it had installed was removed", "files it had installed were removed" },
        { copy->filesRemovedAtRestart, "file it had installed is in use and will be removed when Windows restarts",
          "files it had installed are in use and will be removed when Windows restarts" },
        { copy->filesRestored, "earlier file was put back", "earlier files were put back" },
        { copy->filesNotRestored, kept, keptMany },
        { copy->foldersRemoved, "folder it had made was removed", "folders it had made were removed" },
    };
    return AppendText(text, size, "Setup found that an earlier installation of Velloran into ")
           && AppendText(text, size, copy->installDir)
           && AppendText(text, size, " was stopped before it ended, and has undone it")
           && AppendCountList(text, size, ": ", phrases, ARRAYSIZE(phrases), "") && AppendText(text, size, ".");
}

bool ComposeUnfinishedCopyMessage(const UnfinishedCopy *copy, char *text, size_t size)
{
    text[0] = '\0';
    if (copy->outcome == UNFINISHED_EMPTY || copy->outcome == UNFINISHED_COMPLETED)
        return false;
    return copy->outcome == UNFINISHED_UNDONE ? AppendUndone(copy, text, size) : AppendLeftAlone(copy, text, size);
}

void RecoverFromEarlierRuns(HWND owner)
{
    static char names[UNFINISHED_COPIES_MAX][JOURNAL_FOUND_NAME_SIZE];
    static UnfinishedCopy copy;
    static char text[MESSAGE_SIZE];
    int count = FindUnfinishedCopies(names, UNFINISHED_COPIES_MAX);
    for (int k = 0; k < count; ++k) {
        LogLine("Undo of an earlier run stopped half way: ", names[k]);
        SettleUnfinishedCopy(names[k], &copy);
        if (!ComposeUnfinishedCopyMessage(&copy, text, sizeof text))
            continue;
        LogLine(text);
        if (!g_silent)
            MessageBoxA(owner, text, "Setup",
                        MB_OK | (copy.outcome == UNFINISHED_UNDONE ? MB_ICONINFORMATION : MB_ICONWARNING));
    }
    RemoveStaleTempDirs();
}
