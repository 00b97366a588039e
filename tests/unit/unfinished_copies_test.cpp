// What the next start does with the journal of a run that was stopped half
// way: journals laid out in the registry as such a run leaves them, over
// real files of the test prefix.
#include "install/copy_journal.h"
#include "install/manifest.h"
#include "install/unfinished_copies.h"
#include "common/private_folder.h"
#include "win_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const char RUN[] = "0badf00d";

struct Value {
    std::string name;
    DWORD type;
    std::string text;   // "{dir}" and "{root}" stand for the test's folders
};

class UnfinishedCopies : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        root_ = MakeUniqueFolder(temp, "unfinished-");
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
        for (const auto &mark : { std::make_pair(std::string("{dir}"), dir_), std::make_pair(std::string("{root}"), root_) })
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
        ASSERT_TRUE(WriteBytes(path, std::vector<BYTE>(text.begin(), text.end()))) << path;
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes));
    }

    std::string Read(const std::string &path)
    {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE)
            return "(missing)";
        char bytes[256];
        DWORD read = 0;
        ReadFile(file, bytes, sizeof bytes, &read, NULL);
        CloseHandle(file);
        return std::string(bytes, read);
    }

    std::string root_, dir_;
};

std::string PenFile()
{
    for (int row = 0; row < MANIFEST_ROWS; ++row)
        if (std::string(g_destinationSuffixes[row]).rfind("\\Pen\\", 0) == 0)
            return g_destinationSuffixes[row];
    return std::string();
}

// A run over an earlier installation, stopped after it had made \Pen and
// written a file there, written velloran.cfg, kept the earlier read-only
// Velloran.exe aside and written its own, and announced readme.wri without
// getting to keep the earlier one aside.
TEST_F(UnfinishedCopies, AStoppedRunIsUndoneNewestFirstAndNothingElseIsTouched)
{
    const std::string pen = dir_ + PenFile(), viewer = dir_ + "\\Velloran.exe", kept = viewer + "~" + RUN;
    ASSERT_NO_FATAL_FAILURE(Write(dir_ + "\\my notes.txt", "the user's"));
    ASSERT_NO_FATAL_FAILURE(Write(dir_ + "\\readme.wri", "earlier readme"));
    ASSERT_NO_FATAL_FAILURE(Write(kept, "earlier viewer", FILE_ATTRIBUTE_READONLY));
    WIN32_FILE_ATTRIBUTE_DATA earlier;
    ASSERT_TRUE(GetFileAttributesExA(kept.c_str(), GetFileExInfoStandard, &earlier));
    ASSERT_NO_FATAL_FAILURE(Write(viewer, "this run's viewer"));
    ASSERT_NO_FATAL_FAILURE(Write(dir_ + "\\velloran.cfg", "this run's cfg"));
    ASSERT_TRUE(CreateDirectoryA((dir_ + "\\Pen").c_str(), NULL));
    ASSERT_NO_FATAL_FAILURE(Write(pen, "this run's pen"));
    wchar_t tempDir[MAX_PATH];
    ASSERT_TRUE(CreatePrivateFolder(L"VelloranSetup-", tempDir, MAX_PATH));
    std::wstring leftover = std::wstring(tempDir) + L"\\" + std::wstring(g_compressedNames[3], g_compressedNames[3] + lstrlenA(g_compressedNames[3]));
    CloseHandle(CreateFileW(leftover.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL));

    ASSERT_NO_FATAL_FAILURE(PlantJournal(RUN, {
        { "InstallDir", REG_SZ, "{dir}" },
        { "0000", REG_SZ, "D|{dir}\\Pen|" },
        { "0001", REG_SZ, "F|{dir}\\velloran.cfg|" },
        { "0002", REG_SZ, "F|{dir}\\Velloran.exe|{dir}\\Velloran.exe~0badf00d" },
        { "0003", REG_SZ, "F|{dir}\\readme.wri|{dir}\\readme.wri~0badf00d" },
        { "0004", REG_SZ, "F|{dir}" + PenFile() + "|" },
    }));
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyOf(RUN).c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    RegSetValueExW(key, kJournalTempDirValueW, 0, REG_SZ, (const BYTE *)tempDir, (lstrlenW(tempDir) + 1) * sizeof(wchar_t));
    RegCloseKey(key);

    char names[UNFINISHED_COPIES_MAX][JOURNAL_FOUND_NAME_SIZE];
    ASSERT_EQ(FindUnfinishedCopies(names, UNFINISHED_COPIES_MAX), 1);
    static UnfinishedCopy copy;
    SettleUnfinishedCopy(names[0], &copy);
    EXPECT_EQ(copy.outcome, UNFINISHED_UNDONE);
    EXPECT_EQ(Read(viewer), "earlier viewer");
    WIN32_FILE_ATTRIBUTE_DATA back;
    ASSERT_TRUE(GetFileAttributesExA(viewer.c_str(), GetFileExInfoStandard, &back));
    EXPECT_EQ(back.dwFileAttributes, earlier.dwFileAttributes);
    EXPECT_EQ(CompareFileTime(&back.ftLastWriteTime, &earlier.ftLastWriteTime), 0);
    EXPECT_EQ(Read(dir_ + "\\readme.wri"), "earlier readme") << "a file never kept aside is the earlier one";
    EXPECT_EQ(TreeEntries(dir_), std::vector<std::string>({ "Velloran.exe", "my notes.txt", "readme.wri" }));
    EXPECT_EQ(GetFileAttributesW(tempDir), INVALID_FILE_ATTRIBUTES) << "the run's temp folder stayed";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kJournalOwnerKey)) << "the journal stayed";

    static char text[4096];
    ASSERT_TRUE(ComposeUnfinishedCopyMessage(&copy, text, sizeof text));
    EXPECT_EQ(std::string(text), "Setup found that an earlier installation of Velloran into " + dir_
                                     + " was stopped before it ended, and has undone it: 2 files it had installed "
                                       "were removed, 1 earlier file was put back and 1 folder it had made was removed.");
}

struct RefusedCase {
    const char *what;
    const char *name;
    std::vector<Value> values;
    UnfinishedOutcome outcome;
};

// Nothing that such a journal names is touched, and it stays for someone to look at.
TEST_F(UnfinishedCopies, JournalsThatFailACheckAreLeftAsTheyAre)
{
    const Value installDir = { "InstallDir", REG_SZ, "{dir}" }, good = { "0000", REG_SZ, "F|{dir}\\readme.wri|" };
    const RefusedCase cases[] = {
        { "a file outside", RUN, { installDir, good, { "0001", REG_SZ, "F|{root}\\victim.txt|" } }, UNFINISHED_REFUSED },
        { "a way out by ..", RUN, { installDir, { "0000", REG_SZ, "F|{dir}\\..\\victim.txt|" } }, UNFINISHED_REFUSED },
        { "another file as kept name", RUN, { installDir, { "0000", REG_SZ, "F|{dir}\\readme.wri|{root}\\victim.txt" } },
          UNFINISHED_REFUSED },
        { "a folder outside", RUN, { installDir, { "0000", REG_SZ, "D|{root}|" } }, UNFINISHED_REFUSED },
        { "an install directory by ..", RUN, { { "InstallDir", REG_SZ, "{dir}\\..\\.." }, good }, UNFINISHED_REFUSED },
        { "an entry missing", RUN, { installDir, good, { "0002", REG_SZ, "F|{dir}\\velloran.cfg|" } },
          UNFINISHED_UNREADABLE },
        { "a value never written", RUN, { installDir, good, { "Extra", REG_SZ, "" } }, UNFINISHED_UNREADABLE },
        { "an unknown kind", RUN, { installDir, { "0000", REG_SZ, "X|{dir}\\readme.wri|" } }, UNFINISHED_UNREADABLE },
        { "an entry not text", RUN, { installDir, { "0000", REG_DWORD, "" } }, UNFINISHED_UNREADABLE },
        { "no run's name", "planted", { installDir, good }, UNFINISHED_UNREADABLE },
    };
    for (const RefusedCase &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(Write(root_ + "\\victim.txt", "victim"));
        ASSERT_NO_FATAL_FAILURE(Write(dir_ + "\\readme.wri", "readme"));
        ASSERT_NO_FATAL_FAILURE(PlantJournal(c.name, c.values));
        static UnfinishedCopy copy;
        SettleUnfinishedCopy(c.name, &copy);
        EXPECT_EQ(copy.outcome, c.outcome);
        EXPECT_EQ(Read(root_ + "\\victim.txt"), "victim");
        EXPECT_EQ(Read(dir_ + "\\readme.wri"), "readme");
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, KeyOf(c.name)));
        static char text[4096];
        EXPECT_TRUE(ComposeUnfinishedCopyMessage(&copy, text, sizeof text));
        EXPECT_NE(std::string(text).find("changed nothing"), std::string::npos) << text;
        EXPECT_NE(std::string(text).find("HKEY_LOCAL_MACHINE\\" + KeyOf(c.name) + "."), std::string::npos) << text;
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, KeyOf(c.name).c_str());
    }
}

// Stopped after its copy was through: the kept file goes, the new one stays.
// Stopped as its journal began: nothing to undo. Neither is told.
TEST_F(UnfinishedCopies, ACompletedCopyOrOneStoppedBeforeAnyChangeIsClearedQuietly)
{
    const std::string viewer = dir_ + "\\Velloran.exe";
    ASSERT_NO_FATAL_FAILURE(Write(viewer + "~0000000a", "earlier viewer", FILE_ATTRIBUTE_READONLY));
    ASSERT_NO_FATAL_FAILURE(Write(viewer, "this run's viewer"));
    ASSERT_NO_FATAL_FAILURE(PlantJournal("0000000a", { { "InstallDir", REG_SZ, "{dir}" },
                                                       { "0000", REG_SZ, "F|{dir}\\Velloran.exe|{dir}\\Velloran.exe~0000000a" },
                                                       { "CopyDone", REG_DWORD, "" } }));
    ASSERT_NO_FATAL_FAILURE(PlantJournal("0000000b", {}));

    const UnfinishedOutcome expected[] = { UNFINISHED_COMPLETED, UNFINISHED_EMPTY };
    char names[UNFINISHED_COPIES_MAX][JOURNAL_FOUND_NAME_SIZE];
    ASSERT_EQ(FindUnfinishedCopies(names, UNFINISHED_COPIES_MAX), 2);
    for (int k = 0; k < 2; ++k) {
        static UnfinishedCopy copy;
        SettleUnfinishedCopy(names[k], &copy);
        EXPECT_EQ(copy.outcome, expected[k]) << names[k];
        static char text[4096];
        EXPECT_FALSE(ComposeUnfinishedCopyMessage(&copy, text, sizeof text)) << text;
    }
    EXPECT_EQ(TreeEntries(dir_), std::vector<std::string>({ "Velloran.exe" }));
    EXPECT_EQ(Read(viewer), "this run's viewer");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kJournalOwnerKey));
}

} // namespace
