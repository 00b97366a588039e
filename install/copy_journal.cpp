#include "install/copy_journal.h"

#include "common/install_names.h"
#include "common/registry_values.h"
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
    JOURNAL_KEY_NAME_SIZE = 96,
    // Read back: the longest path and kept part there may be.
    JOURNAL_TEXT_SIZE  = 4 + JOURNAL_PATH_SIZE + JOURNAL_KEPT_SIZE,
    // The journal key, a backslash and the longest name a key can have.
    JOURNAL_KEY_PATH_SIZE = 64 + 256
};

static char s_runTag[RUN_TAG_SIZE];
static HKEY s_journal;
static int  s_entries;
static char s_entry[JOURNAL_ENTRY_SIZE];
static char s_name[JOURNAL_KEY_NAME_SIZE];
static char s_text[JOURNAL_TEXT_SIZE];

const char *RunTag()
{
    if (!s_runTag[0])
        wsprintfA(s_runTag, "~%04lx%04lx", GetCurrentProcessId() & 0xFFFF, GetTickCount() & 0xFFFF);
    return s_runTag;
}

bool AppendJournalKeyName(char *text, size_t size, const char *name)
{
    return AppendText(text, size, "HKEY_LOCAL_MACHINE\\") && AppendText(text, size, kJournalKey)
           && AppendText(text, size, "\\") && AppendText(text, size, name);
}

const char *CopyJournalName()
{
    if (!s_name[0])
        AppendJournalKeyName(s_name, JOURNAL_KEY_NAME_SIZE, RunTag() + 1);
    return s_name;
}

bool MakeKeptName(char *kept, size_t size, const char *destination, const char *journalName)
{
    return CopyText(kept, size, destination) && AppendText(kept, size, "~") && AppendText(kept, size, journalName);
}

void JournalEntryName(int number, char name[JOURNAL_VALUE_NAME_SIZE])
{
    wsprintfA(name, "%04d", number);
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
    const char text[] = { kind, JOURNAL_SEPARATOR, '\0' }, separator[] = { JOURNAL_SEPARATOR, '\0' };
    s_entry[0] = '\0';
    if (!AppendText(s_entry, JOURNAL_ENTRY_SIZE, text) || !AppendText(s_entry, JOURNAL_ENTRY_SIZE, path)
        || !AppendText(s_entry, JOURNAL_ENTRY_SIZE, separator) || !AppendText(s_entry, JOURNAL_ENTRY_SIZE, kept))
        return false;
    char name[JOURNAL_VALUE_NAME_SIZE];
    JournalEntryName(s_entries, name);
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

HKEY OpenJournal(const char *name)
{
    char path[JOURNAL_KEY_PATH_SIZE] = "";
    HKEY journal;
    if (!AppendText(path, sizeof path, kJournalKey) || !AppendText(path, sizeof path, "\\")
        || !AppendText(path, sizeof path, name)
        || RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | kJournalView, &journal) != ERROR_SUCCESS)
        return NULL;
    return journal;
}

// Eight hex digits in the case RunTag writes them.
static bool IsRunName(const char *name)
{
    int digit = 0;
    for (; digit < JOURNAL_NAME_SIZE - 1; ++digit)
        if (!((name[digit] >= '0' && name[digit] <= '9') || (name[digit] >= 'a' && name[digit] <= 'f')))
            return false;
    return name[digit] == '\0';
}

// "0000" to "0999": the entry's number, or -1.
static int EntryNumber(const char *name)
{
    int number = 0, digit = 0;
    for (; name[digit] >= '0' && name[digit] <= '9'; ++digit)
        number = number * 10 + (name[digit] - '0');
    return digit == 4 && name[4] == '\0' && number < JOURNAL_ENTRIES_MAX ? number : -1;
}

// The one wide value: the private temp folder may have any name.
static bool ReadWideText(HKEY key, const wchar_t *name, wchar_t *text, DWORD characters)
{
    DWORD type = 0, bytes = characters * sizeof(wchar_t);
    if (RegQueryValueExW(key, name, NULL, &type, (BYTE *)text, &bytes) != ERROR_SUCCESS || type != REG_SZ
        || bytes < sizeof(wchar_t) || bytes % sizeof(wchar_t) || text[bytes / sizeof(wchar_t) - 1] != L'\0')
        return false;
    return true;
}

JournalReading ReadJournalHeader(HKEY journal, const char *name, JournalHeader *header)
{
    DWORD values = 0;
    if (RegQueryInfoKeyA(journal, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
        return JOURNAL_UNREADABLE;
    if (values == 0)
        return JOURNAL_EMPTY;
    header->installDir[0] = '\0';
    header->tempDir[0] = L'\0';
    header->copyDone = false;
    header->entries = 0;
    int lastEntry = -1;
    for (DWORD index = 0; index < values; ++index) {
        char value[JOURNAL_VALUE_NAME_SIZE];
        DWORD length = sizeof value, type = 0;
        if (RegEnumValueA(journal, index, value, &length, NULL, &type, NULL, NULL) != ERROR_SUCCESS)
            return JOURNAL_UNREADABLE;
        int number = EntryNumber(value);
        if (number >= 0 && type == REG_SZ) {
            ++header->entries;
            lastEntry = number > lastEntry ? number : lastEntry;
        } else if (lstrcmpA(value, kJournalCopyDoneValue) == 0 && type == REG_DWORD) {
            DWORD done = 0, size = sizeof done;
            header->copyDone = RegQueryValueExA(journal, value, NULL, NULL, (BYTE *)&done, &size) == ERROR_SUCCESS
                               && done == 1;
            if (!header->copyDone)
                return JOURNAL_UNREADABLE;
        } else if (lstrcmpA(value, kJournalTempDirValue) == 0 && type == REG_SZ) {
            if (!ReadWideText(journal, kJournalTempDirValueW, header->tempDir, MAX_PATH))
                return JOURNAL_UNREADABLE;
        } else if (!(lstrcmpA(value, kJournalInstallDirValue) == 0 && type == REG_SZ)) {
            return JOURNAL_UNREADABLE;
        }
    }
    if (lastEntry + 1 != header->entries || !IsRunName(name)
        || !ReadTextValue(journal, kJournalInstallDirValue, header->installDir, PATH_BUFFER_SIZE))
        return JOURNAL_UNREADABLE;
    return JOURNAL_READ;
}

bool ReadJournalEntry(HKEY journal, int number, JournalEntry *entry)
{
    char name[JOURNAL_VALUE_NAME_SIZE];
    JournalEntryName(number, name);
    if (!ReadTextValue(journal, name, s_text, sizeof s_text) || !s_text[0] || s_text[1] != JOURNAL_SEPARATOR)
        return false;
    entry->kind = s_text[0];
    const char *path = s_text + 2;
    const char *separator = path;
    while (*separator && *separator != JOURNAL_SEPARATOR)
        ++separator;
    int pathLength = (int)(separator - path);
    if (*separator != JOURNAL_SEPARATOR || pathLength >= JOURNAL_PATH_SIZE
        || !CopyText(entry->kept, sizeof entry->kept, separator + 1))
        return false;
    lstrcpynA(entry->path, path, pathLength + 1);
    return (entry->kind == JOURNAL_FOLDER_MADE && !entry->kept[0])
           || (entry->kind == JOURNAL_FOLDER_SECURITY && entry->kept[0]) || entry->kind == JOURNAL_FILE_WRITTEN;
}
