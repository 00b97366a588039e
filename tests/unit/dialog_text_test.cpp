// Every text of the four pages fits on one line of its control, in the
// page's own font: the real templates are created and each static text,
// button and check box is measured.
#include "resources/resource.h"
#include "shell/common_controls.h"
#include "shell/setup_state.h"
#include "win_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

enum {
    TEXT_SIZE = 256,
    // A push button's edges and focus rectangle, in pixels on either side.
    BUTTON_MARGIN = 4,
    // Between a check box's square and its text.
    CHECK_GAP = 4,
    // Spare width every text keeps, in percent of its own width: Windows'
    // own "MS Sans Serif" sets some words wider than the font measured
    // here, relative to the dialog unit.
    SPARE_PERCENT = 10
};

// The width and height the control's text takes in its own font; the width
// with a push button's margins or a check box's square, and the spare.
SIZE NeededSize(HWND control, const char *className, const char *text)
{
    SIZE extent;
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, (HFONT)SendMessageA(control, WM_GETFONT, 0, 0));
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    LONG kind = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK, textWidth = extent.cx;
    if (lstrcmpiA(className, "Button") == 0)
        extent.cx += kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX ? GetSystemMetrics(SM_CXMENUCHECK) + CHECK_GAP
                                                                     : 2 * BUTTON_MARGIN;
    extent.cx += textWidth * SPARE_PERCENT / 100;
    return extent;
}

// Every text of the page fits on one line of its control. Screen readers
// name an edit, combo box or list by the static just before it; the tab
// stops follow the reading order. The labels given to controls that show
// none stay hidden: the pages show the texts they always showed.
TEST(DialogTexts, EveryTextFitsAndEveryInputIsNamedByItsLabelAndTabbedInReadingOrder)
{
    struct Page { const char *name; int measured; std::vector<int> tabOrder; std::vector<std::string> shown; };
    // The texts measured count the hidden labels.
    const Page pages[] = {
        { "IDD_AGREEMENT", 3, { IDOK, IDCANCEL, IDC_LICENCE_TEXT },
          { "I Agree", "Cancel", "To continue with installation you must accept this agreement." } },
        { "IDD_DIR", 6, { IDC_DIR_FOLDER_NAME, IDC_DIR_DRIVES, IDC_DIR_PREVIEW, IDC_DIR_FOLDER_LIST, IDOK, IDCANCEL },
          { "Install in directory:", "Install in drive:", "Next", "Cancel" } },
        { "IDD_COPY", 1, { IDCANCEL }, { "Cancel" } },
        { "IDD_SHORTCUT", 5, { IDC_SC_REGISTER_TYPES, IDC_SC_PREVIEW, IDC_SC_FOLDER_LIST, IDOK, IDCANCEL },
          { "Register extension(*.bmp..i.e) with Velloran", "Create a shortcuts on the Start menu.", "Finish",
            "Cancel" } },
    };
    g_instance = GetModuleHandleA(NULL);
    ASSERT_TRUE(LoadCommonControls());
    for (const Page &page : pages) {
        HWND dialog = CreateDialogParamA(g_instance, page.name, NULL, QuietDialogProc, 0);
        ASSERT_NE((HWND)NULL, dialog) << page.name;
        int measured = 0;
        std::vector<int> tabOrder;
        std::vector<std::string> shown;
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char kind[TEXT_SIZE] = "", label[TEXT_SIZE] = "";
            GetClassNameA(child, kind, TEXT_SIZE);
            GetWindowTextA(child, label, TEXT_SIZE);
            if (GetWindowLongA(child, GWL_STYLE) & WS_TABSTOP)
                tabOrder.push_back(GetDlgCtrlID(child));
            if (label[0] && (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE))
                shown.push_back(label);
            if (label[0] && (lstrcmpiA(kind, "Static") == 0 || lstrcmpiA(kind, "Button") == 0)) {
                ++measured;
                SIZE needed = NeededSize(child, kind, label);
                RECT client;
                GetClientRect(child, &client);
                EXPECT_LE(needed.cx, client.right)
                    << page.name << ": \"" << label << "\" needs " << needed.cx << " pixels, has " << client.right;
                EXPECT_LE(needed.cy, client.bottom)
                    << page.name << ": \"" << label << "\" is " << needed.cy << " pixels high, has " << client.bottom;
            }
            if (lstrcmpiA(kind, "Edit") && lstrcmpiA(kind, "ComboBox") && lstrcmpiA(kind, "SysListView32"))
                continue;
            HWND previous = GetWindow(child, GW_HWNDPREV);
            GetClassNameA(previous, kind, TEXT_SIZE);
            GetWindowTextA(previous, label, TEXT_SIZE);
            EXPECT_TRUE(lstrcmpiA(kind, "Static") == 0 && label[0]) << page.name << " " << GetDlgCtrlID(child);
        }
        EXPECT_EQ(page.measured, measured) << page.name;
        EXPECT_EQ(tabOrder, page.tabOrder) << page.name;
        EXPECT_EQ(shown, page.shown) << page.name;
        DestroyWindow(dialog);
    }
}

}  // namespace
