// What the next start does with journals that the end-to-end scenarios do
// not make: planted or damaged ones, and runs stopped at the edges of their
// changes; laid out in the registry over real files of the test prefix.
#include "install/copy_journal.h"
#include "install/earlier_runs.h"
#include "win_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const char RUN[] = "0badf00d";
const std::string INSTALL_DIR = kJournalInstallDirValue;

std::string Entry(int number)
{
    char name[JOURNAL_VALUE_NAME_SIZE];
    JournalEntryName(number, name);
    return name;
}

struct Value {
    std::string name;
    DWORD type;
    std::string text;   // "{dir}" and "{root}" stand for the test's folders
};

class UnfinishedCopies : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = MakeTempFolder("unfinished-");
        ASSERT_FALSE(root_.empty());
        dir_ = root_ + "\\Velloran";
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), NULL));
    }

    void TearDown() override
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kJournalOwnerKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kJournalOwnerKey);
        RemoveTree(root_);
    }

    std::string Expand(std::string text) const
    {
        const std::pair<std::string, std::string> marks[] = { { "{dir}", dir_ }, { "{root}", root_ } };
        for (const auto &mark : marks)
            for (size_t at; (at = text.find(mark.first)) != std::string::npos;)
                text.replace(at, mark.first.size(), mark.second);
        return text;
    }

    std::string KeyOf(const std::string &name) const { return std::string(kJournalKey) + "\\" + name; }

    void PlantJournal(const std::string &name, const std::vector<Value> &values)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyOf(name).c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL),
                  ERROR_SUCCESS);
        for (const Value &value : values) {
            std::string text = Expand(value.text);
            DWORD number = 1;
            if (value.type == REG_DWORD)
                RegSetValueExA(key, value.name.c_str(), 0, REG_DWORD, (const BYTE *)&number, sizeof number);
            else
                RegSetValueExA(key, value.name.c_str(), 0, value.type, (const BYTE *)text.c_str(), text.size() + 1);
        }
        RegCloseKey(key);
    }

    void Write(const std::string &path, const std::string &text, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
    {
        ASSERT_TRUE(WriteWholeFile(path, text)) << path;
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes));
    }

    // The install directory's descriptor as SDDL, read after it is secured when asked.
    std::string Security(bool secure = false)
    {
        HANDLE folder = CreateFileA(dir_.c_str(), READ_CONTROL | WRITE_DAC | WRITE_OWNER, FILE_SHARE_READ, NULL,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
        static char text[FOLDER_SECURITY_TEXT_SIZE];
        bool read = folder != INVALID_HANDLE_VALUE && (!secure || SecureFolderItself(folder))
                    && ReadFolderSecurityText(folder, text, sizeof text);
        CloseHandle(folder);
        return read ? text : "(unreadable)";
    }

    std::string root_, dir_;
};

// Nothing that such a journal names is touched, and it stays for someone to look at.
TEST_F(UnfinishedCopies, JournalsThatFailACheckAreLeftAsTheyAre)
{
    const Value installDir = { INSTALL_DIR, REG_SZ, "{dir}" }, good = { Entry(0), REG_SZ, "F|{dir}\\readme.wri|" };
    const struct { const char *what, *name; std::vector<Value> values; UnfinishedOutcome outcome; } cases[] = {
        { "a file outside", RUN, { installDir, good, { Entry(1), REG_SZ, "F|{root}\\victim.txt|" } },
          UNFINISHED_REFUSED },
        { "a way out by ..", RUN, { installDir, { Entry(0), REG_SZ, "F|{dir}\\..\\victim.txt|" } },
          UNFINISHED_REFUSED },
        { "another file as kept name", RUN,
          { installDir, { Entry(0), REG_SZ, "F|{dir}\\readme.wri|{root}\\victim.txt" } }, UNFINISHED_REFUSED },
        { "a folder outside", RUN, { installDir, { Entry(0), REG_SZ, "D|{root}|" } }, UNFINISHED_REFUSED },
        { "an install directory by ..", RUN, { { INSTALL_DIR, REG_SZ, "{dir}\\..\\.." }, good }, UNFINISHED_REFUSED },
        { "an entry missing", RUN, { installDir, good, { Entry(2), REG_SZ, "F|{dir}\\velloran.cfg|" } },
          UNFINISHED_UNREADABLE },
        { "a value never written", RUN, { installDir, good, { "Extra", REG_SZ, "" } }, UNFINISHED_UNREADABLE },
        { "an unknown kind", RUN, { installDir, { Entry(0), REG_SZ, "X|{dir}\\readme.wri|" } }, UNFINISHED_UNREADABLE },
        { "an entry not text", RUN, { installDir, { Entry(0), REG_DWORD, "" } }, UNFINISHED_UNREADABLE },
        { "no run's name", "planted", { installDir, good }, UNFINISHED_UNREADABLE },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(Write(root_ + "\\victim.txt", "victim"));
        ASSERT_NO_FATAL_FAILURE(Write(dir_ + "\\readme.wri", "readme"));
        ASSERT_NO_FATAL_FAILURE(PlantJournal(c.name, c.values));
        static UnfinishedCopy copy;
        SettleUnfinishedCopy(c.name, &copy);
        EXPECT_EQ(copy.outcome, c.outcome);
        EXPECT_EQ(FileText(root_ + "\\victim.txt"), "victim");
        EXPECT_EQ(FileText(dir_ + "\\readme.wri"), "readme");
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, KeyOf(c.name)));
        static char text[4096];
        EXPECT_TRUE(ComposeUnfinishedCopyMessage(&copy, text, sizeof text));
        EXPECT_NE(std::string(text).find("changed nothing"), std::string::npos) << text;
        EXPECT_NE(std::string(text).find("HKEY_LOCAL_MACHINE\\" + KeyOf(c.name) + "."), std::string::npos) << text;
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, KeyOf(c.name).c_str());
    }
}

// Stopped after its copy was through: the kept file goes, the new one stays.
// Stopped as its journal began: nothing to do. Neither is told. Stopped
// between an entry and its change: the earlier file, never kept aside,
// stays, velloran.cfg, never written, is not looked for, and the install
// directory, found there and secured, is given back its descriptor.
TEST_F(UnfinishedCopies, RunsStoppedAtTheEdgesAreSettledByWhatIsOnDisk)
{
    const std::string viewer = dir_ + "\\Velloran.exe";
    ASSERT_NO_FATAL_FAILURE(Write(viewer + "~0000000a", "earlier viewer", FILE_ATTRIBUTE_READONLY));
    ASSERT_NO_FATAL_FAILURE(Write(viewer, "this run's viewer"));
    const Value installDir = { INSTALL_DIR, REG_SZ, "{dir}" };
    ASSERT_NO_FATAL_FAILURE(PlantJournal("0000000a", { installDir, { kJournalCopyDoneValue, REG_DWORD, "" },
        { Entry(0), REG_SZ, "F|{dir}\\Velloran.exe|{dir}\\Velloran.exe~0000000a" } }));
    ASSERT_NO_FATAL_FAILURE(PlantJournal("0000000b", {}));
    const std::string before = Security();
    ASSERT_NE(Security(true), before) << "the folder was not secured";
    ASSERT_NO_FATAL_FAILURE(PlantJournal("0000000c", { installDir, { Entry(0), REG_SZ, "S|{dir}|" + before },
        { Entry(1), REG_SZ, "F|{dir}\\velloran.cfg|" },
        { Entry(2), REG_SZ, "F|{dir}\\Velloran.exe|{dir}\\Velloran.exe~0000000c" } }));

    const UnfinishedOutcome expected[] = { UNFINISHED_COMPLETED, UNFINISHED_EMPTY, UNFINISHED_UNDONE };
    char names[UNFINISHED_COPIES_MAX][JOURNAL_FOUND_NAME_SIZE];
    ASSERT_EQ(FindUnfinishedCopies(names, UNFINISHED_COPIES_MAX), 3);
    for (int k = 0; k < 3; ++k) {
        static UnfinishedCopy copy;
        SettleUnfinishedCopy(names[k], &copy);
        EXPECT_EQ(copy.outcome, expected[k]) << names[k];
        static char text[4096];
        EXPECT_EQ(ComposeUnfinishedCopyMessage(&copy, text, sizeof text), k == 2) << text;
        if (k == 2)
            EXPECT_EQ(std::string(text), "Setup found that an earlier installation of Velloran into " + dir_
                                             + " was stopped before it ended, and has undone it.");
    }
    EXPECT_EQ(TreeEntries(dir_), std::vector<std::string>({ "Velloran.exe" }));
    EXPECT_EQ(FileText(viewer), "this run's viewer");
    EXPECT_EQ(Security(), before);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kJournalOwnerKey));
}

} // namespace
