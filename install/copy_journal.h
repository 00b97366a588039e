// The journal of the copy: before each change the copy makes (a folder made,
// a file written, an earlier file kept aside), an entry that says so, flushed
// to disk before the change is made. A run that ends in any of its designed
// ways deletes its journal; one killed on the way leaves it for the next
// start to undo (install/unfinished_copies.h).
//
// It lives in the machine's registry, in a key of its own below
// HKLM\SOFTWARE\VelloranSetup\Journal named by the run tag, where only
// administrators and the system can write: a journal there was written by an
// elevated setup, never planted by another user for the elevated setup to act
// on. One value per entry: the registry writes a value whole or not at all,
// so there is no torn last entry, and RegFlushKey puts it on disk.
#pragma once
#include <windows.h>
#include <stddef.h>

#include "install/manifest.h"
#include "common/folder_security.h"
#include "shell/setup_state.h"

enum {
    // "~" and eight hex digits; the journal's key is named by the digits.
    RUN_TAG_SIZE       = 10,
    JOURNAL_NAME_SIZE  = RUN_TAG_SIZE - 1,
    // Entries are values "0000", "0001" and so on, in the order written.
    JOURNAL_ENTRIES_MAX = 1000,
    JOURNAL_VALUE_NAME_SIZE = 16,
    // A destination, or a destination and a run tag: the longest path an entry names.
    JOURNAL_PATH_SIZE  = PATH_BUFFER_SIZE + MANIFEST_FIELD_SIZE + RUN_TAG_SIZE,
    JOURNAL_KEPT_SIZE  = JOURNAL_PATH_SIZE > FOLDER_SECURITY_TEXT_SIZE ? JOURNAL_PATH_SIZE : FOLDER_SECURITY_TEXT_SIZE
};

// Below HKEY_LOCAL_MACHINE; the run's key is a subkey of the journal key.
extern const char kJournalOwnerKey[];    // SOFTWARE\VelloranSetup
extern const char kJournalKey[];         // SOFTWARE\VelloranSetup\Journal
// Values of a run's key besides the entries.
extern const char kJournalInstallDirValue[];    // REG_SZ, written first
extern const char kJournalTempDirValue[];       // REG_SZ, the private temp folder, written
extern const wchar_t kJournalTempDirValueW[];   // and read through the wide functions
extern const char kJournalCopyDoneValue[];      // REG_DWORD 1: every file is in; the kept ones are to go
// An entry is a REG_SZ "<kind>|<path>|<kept>": a folder made ("D|folder|"),
// a file written ("F|destination|" or "F|destination|destination~tag" when
// an earlier file was kept aside under that name), or the descriptor a folder
// found there had before the run secured it ("S|folder|<SDDL>").
enum { JOURNAL_FOLDER_MADE = 'D', JOURNAL_FILE_WRITTEN = 'F', JOURNAL_FOLDER_SECURITY = 'S', JOURNAL_SEPARATOR = '|' };

// "~" and eight hex digits, the same for the whole run: the process id keeps
// it apart from another run, the tick count from an earlier run's leftovers.
const char *RunTag();

// Creates this run's key, which must not exist yet, and records the install
// directory, and that the directory page made it when it did (it is made
// before the journal begins, the one change recorded after it is made).
bool BeginCopyJournal(const char *installDir, bool installDirMade);
// Before CreateDirectory of a folder that is not there yet.
bool JournalFolderMade(const char *folder);
// Before a folder found there is secured: the descriptor it had, as SDDL.
bool JournalFolderSecurity(const char *folder, const char *security);
// Right after the private temp folder is made: its name is chosen as it is made.
bool JournalTempFolder(const wchar_t *folder);
// Before an earlier file at the destination is kept aside (kept: the name
// it gets, or empty when there is none) and the destination is written.
bool JournalFileWrite(const char *destination, const char *kept);
// Every file is in: from here a kept file is to be deleted, not put back.
bool JournalCopyDone();
// The run has ended as designed: its journal goes. Nothing without a journal.
void EndCopyJournal();

// The key of this run's journal as the messages name it.
const char *CopyJournalName();
// Appends "HKEY_LOCAL_MACHINE\<journal key>\<name>", a journal as the messages name it.
bool AppendJournalKeyName(char *text, size_t size, const char *name);

// The name the run of that journal name keeps an earlier file at destination
// under: the destination and its run tag.
bool MakeKeptName(char *kept, size_t size, const char *destination, const char *journalName);

// The value name of entry number: "0000" and on.
void JournalEntryName(int number, char name[JOURNAL_VALUE_NAME_SIZE]);

// What a journal says besides its entries.
struct JournalHeader {
    char    installDir[PATH_BUFFER_SIZE];
    wchar_t tempDir[MAX_PATH];   // empty when the run made none
    bool    copyDone;
    int     entries;
};

struct JournalEntry {
    char kind;
    char path[JOURNAL_PATH_SIZE];
    char kept[JOURNAL_KEPT_SIZE];   // a kept file's name, or a folder's descriptor
};

enum JournalReading { JOURNAL_READ, JOURNAL_EMPTY, JOURNAL_UNREADABLE };

// The journal of that name opened to be read; NULL when there is none.
HKEY OpenJournal(const char *name);
// JOURNAL_READ when the name is a run's, every value is one the setup
// writes, and the entries are there from the first to the last;
// JOURNAL_EMPTY when the key holds no value at all.
JournalReading ReadJournalHeader(HKEY journal, const char *name, JournalHeader *header);
// False when the entry is not "<kind>|<path>|<kept>" with a kind the copy
// writes and a kept part that goes with it, or does not fit.
bool ReadJournalEntry(HKEY journal, int number, JournalEntry *entry);

// Deletes the journal of that name (a run tag without its "~"), and the keys
// above it once they are empty.
void DeleteJournal(const char *name);
