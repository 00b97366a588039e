// What the copy replaces, kept aside and put back or discarded, on real files
// of the test prefix.
#include "install/copy_journal.h"
#include "install/replaced_files.h"
#include "win_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class ReplacedFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeTempFolder("replaced_files_");
        ASSERT_FALSE(folder.empty());
        // Every file the copy writes is in its journal first.
        ASSERT_TRUE(BeginCopyJournal(folder.c_str(), false));
    }

    void TearDown() override
    {
        EndCopyJournal();
        RemoveTree(folder);
    }

    std::string Path(const char *name) { return folder + "\\" + name; }

    void Write(const char *name, const std::string &bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
    {
        ASSERT_TRUE(WriteWholeFile(Path(name), bytes) && SetFileAttributesA(Path(name).c_str(), attributes)) << name;
    }

    std::string Read(const char *name) { return FileText(Path(name)); }

    std::string folder;
};

TEST_F(ReplacedFiles, ARestorePutsBackOnlyWhatWasReplacedWithItsAttributes)
{
    ASSERT_NO_FATAL_FAILURE(Write("old.txt", "earlier", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateDirectoryA(Path("folder").c_str(), NULL));
    DWORD attributes = GetFileAttributesA(Path("old.txt").c_str());

    ASSERT_TRUE(KeepReplacedFile(Path("old.txt").c_str()));
    EXPECT_EQ(Read("old.txt"), "(missing)") << "kept aside, not copied";
    EXPECT_EQ(FolderEntries(folder).size(), 2u) << "one kept file beside the folder";
    ASSERT_NO_FATAL_FAILURE(Write("old.txt", "this run"));
    ASSERT_TRUE(KeepReplacedFile(Path("new.txt").c_str()));
    ASSERT_NO_FATAL_FAILURE(Write("new.txt", "this run"));
    // The same file written twice: the second write replaces this run's own.
    ASSERT_TRUE(KeepReplacedFile(Path("OLD.TXT").c_str()));
    ASSERT_NO_FATAL_FAILURE(Write("old.txt", "this run again"));
    // A folder in the way stays where it is.
    EXPECT_TRUE(KeepReplacedFile(Path("folder").c_str()));
    EXPECT_EQ(FolderEntries(folder).size(), 4u);

    RestoreReplacedFiles();
    EXPECT_EQ(Read("old.txt"), "earlier");
    EXPECT_EQ(GetFileAttributesA(Path("old.txt").c_str()), attributes);
    EXPECT_EQ(Read("new.txt"), "this run") << "what this run created is the caller's to delete";
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{ "folder", "new.txt", "old.txt" }));
    EXPECT_STREQ(UnrestoredFilesNote(), "");
}

TEST_F(ReplacedFiles, DiscardingDeletesTheKeptFilesReadOnlyOnesToo)
{
    ASSERT_NO_FATAL_FAILURE(Write("a.txt", "earlier", FILE_ATTRIBUTE_READONLY));
    ASSERT_NO_FATAL_FAILURE(Write("b.txt", "earlier"));
    for (const char *name : { "a.txt", "b.txt" }) {
        ASSERT_TRUE(KeepReplacedFile(Path(name).c_str()));
        ASSERT_NO_FATAL_FAILURE(Write(name, "this run"));
    }
    DiscardKeptFiles();
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{ "a.txt", "b.txt" }));
    EXPECT_EQ(Read("a.txt"), "this run");
}

TEST_F(ReplacedFiles, AFileThatCannotGoBackIsNamedAndStays)
{
    ASSERT_NO_FATAL_FAILURE(Write("a.txt", "earlier"));
    ASSERT_TRUE(KeepReplacedFile(Path("a.txt").c_str()));
    std::vector<std::string> names = FolderEntries(folder);
    ASSERT_EQ(names.size(), 1u);
    std::string kept = folder + "\\" + *names.begin();
    // A folder now takes the name: the file cannot be renamed over it.
    ASSERT_TRUE(CreateDirectoryA(Path("a.txt").c_str(), NULL));

    RestoreReplacedFiles();
    EXPECT_EQ(std::string(UnrestoredFilesNote()),
              "\n\nEarlier files that could not be put back are kept as:\n" + kept);
    EXPECT_NE(GetFileAttributesA(kept.c_str()), INVALID_FILE_ATTRIBUTES) << "the kept file is not lost";
}

} // namespace
