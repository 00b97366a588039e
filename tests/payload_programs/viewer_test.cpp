// Velloran.exe driven as a user would: started on a picture (as Explorer
// does, through its command line), then shown more through File > Open, and
// on files it cannot show; what it shows is read back from the screen. Every
// layout of every format is the decoders' tests' (picture_decoder_test.cpp):
// here, one start shows each way in and each path through the program.
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

class Viewer : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The open dialog remembers the folder; that memory is put back afterwards.
        recentFolders_ = ReadKeyState(HKEY_CURRENT_USER, kRecentFoldersKey);
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
    // File > Open..., as the menu sends it, and the path typed into the dialog.
    void ChooseThroughFileOpen(const std::string &path)
    {
        PostMessageA(window_, WM_COMMAND, MAKEWPARAM(IDM_FILE_OPEN, 0), 0);
        HWND dialog = WaitForWindow("Open picture", kDialogClass, viewer_.id, WINDOW_TIMEOUT);
        ASSERT_TRUE(dialog != NULL) << "no open dialog";
        HWND edit = NULL;
        EnumChildWindows(dialog, FindFileNameEdit, (LPARAM)&edit);
        ASSERT_TRUE(edit != NULL) << "no file name box";
        SendMessageA(edit, WM_SETTEXT, 0, (LPARAM)path.c_str());
        ASSERT_TRUE(PressButton(dialog, IDOK));
        ASSERT_TRUE(WaitForWindowGone(dialog, WINDOW_TIMEOUT));
    }
    // One of the pictures of tests/payload_programs/make_test_pictures.sh as
    // shown: its four quadrants (top left, top right, bottom left, bottom
    // right), fitted and centred; checked near each quadrant's middle, where
    // JPEG keeps the colour, just inside its outer corner, and beside the
    // picture, where the background shows. The screen needs a moment after
    // the title changes (and a dialog closes) to show the whole new picture.
    void ExpectQuadrantsShown(const DWORD quadrants[4], int tolerance)
    {
        RECT client;
        GetClientRect(window_, &client);
        int scale = std::min(client.right * TOOL_HEIGHT, client.bottom * TOOL_WIDTH);
        int width = scale / TOOL_HEIGHT, height = scale / TOOL_WIDTH;
        int left = (client.right - width) / 2, top = (client.bottom - height) / 2;
        struct Point {
            int x, y;
            DWORD colour;
            int tolerance;
        };
        std::vector<Point> points;
        for (int k = 0; k < 4; ++k) {
            int right = k % 2, bottom = k / 2;
            points.push_back({ left + width * (1 + 2 * right) / 4, top + height * (1 + 2 * bottom) / 4, quadrants[k],
                               tolerance });
            points.push_back({ right ? left + width - 5 : left + 4, bottom ? top + height - 5 : top + 4, quadrants[k],
                               tolerance });
        }
        const bool besideLeftAndRight = left > 4;
        ASSERT_TRUE(besideLeftAndRight || top > 4) << "the window leaves no room beside the picture";
        for (int after = 0; after < 2; ++after)
            points.push_back({ besideLeftAndRight ? (after ? left + width + 3 : left - 4) : client.right / 2,
                               besideLeftAndRight ? client.bottom / 2 : (after ? top + height + 3 : top - 4),
                               kBackground, 2 });
        ScreenPicture shown;
        bool captured = true;
        WaitUntil([&] {
            UpdateWindow(window_);
            captured = CaptureClient(window_, &shown);
            for (const Point &point : points)
                if (captured && !(point.x < shown.width && point.y < shown.height &&
                                  Near(shown.At(point.x, point.y), point.colour, point.tolerance)))
                    return false;
            return true;
        }, WINDOW_TIMEOUT);
        ASSERT_TRUE(captured);
        for (const Point &point : points)
            check_colour(shown, point.x, point.y, point.colour, point.tolerance);
    }
    std::string Picture(const char *name) const { return pictures_ + "\\" + name; }

    std::string folder_, pictures_;
    Program viewer_;
    HWND window_ = NULL;
    KeyState recentFolders_;
};

// Each message names the file and says why; the viewer stays open, empty:
// for a file named on its command line that is not there, and for files
// chosen through File > Open that are not pictures or end too early.
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
        { "not here.png", {}, "the file could not be read." },
        { "broken picture.png", std::vector<BYTE>(broken, broken + sizeof broken - 1), NULL },
        { "short one.tga", shortTga, "the picture data ends too early." },
    };
    for (const auto &file : files) {
        std::string path = Picture(file.name);
        if (!file.bytes.empty()) {
            ASSERT_TRUE(WriteBytes(path, file.bytes));
        }
        if (&file == files) {
            ASSERT_NO_FATAL_FAILURE(Start("\"" + path + "\""));
        } else {
            ASSERT_NO_FATAL_FAILURE(ChooseThroughFileOpen(path));
        }
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
    }
    PostMessageA(window_, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(viewer_.process, EXIT_TIMEOUT));
}

// The first picture named on the command line, quoted as Explorer passes it;
// each further one chosen through File > Open, and drawn in other colours
// than the one before it, so that a picture left on show cannot pass for it.
// A photo stored on its side by a phone, with the EXIF orientation that
// turns it back, read by the imaging component, then pictures of the
// viewer's own decoders: all shown upright, fitted and centred. File > Exit
// then ends.
TEST_F(Viewer, PicturesOpenedEitherWayAreShownUprightFittedAndCentred)
{
    const DWORD colour[4] = { 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00 }, inverse[4] = { 0xFFFFFF, 0, 0, 0xFFFFFF };
    const struct {
        const char *name, *from;   // from: a picture of make_test_pictures.sh
        const DWORD *quadrants;
        int tolerance;
    } pictures[] = {
        { "phone photo.jpg", "jpeg-orientation-6.colour.jpg", colour, 24 },
        { "black and white.pcx", "pcx-im-1bit.inverse.pcx", inverse, 2 },
        { "upright one.tga", "tga-truecolour.colour.tga", colour, 2 },
    };
    for (const auto &picture : pictures) {
        SCOPED_TRACE(picture.name);
        const std::string path = Picture(picture.name);
        ASSERT_TRUE(CopyFileA((ToolPictureFolder() + "\\" + picture.from).c_str(), path.c_str(), FALSE));
        if (&picture == pictures) {
            ASSERT_NO_FATAL_FAILURE(Start("\"" + path + "\""));
        } else {
            ASSERT_NO_FATAL_FAILURE(ChooseThroughFileOpen(path));
        }
        ASSERT_NO_FATAL_FAILURE(WaitForViewer((std::string(picture.name) + " - Velloran").c_str()));
        ExpectQuadrantsShown(picture.quadrants, picture.tolerance);
    }
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(IDM_FILE_EXIT, 0), 0);
    EXPECT_EQ(0u, WaitForExit(viewer_.process, EXIT_TIMEOUT));
}

}  // namespace
