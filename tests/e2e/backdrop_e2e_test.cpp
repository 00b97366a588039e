// The backdrop: the setup's picture stretched over the whole screen, whatever
// the screen's size. Run on screens of several sizes (see CMakeLists.txt).
#include "harness.h"

#include <stdio.h>

namespace {

enum {
    BACKDROP_WIDTH  = 800,
    BACKDROP_HEIGHT = 600,
    GRID_COLUMNS    = 24,
    GRID_ROWS       = 18
};

// What a person should see where no page covers the screen: bitmap 250 of
// VelloranSetup.exe stretched from its 800 x 600 pixels to the whole screen.
bool ExpectedBackdrop(int width, int height, ScreenPicture *picture)
{
    HMODULE setup = LoadLibraryExA(SetupExePath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!setup)
        return false;
    HBITMAP bitmap = LoadBitmapA(setup, MAKEINTRESOURCEA(IDB_BACKDROP));
    FreeLibrary(setup);
    if (!bitmap)
        return false;

    bool drawn = DrawPicture(width, height, [&](HDC target, HDC screen) {
        HDC source = CreateCompatibleDC(screen);
        HGDIOBJ previous = SelectObject(source, bitmap);
        SetStretchBltMode(target, COLORONCOLOR);
        bool stretched = StretchBlt(target, 0, 0, width, height, source, 0, 0, BACKDROP_WIDTH, BACKDROP_HEIGHT,
                                    SRCCOPY) != 0;
        SelectObject(source, previous);
        DeleteDC(source);
        return stretched;
    }, picture);
    DeleteObject(bitmap);
    return drawn;
}

// Sample points over the whole screen, its four corners and centre among them.
std::vector<POINT> SamplePoints(int width, int height)
{
    std::vector<POINT> points;
    for (int row = 0; row <= GRID_ROWS; ++row)
        for (int column = 0; column <= GRID_COLUMNS; ++column)
            points.push_back({ (width - 1) * column / GRID_COLUMNS, (height - 1) * row / GRID_ROWS });
    points.push_back({ width / 2, height / 2 });
    return points;
}

bool CoveredByAnyOf(const std::vector<RECT> &rects, POINT point)
{
    for (const RECT &rect : rects)
        if (PtInRect(&rect, point))
            return true;
    return false;
}

std::string Hex(DWORD colour)
{
    char text[16];
    snprintf(text, sizeof(text), "#%06lX", (unsigned long)colour);
    return text;
}

class Backdrop : public SetupScenario {};

TEST_F(Backdrop, PictureFillsTheWholeScreen)
{
    const int width  = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    ScreenPicture expected;
    ASSERT_TRUE(ExpectedBackdrop(width, height, &expected)) << "cannot draw bitmap 250 of " << SetupExePath();

    ASSERT_NO_FATAL_FAILURE(StartSetupIn());
    HWND main = WaitForWindow(NULL, "SETUP", setup_.processId, WINDOW_TIMEOUT_MS);
    ASSERT_NE(main, (HWND)NULL);
    // Once the first page shows, the backdrop has been painted behind it.
    HWND page = WaitForPage(AGREEMENT_PAGE);
    ASSERT_NE(page, (HWND)NULL);

    // Only the places where no other window of the setup lies are compared.
    std::vector<RECT> covered;
    for (HWND window : TopLevelWindows(setup_.processId)) {
        RECT rect;
        if (window != main && GetWindowRect(window, &rect))
            covered.push_back(rect);
    }
    std::vector<POINT> points;
    int coloured = 0;
    for (POINT point : SamplePoints(width, height)) {
        if (CoveredByAnyOf(covered, point))
            continue;
        points.push_back(point);
        if (expected.At(point.x, point.y) != 0)
            ++coloured;
    }
    ASSERT_GE(points.size(), 200u);
    // The class background is black: the comparison can tell the two apart
    // only where the picture itself is not black.
    ASSERT_GT(coloured, (int)points.size() * 3 / 4) << "the picture is mostly black";

    // The X server shows what Wine drew a moment later: compare until the
    // screen matches, or the wait is over.
    ScreenPicture shown;
    std::vector<std::string> mismatches;
    WaitUntil([&] {
        mismatches.clear();
        if (!CaptureScreen(&shown) || shown.width != width || shown.height != height) {
            mismatches.push_back("the screen was not captured at " + std::to_string(width) + "x" +
                                 std::to_string(height));
            return true;
        }
        for (POINT point : points) {
            DWORD want = expected.At(point.x, point.y), got = shown.At(point.x, point.y);
            if (want != got)
                mismatches.push_back("(" + std::to_string(point.x) + "," + std::to_string(point.y) + ") shows " +
                                     Hex(got) + ", picture has " + Hex(want));
        }
        return mismatches.empty();
    }, WINDOW_TIMEOUT_MS, POLL_INTERVAL_MS * 10);

    EXPECT_TRUE(mismatches.empty()) << mismatches.size() << " of " << points.size()
                                    << " points differ, first: " << mismatches.front();
    Screenshot((std::to_string(width) + "x" + std::to_string(height)).c_str());
}

}  // namespace
