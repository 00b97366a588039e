// Velloran.exe driven as a user would: started on a picture (as Explorer
// does, through its command line), through File > Open, and on files it
// cannot show; what it shows is read back from the screen.
#include "payload/velloran/resource.h"
#include "test_support.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <string>

namespace {

const char kViewerClass[] = "VelloranViewer";
const char kDialogClass[] = "#32770";
const DWORD kBackground = 0x404040;  // what the viewer shows around a picture
const char kRecentFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32";

// HALFTONE stretching may round a plain colour by a step; JPEG more.
#define check_colour(picture, x, y, ...) check_colour_(__LINE__, picture, x, y, __VA_ARGS__)
void check_colour_(int line, const ScreenPicture &picture, int x, int y, DWORD expected, int tolerance = 2)
{
    ASSERT_TRUE(x >= 0 && y >= 0 && x < picture.width && y < picture.height) << "from line " << line;
    EXPECT_TRUE(Near(picture.At(x, y), expected, tolerance))
        << "pixel " << x << "," << y << " is " << std::hex << picture.At(x, y) << ", expected " << expected
        << std::dec << " (from line " << line << ")";
}

class Viewer : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = MakeTempFolder("Velloran viewer ");
        ASSERT_FALSE(folder_.empty());
        pictures_ = folder_ + "\\My Pictures";
        ASSERT_TRUE(CreateDirectoryA(pictures_.c_str(), NULL));
    }
    void TearDown() override
    {
        if (window_ && IsWindow(window_))
            PostMessageA(window_, WM_CLOSE, 0, 0);
        if (viewer_.process)
            WaitForExit(viewer_.process, EXIT_TIMEOUT);
        EndProcess(&viewer_.process, viewer_.id);
        RemoveTree(folder_);
        if (restoreRecentFolders_)
            PutKeyState(HKEY_CURRENT_USER, kRecentFoldersKey, recentFolders_);
    }

    void Start(const std::string &tail)
    {
        ASSERT_TRUE(StartProcess(ToWindowsPath(VELLORAN_EXE), tail, "", SW_SHOWNORMAL, &viewer_.process, &viewer_.id));
    }
    void WaitForViewer(const char *title)
    {
        window_ = WaitForWindow(NULL, kViewerClass, viewer_.id, WINDOW_TIMEOUT);
        ASSERT_TRUE(window_ != NULL) << "no viewer window";
        ASSERT_TRUE(WaitForText(window_, title, WINDOW_TIMEOUT)) << "title is \"" << WindowText(window_) << "\"";
    }
    // The screen needs a moment after the title changes to show the new picture.
    void CaptureWhenDrawn(ScreenPicture *picture, int x, int y, DWORD expected)
    {
        bool captured = true;
        WaitUntil([&] {
            UpdateWindow(window_);
            captured = CaptureClient(window_, picture);
            return !captured || (picture->At(x, y) & 0xFFFFFF) == expected;
        }, WINDOW_TIMEOUT);
        ASSERT_TRUE(captured);
    }
    // One of the pictures of tests/payload_programs/make_test_pictures.sh as
    // shown: red, lime over blue, yellow, fitted and centred; checked near
    // each quadrant's middle, where JPEG keeps the colour, just inside its
    // outer corner, and beside the picture, where the background shows.
    void ExpectQuadrantsShown(int pictureWidth, int pictureHeight, int tolerance)
    {
        RECT client;
        GetClientRect(window_, &client);
        int scale = std::min(client.right * pictureHeight, client.bottom * pictureWidth);
        int width = scale / pictureHeight, height = scale / pictureWidth;
        int left = (client.right - width) / 2, top = (client.bottom - height) / 2;
        const DWORD quadrants[4] = { 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00 };
        ScreenPicture shown;
        ASSERT_NO_FATAL_FAILURE(CaptureWhenDrawn(&shown, left + width / 4, top + height / 4, quadrants[0]));
        for (int k = 0; k < 4; ++k) {
            int right = k % 2, bottom = k / 2;
            check_colour(shown, left + width * (1 + 2 * right) / 4, top + height * (1 + 2 * bottom) / 4,
                         quadrants[k], tolerance);
            check_colour(shown, right ? left + width - 5 : left + 4, bottom ? top + height - 5 : top + 4,
                         quadrants[k], tolerance);
        }
        const bool besideLeftAndRight = left > 4;
        ASSERT_TRUE(besideLeftAndRight || top > 4) << "the window leaves no room beside the picture";
        for (int after = 0; after < 2; ++after)
            check_colour(shown, besideLeftAndRight ? (after ? left + width + 3 : left - 4) : client.right / 2,
                         besideLeftAndRight ? client.bottom / 2 : (after ? top + height + 3 : top - 4), kBackground);
    }
    // Closed as the user closes it; the handle goes, for the next start.
    void CloseAndExpectExitCodeZero()
    {
        PostMessageA(window_, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, WaitForExit(viewer_.process, EXIT_TIMEOUT));
        EndProcess(&viewer_.process, viewer_.id);
    }
    std::string Picture(const char *name) const { return pictures_ + "\\" + name; }

    std::string folder_, pictures_;
    Program viewer_;
    HWND window_ = NULL;
    KeyState recentFolders_;
    bool restoreRecentFolders_ = false;
};

// Each message names the file and says why; the viewer stays open, empty.
TEST_F(Viewer, AFileThatCannotBeShownGivesAMessageNamingItAndWhy)
{
    const char broken[] = "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR garbage that is not a picture";
    // A 100 x 100 true-colour TGA header with three pixels' worth of data.
    std::vector<BYTE> shortTga = { 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100, 0, 100, 0, 24, 0 };
    shortTga.resize(shortTga.size() + 9, 0x7F);
    const struct {
        const char *name;
        std::vector<BYTE> bytes;   // none: no file
        const char *why;           // NULL: any reason
    } files[] = {
        { "broken picture.png", std::vector<BYTE>(broken, broken + sizeof broken - 1), NULL },
        { "short one.tga", shortTga, "the picture data ends too early." },
        { "not here.png", {}, "the file could not be read." },
    };
    for (const auto &file : files) {
        std::string path = Picture(file.name);
        if (!file.bytes.empty()) {
            ASSERT_TRUE(WriteBytes(path, file.bytes));
        }
        ASSERT_NO_FATAL_FAILURE(Start("\"" + path + "\""));
        HWND box = WaitForWindow("Velloran", kDialogClass, viewer_.id, WINDOW_TIMEOUT);
        ASSERT_TRUE(box != NULL) << "no message box for " << file.name;
        std::string text = MessageBoxText(box), expected = "Velloran cannot open " + path + ": ";
        if (file.why) {
            EXPECT_EQ(expected + file.why, text);
        } else {
            EXPECT_EQ(0u, text.find(expected)) << text;
        }
        ASSERT_TRUE(PressButton(box, IDOK));
        ASSERT_TRUE(WaitForWindowGone(box, WINDOW_TIMEOUT));
        ASSERT_NO_FATAL_FAILURE(WaitForViewer("Velloran"));
        CloseAndExpectExitCodeZero();
    }
}

// The visible edit box, into the HWND that lParam points to.
BOOL CALLBACK FindFileNameEdit(HWND child, LPARAM lParam)
{
    char className[32] = "";
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Edit") != 0 || !IsWindowVisible(child))
        return TRUE;
    *(HWND *)lParam = child;
    return FALSE;
}

// Pictures named with spaces, passed quoted as Explorer passes them, or
// unquoted and taken whole: the viewer's own formats as written here (a
// bottom-up TGA, a binary PPM, a plain PCX) and as other programs wrote them:
// PNG and BMP, a phone photo stored on its side, with the EXIF orientation
// that turns it back. All shown upright, fitted and centred; every layout of
// every format is the decoders' tests' (picture_decoder_test.cpp).
TEST_F(Viewer, PicturesOfEveryFormatAreShownUprightFittedAndCentred)
{
    std::vector<DWORD> quadrants;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x)
            quadrants.push_back(y < 12 ? (x < 16 ? 0xFF0000 : 0x00FF00) : (x < 16 ? 0x0000FF : 0xFFFF00));
    const struct {
        const char *name, *from;   // from: a picture of make_test_pictures.sh
        std::vector<BYTE> bytes;   // else these
        int width, height, tolerance;
        bool quoted;
    } pictures[] = {
        { "upright one.tga", NULL, TgaFile(32, 24, quadrants), 32, 24, 2, true },
        { "upright one.pcx", NULL, PcxFile(32, 24, quadrants), 32, 24, 2, true },
        { "upright one.ppm", NULL, PpmFile(32, 24, quadrants), 32, 24, 2, true },
        { "a drawing.png", "png-plain.colour.png", {}, 32, 24, 2, true },
        { "a drawing.bmp", "bmp-plain.colour.bmp", {}, 32, 24, 2, false },
        { "phone photo.jpg", "jpeg-orientation-6.colour.jpg", {}, 32, 24, 24, true },
    };
    for (const auto &picture : pictures) {
        SCOPED_TRACE(picture.name);
        const std::string path = Picture(picture.name);
        ASSERT_TRUE(picture.from ? CopyFileA((ToolPictureFolder() + "\\" + picture.from).c_str(), path.c_str(), FALSE)
                                 : WriteBytes(path, picture.bytes));
        ASSERT_NO_FATAL_FAILURE(Start(picture.quoted ? "\"" + path + "\"" : path));
        ASSERT_NO_FATAL_FAILURE(WaitForViewer((std::string(picture.name) + " - Velloran").c_str()));
        ExpectQuadrantsShown(picture.width, picture.height, picture.tolerance);
        CloseAndExpectExitCodeZero();
    }
}

// File > Exit then ends the program.
TEST_F(Viewer, FileOpenShowsTheChosenPictureAndFileExitEnds)
{
    // The open dialog remembers the folder; that memory is put back afterwards.
    recentFolders_ = ReadKeyState(HKEY_CURRENT_USER, kRecentFoldersKey);
    restoreRecentFolders_ = true;
    ASSERT_TRUE(WritePng(Picture("chosen one.png"), 30, 30, TwoHalves(30, 30, 0x2080F0, 0x2080F0, true)));
    ASSERT_NO_FATAL_FAILURE(Start(""));
    ASSERT_NO_FATAL_FAILURE(WaitForViewer("Velloran"));

    // File > Open..., as the menu sends it.
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(IDM_FILE_OPEN, 0), 0);
    HWND dialog = WaitForWindow("Open picture", kDialogClass, viewer_.id, WINDOW_TIMEOUT);
    ASSERT_TRUE(dialog != NULL) << "no open dialog";
    HWND edit = NULL;
    EnumChildWindows(dialog, FindFileNameEdit, (LPARAM)&edit);
    ASSERT_TRUE(edit != NULL) << "no file name box";
    std::string path = Picture("chosen one.png");
    SendMessageA(edit, WM_SETTEXT, 0, (LPARAM)path.c_str());
    ASSERT_TRUE(PressButton(dialog, IDOK));

    ASSERT_NO_FATAL_FAILURE(WaitForViewer("chosen one.png - Velloran"));
    RECT client;
    GetClientRect(window_, &client);
    ScreenPicture shown;
    ASSERT_NO_FATAL_FAILURE(CaptureWhenDrawn(&shown, client.right / 2, client.bottom / 2, 0x2080F0));
    check_colour(shown, client.right / 2, client.bottom / 2, 0x2080F0);
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(IDM_FILE_EXIT, 0), 0);
    EXPECT_EQ(0u, WaitForExit(viewer_.process, EXIT_TIMEOUT));
}

}  // namespace
