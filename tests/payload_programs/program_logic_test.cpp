// The pure parts of both programs: where the viewer puts the picture and which
// file its command line names; the uninstaller's path rules, its hand-over
// arguments, its self-deletion and its closing message.
#include "common/exit_codes.h"
#include "payload/uninstall/installation.h"
#include "payload/uninstall/paths.h"
#include "payload/uninstall/relaunch_arguments.h"
#include "payload/uninstall/report.h"
#include "payload/uninstall/self_deletion.h"
#include "payload/velloran/layout.h"
#include <gtest/gtest.h>
#include <string.h>
#include <string>

namespace {

// Where a picture of each size goes in a window of each size: fills one side
// and is centred on the other, small ones enlarged, huge ones without an
// overflow, never thinner than a pixel; nothing to fit gives an empty one.
TEST(FitPicture, EachPictureFillsOneSideAndIsCentredOnTheOther)
{
    const struct {
        int width, height, windowWidth, windowHeight;
        RECT fitted;
    } cases[] = {
        { 400, 100, 800, 600, { 0, 200, 800, 400 } },
        { 100, 300, 800, 600, { 300, 0, 500, 600 } },
        { 2, 2, 300, 100, { 100, 0, 200, 100 } },
        { 16384, 16384, 1000, 1000, { 0, 0, 1000, 1000 } },
        { 16384, 1, 1000, 1000, { 0, 499, 1000, 500 } },
        { 0, 10, 800, 600, { 0, 0, 0, 0 } },
        { 10, 10, 0, 600, { 0, 0, 0, 0 } },
    };
    for (const auto &c : cases) {
        RECT fitted = FitPicture(c.width, c.height, c.windowWidth, c.windowHeight);
        EXPECT_TRUE(EqualRect(&fitted, &c.fitted))
            << c.width << "x" << c.height << " in " << c.windowWidth << "x" << c.windowHeight << ": " << fitted.left
            << "," << fitted.top << "," << fitted.right << "," << fitted.bottom;
    }
}

// The file a command line names: quoted or not, after a program path quoted
// or not; none, or one too long for its buffer.
TEST(CommandLineFile, TheFileFollowsTheProgramQuotedOrNot)
{
    const std::string tooLong = "Velloran.exe C:\\" + std::string(MAX_PATH, 'a');
    const struct {
        std::string line;
        const char *file;
    } cases[] = {
        { "\"C:\\Program Files\\Velloran\\Velloran.exe\" \"C:\\My Pictures\\a b.png\"", "C:\\My Pictures\\a b.png" },
        { "Velloran.exe   C:\\My Pictures\\a b.png  ", "C:\\My Pictures\\a b.png" },
        { "c:\\program files\\velloran\\velloran.exe C:\\x y.tga", "C:\\x y.tga" },
        { "\"C:\\Program Files\\Velloran\\Velloran.exe\"", "" },
        { "Velloran.exe   ", "" },
        { tooLong, NULL },
    };
    for (const auto &c : cases) {
        char file[MAX_PATH];
        memset(file, 0xA5, sizeof file);
        bool found = CommandLineFile(c.line.c_str(), "C:\\Program Files\\Velloran\\Velloran.exe", file, sizeof file);
        EXPECT_EQ(found, c.file != NULL) << c.line;
        if (found && c.file) {
            EXPECT_STREQ(c.file, file) << c.line;
        }
    }
}

// Trailing backslashes go, but not a root's; the parent is what comes
// before the last backslash, and a bare name has none.
TEST(UninstallPaths, TrailingBackslashesAndTheParentDirectory)
{
    char dir[32] = "C:\\Apps\\Velloran\\\\";
    TrimTrailingBackslashes(dir);
    EXPECT_STREQ("C:\\Apps\\Velloran", dir);
    char root[8] = "C:\\";
    TrimTrailingBackslashes(root);
    EXPECT_STREQ("C:\\", root);
    ASSERT_TRUE(ParentDirectory("C:\\Apps\\uninstall.exe", dir, sizeof dir));
    EXPECT_STREQ("C:\\Apps", dir);
    EXPECT_FALSE(ParentDirectory("uninstall.exe", dir, sizeof dir));
}

TEST(UninstallPaths, WinIniEntryMustStartThisViewer)
{
    const char *viewer = "C:\\Programs\\Velloran\\Velloran.exe";
    const struct {
        const char *entry, *program;
        bool names;
    } cases[] = {
        { "C:\\Programs\\Velloran\\Velloran.exe ^.bmp", viewer, true },
        { "c:\\PROGRAMS\\velloran\\VELLORAN.EXE ^.tiff", viewer, true },
        { "\"C:\\Programs\\Velloran\\Velloran.exe\" ^.gif", viewer, true },
        { "C:\\Programs\\Velloran\\Velloran.exe", viewer, true },
        { "C:\\Programs\\Velloran\\Velloran.exe2 ^.bmp", viewer, false },
        { "C:\\Other\\Velloran\\Velloran.exe ^.bmp", viewer, false },
        { "mspaint.exe ^.bmp", viewer, false },
        { "", viewer, false },
        { "anything", "", false },
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.names, EntryNamesProgram(c.entry, c.program)) << c.entry;
}

TEST(UninstallPaths, NotedWinIniKeysAreWholeWords)
{
    const struct {
        const char *list, *word;
        bool has;
    } cases[] = {
        { "png tif", "tif", true }, { "png tif", "png", true }, { "tiff jpeg", "tif", false },
        { "tiff jpeg", "jpg", false }, { "", "bmp", false },
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.has, ListHasWord(c.list, c.word)) << c.list << " / " << c.word;
}

// The copy's arguments, and "/S" alone, from a tool, or after the copy's
// arguments when the original was quiet; anything else is a normal start.
TEST(RelaunchArguments, TheCopysArgumentsAndSlashSAreReadAndNothingElse)
{
    const std::string tooLong = "/original \"C:\\" + std::string(MAX_PATH, 'a') + "\" /wait 1";
    const struct {
        std::string tail;
        bool quiet, isCopy;
    } cases[] = {
        { "/S",                                      true,  false },
        { "  /s  ",                                  true,  false },
        { "/original \"C:\\x y.exe\" /wait 1234",    false, true  },
        { "/original \"C:\\x y.exe\" /wait 1234 /S", true,  true  },
        { "/S /D=C:\\Velloran",                      false, false },
        { "/Silent",                                 false, false },
        { "/original \"C:\\x.exe\" /wait 12 /S /S",  false, false },
        { "/original \"C:\\x.exe\" /wait 12 /Sx",    false, false },
        { "",                                        false, false },
        { "/original",                               false, false },
        { "/original C:\\unquoted.exe /wait 12",     false, false },
        { "/original \"C:\\x.exe\"",                 false, false },
        { "/original \"C:\\x.exe\" /wait",           false, false },
        { "/original \"C:\\x.exe\" /wait 12x",       false, false },
        { "/original \"C:\\x.exe\" /wait 12345678901", false, false },
        { "/original \"C:\\x.exe\" /wait 12 more",   false, false },
        { "/original \"\" /wait 12",                 false, false },
        { "/originalx \"C:\\x.exe\" /wait 12",       false, false },
        { tooLong,                                   false, false },
    };
    for (const auto &row : cases) {
        RelaunchArguments arguments;
        memset(&arguments, 0xA5, sizeof arguments);
        ParseRelaunchArguments(row.tail.c_str(), &arguments);
        EXPECT_EQ(row.quiet, arguments.quiet) << row.tail;
        EXPECT_EQ(row.isCopy, arguments.isCopy) << row.tail;
        EXPECT_STREQ(row.isCopy ? "C:\\x y.exe" : "", arguments.originalPath) << row.tail;
        if (row.isCopy) {
            EXPECT_EQ(1234u, arguments.originalProcessId) << row.tail;
        }
    }
}

TEST(RelaunchArguments, CommandLineTailFollowsTheProgramName)
{
    EXPECT_STREQ("/wait 1", CommandLineTail("\"C:\\Program Files\\uninstall.exe\"  /wait 1"));
    EXPECT_STREQ("/wait 1", CommandLineTail("uninstall.exe /wait 1"));
    EXPECT_STREQ("", CommandLineTail("uninstall.exe"));
}

// What the original composes for its copy, the copy reads back.
TEST(RelaunchArguments, TheCopysCommandLineReadsBackAsComposed)
{
    const struct { const wchar_t *original; DWORD processId; bool quiet; size_t size; bool fits; } cases[] = {
        { L"C:\\Program Files\\Velloran\\uninstall.exe", 1234,        false, 256, true  },
        { L"C:\\V\\uninstall.exe",                    4294967295u, true,  256, true  },
        // "C:\T\uninstall.exe" /original "C:\V\u.exe" /wait 7 /S: 54 and the NUL.
        { L"C:\\V\\u.exe",                            7,           true,  55,  true  },
        { L"C:\\V\\u.exe",                            7,           true,  54,  false },
    };
    for (const auto &row : cases) {
        wchar_t line[256];
        ASSERT_EQ(row.fits, ComposeCopyCommandLine(L"C:\\T\\uninstall.exe", row.original, row.processId, row.quiet,
                                                   line, row.size)) << row.size;
        if (!row.fits)
            continue;
        char narrow[256], original[MAX_PATH];
        WideCharToMultiByte(CP_ACP, 0, line, -1, narrow, sizeof narrow, NULL, NULL);
        WideCharToMultiByte(CP_ACP, 0, row.original, -1, original, sizeof original, NULL, NULL);
        RelaunchArguments arguments;
        ParseRelaunchArguments(CommandLineTail(narrow), &arguments);
        EXPECT_TRUE(arguments.isCopy) << narrow;
        EXPECT_EQ(row.quiet, arguments.quiet) << narrow;
        EXPECT_STREQ(original, arguments.originalPath) << narrow;
        EXPECT_EQ(row.processId, arguments.originalProcessId) << narrow;
    }
}

TEST(UninstallPaths, AProgdirThatIsNoPlainFullPathIsRefused)
{
    const char *refused[] = { "C:\\", "C:", "Velloran", "C:\\Velloran\\..", "C:\\Velloran\\.\\x", "C:\\a\\\\b" };
    for (const char *dir : refused) {
        Installation installation = {};
        lstrcpynA(installation.programDir, dir, UNINSTALL_PATH_SIZE);
        RefuseUnplainProgramDir(&installation);
        EXPECT_STREQ("", installation.programDir) << dir;
        EXPECT_STREQ(dir, installation.refusedProgramDir);
    }
    Installation installation = {};
    lstrcpynA(installation.programDir, "C:\\Program Files\\Velloran", UNINSTALL_PATH_SIZE);
    RefuseUnplainProgramDir(&installation);
    EXPECT_STREQ("C:\\Program Files\\Velloran", installation.programDir);
    EXPECT_STREQ("", installation.refusedProgramDir);
}

TEST(SelfDeletion, CmdRunsWithoutTheUsersSettingsAndDeletesTheCopysFiles)
{
    wchar_t line[1024];
    ASSERT_TRUE(ComposeSelfDeletionCommand(L"C:\\windows\\system32", L"C:\\T\\V-1\\uninstall.exe",
                                           L"C:\\T\\V-1\\original-uninstall.exe", L"C:\\T\\V-1", line, 1024));
    EXPECT_STREQ(L"\"C:\\windows\\system32\\cmd.exe\" /D /V:OFF /c \"\"C:\\windows\\system32\\ping.exe\" -n 3 "
                 L"127.0.0.1 >nul & del /f /q \"C:\\T\\V-1\\uninstall.exe\" & del /f /q "
                 L"\"C:\\T\\V-1\\original-uninstall.exe\" & rd \"C:\\T\\V-1\"\"", line);
    ASSERT_TRUE(ComposeSelfDeletionCommand(L"C:\\windows\\system32", L"C:\\T\\uninstall.exe", L"", L"", line, 1024));
    EXPECT_EQ(NULL, wcsstr(line, L" rd ")) << "no folder, no rd";
}

TEST(SelfDeletion, APercentSignAQuoteOrALineTooLongIsRefused)
{
    const wchar_t *refused[][3] = {
        { L"C:\\T\\%COMSPEC%\\uninstall.exe", L"", L"" },
        { L"C:\\T\\uninstall.exe", L"C:\\T\\100%\\original-uninstall.exe", L"" },
        { L"C:\\T\\uninstall.exe", L"", L"C:\\T\\%TEMP%" },
        { L"C:\\T\\\"x\\uninstall.exe", L"", L"" },
    };
    wchar_t line[1024];
    for (const auto &paths : refused) {
        EXPECT_FALSE(ComposeSelfDeletionCommand(L"C:\\windows\\system32", paths[0], paths[1], paths[2], line, 1024))
            << paths[0] << paths[1] << paths[2];
        EXPECT_STREQ(L"", line);
    }
    EXPECT_FALSE(ComposeSelfDeletionCommand(L"C:\\windows\\system32", L"C:\\T\\uninstall.exe", L"", L"", line, 40));
}

class ClosingMessage : public ::testing::Test {
protected:
    void SetUp() override
    {
        memset(&report_, 0, sizeof report_);
        memset(&installation_, 0, sizeof installation_);
        lstrcpynA(installation_.programDir, "C:\\Programs\\Velloran", UNINSTALL_PATH_SIZE);
        lstrcpynA(installation_.shortcutDir, "C:\\Start Menu\\Velloran", UNINSTALL_PATH_SIZE);
    }
    std::string Compose()
    {
        char text[UNINSTALL_MESSAGE_SIZE];
        memset(text, 0xA5, sizeof text);
        EXPECT_TRUE(ComposeReport(&report_, &installation_, text, sizeof text));
        return text;
    }
    RemovalReport report_;
    Installation installation_;
};

// What each report says first, what it says anywhere, and what it never says;
// and its exit code: files the user added kept is a success, files in use
// want a restart, and anything of ours left behind is a failure.
TEST_F(ClosingMessage, EachReportCountsWhatWentAndNamesWhatStayed)
{
    const struct {
        void (*fill)(RemovalReport *report);
        const char *heading;
        std::vector<const char *> said, unsaid;
        int exitCode;
    } cases[] = {
        { [](RemovalReport *r) {
              r->filesRemoved = 79; r->foldersRemoved = 4; r->shortcutsRemoved = 3; r->keysRemoved = 3;
              r->linksReleased = 1; r->winIniEntriesRemoved = 11;
          },
          "Velloran has been removed from this computer.",
          { "79 program files, 4 folders, 3 shortcuts, 3 registry keys, 1 file type link and 11 WIN.INI entries." },
          { "not removed", "left behind" }, EXIT_DONE },
        { [](RemovalReport *r) { r->programDirKept = true; r->itemsLeft = 2; r->shortcutDirKept = true; },
          "Velloran has been removed from this computer, with some things left behind.",
          { "The program folder C:\\Programs\\Velloran was not removed: it still holds 2 items that Velloran did "
            "not install (files you added)." },
          {}, EXIT_DONE },
        { [](RemovalReport *r) {
              r->programDirMissing = true; r->filesScheduled = 1; r->filesFailed = 2; r->shortcutDirKept = true;
          },
          NULL,
          { "The program folder C:\\Programs\\Velloran was already gone.",
            "1 file is in use and will be removed when Windows restarts.", "Could not be removed: 2 program files.",
            "The shortcut folder C:\\Start Menu\\Velloran was not removed" },
          {}, EXIT_FAILED },
        { [](RemovalReport *r) {
              r->filesRemoved = 79; r->keysRemoved = 5; r->shortcutsFailed = 1; r->keysFailed = 1;
              r->winIniEntriesFailed = 2;
          },
          "Velloran has been removed from this computer, with some things left behind.",
          { "Could not be removed: 1 shortcut, 1 registry key and 2 WIN.INI entries." },
          {}, EXIT_FAILED },
        { [](RemovalReport *r) { r->filesRemoved = 79; r->shortcutsFailed = 1; r->linksFailed = 3; },
          NULL, { "Could not be removed: 1 shortcut and 3 file type links." }, {}, EXIT_FAILED },
        { [](RemovalReport *r) { r->filesRemoved = 77; r->filesScheduled = 2; },
          NULL, { "2 files are in use and will be removed when Windows restarts." }, { "Could not be removed" },
          EXIT_REBOOT_REQUIRED },
        { [](RemovalReport *r) { r->programDirRefused = true; },
          "Velloran has not been removed from this computer.", {}, { "Removed:" }, EXIT_FAILED },
    };
    for (const auto &c : cases) {
        memset(&report_, 0, sizeof report_);
        c.fill(&report_);
        std::string text = Compose();
        if (c.heading) {
            EXPECT_EQ(0u, text.find(c.heading)) << text;
        }
        for (const char *part : c.said)
            EXPECT_NE(std::string::npos, text.find(part)) << text;
        for (const char *part : c.unsaid)
            EXPECT_EQ(std::string::npos, text.find(part)) << text;
        EXPECT_NE('\n', text[text.size() - 1]);
        EXPECT_EQ(c.exitCode, RemovalExitCode(&report_)) << text;
    }
}

TEST_F(ClosingMessage, ASmallBufferIsNeverOverrun)
{
    char text[40];
    memset(text, 0xA5, sizeof text);
    EXPECT_FALSE(ComposeReport(&report_, &installation_, text, 30));
    EXPECT_LT(strlen(text), 30u);
    for (size_t i = 30; i < sizeof text; ++i)
        EXPECT_EQ((char)0xA5, text[i]);
}

}  // namespace
