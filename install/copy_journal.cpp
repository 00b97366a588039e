#include "install/copy_journal.h"

#include "install/manifest.h"
#include "shell/setup_state.h"
#include "common/folder_security.h"
#include "common/install_names.h"
#include "common/text.h"

#include <sddl.h>

const char kJournalOwnerKey[]        = "SOFTWARE\\VelloranSetup";
const char kJournalKey[]             = "SOFTWARE\\VelloranSetup\\Journal";
const char kJournalInstallDirValue[] = "InstallDir";
const char kJournalTempDirValue[]    = "TempDir";
const wchar_t kJournalTempDirValueW[] = L"TempDir";
const char kJournalCopyDoneValue[]   = "CopyDone";

// The same rights as the program folders: SYSTEM and Administrators full
// control, Users read, nothing inherited from HKLM\SOFTWARE.
static const char kJournalKeySddl[] = "D:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;BU)";

enum {
    JOURNAL_ENTRY_SIZE = 4 + PATH_BUFFER_SIZE + MANIFEST_FIELD_SIZE + FOLDER_SECURITY_TEXT_SIZE,
    JOURNAL_KEY_NAME_SIZE = 96
};

static char s_runTag[RUN_TAG_SIZE];
static HKEY s_journal;
static int  s_entries;
static char s_entry[JOURNAL_ENTRY_SIZE];
static char s_name[JOURNAL_KEY_NAME_SIZE];

const char *RunTag()
{
    if (!s_runTag[0])
        wsprintfA(s_runTag, "~%04lx%04lx", GetCurrentProcessId() & 0xFFFF, GetTickCount() & 0xFFFF);
    return s_runTag;
}

const char *CopyJournalName()
{
    if (!s_name[0])
        wsprintfA(s_name, "HKEY_LOCAL_MACHINE\\%s\\%s", kJournalKey, RunTag() + 1);
    return s_name;
}

// Written and on disk before the caller goes on to the change it announces.
static bool Flushed(LONG written)
{
    return written == ERROR_SUCCESS && RegFlushKey(s_journal) == ERROR_SUCCESS;
}

static bool WriteEntry(char kind, const char *path, const char *kept)
{
    if (!s_journal || s_entries >= JOURNAL_ENTRIES_MAX)
        return false;
    const char text[] = { kind, JOURNAL_SEPARATOR, '\0' };
    s_entry[0] = '\0';
    if (!AppendText(s_entry, JOURNAL_ENTRY_SIZE, text) || !AppendText(s_entry, JOURNAL_ENTRY_SIZE, path)
        || !AppendText(s_entry, JOURNAL_ENTRY_SIZE, "|") || !AppendText(s_entry, JOURNAL_ENTRY_SIZE, kept))
        return false;
    char name[JOURNAL_VALUE_NAME_SIZE];
    wsprintfA(name, "%04d", s_entries);
    if (!Flushed(RegSetValueExA(s_journal, name, 0, REG_SZ, (const BYTE *)s_entry, lstrlenA(s_entry) + 1)))
        return false;
    ++s_entries;
    return true;
}

// Each key of the chain is made with the protected descriptor; the run's own
// key must be new: an earlier journal of the same name is not this run's.
bool BeginCopyJournal(const char *installDir, bool installDirMade)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kJournalKeySddl, SDDL_REVISION_1, &descriptor, NULL))
        return false;
    SECURITY_ATTRIBUTES security = { sizeof security, descriptor, FALSE };
    HKEY parent = NULL;
    DWORD disposition = 0;
    LONG made = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kJournalKey, 0, NULL, REG_OPTION_NON_VOLATILE,
                                KEY_CREATE_SUB_KEY | kJournalView, &security, &parent, NULL);
    if (made == ERROR_SUCCESS) {
        made = RegCreateKeyExA(parent, RunTag() + 1, 0, NULL, REG_OPTION_NON_VOLATILE,
                               KEY_SET_VALUE | KEY_QUERY_VALUE | kJournalView, &security, &s_journal, &disposition);
        RegCloseKey(parent);
    }
    LocalFree(descriptor);
    if (made != ERROR_SUCCESS)
        return false;
    s_entries = 0;
    if (disposition != REG_CREATED_NEW_KEY
        || !Flushed(RegSetValueExA(s_journal, kJournalInstallDirValue, 0, REG_SZ, (const BYTE *)installDir,
                                   lstrlenA(installDir) + 1))
        || (installDirMade && !WriteEntry(JOURNAL_FOLDER_MADE, installDir, ""))) {
        RegCloseKey(s_journal);
        s_journal = NULL;
        return false;
    }
    return true;
}

bool JournalFolderMade(const char *folder)
{
    return WriteEntry(JOURNAL_FOLDER_MADE, folder, "");
}

bool JournalFolderSecurity(const char *folder, const char *security)
{
    return WriteEntry(JOURNAL_FOLDER_SECURITY, folder, security);
}

bool JournalTempFolder(const wchar_t *folder)
{
    return s_journal
           && Flushed(RegSetValueExW(s_journal, kJournalTempDirValueW, 0, REG_SZ, (const BYTE *)folder,
                                     (lstrlenW(folder) + 1) * sizeof(wchar_t)));
}

bool JournalFileWrite(const char *destination, const char *kept)
{
    return WriteEntry(JOURNAL_FILE_WRITTEN, destination, kept);
}

bool JournalCopyDone()
{
    DWORD done = 1;
    return s_journal
           && Flushed(RegSetValueExA(s_journal, kJournalCopyDoneValue, 0, REG_DWORD, (const BYTE *)&done, sizeof done));
}

// The keys above the run's go too once nothing else is in them: RegDeleteKey
// refuses a key that still has subkeys.
void DeleteJournal(const char *name)
{
    HKEY parent;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kJournalKey, 0, DELETE | KEY_ENUMERATE_SUB_KEYS | kJournalView, &parent)
        != ERROR_SUCCESS)
        return;
    RegDeleteKeyExA(parent, name, kJournalView, 0);
    RegCloseKey(parent);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kJournalKey, kJournalView, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kJournalOwnerKey, kJournalView, 0);
}

void EndCopyJournal()
{
    if (!s_journal)
        return;
    RegCloseKey(s_journal);
    s_journal = NULL;
    DeleteJournal(RunTag() + 1);
}
