// Every text of the four pages fits on one line of its control, in the
// page's own font: the real templates are created and each static text,
// button and check box is measured.
#include "resources/resource.h"
#include "shell/common_controls.h"
#include "shell/setup_state.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

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

struct Control {
    std::string className;
    std::string text;
    LONG style;
    RECT client;
    SIZE extent;   // of the text in the page's font
};

BOOL CALLBACK CollectControl(HWND child, LPARAM lParam)
{
    Control control;
    char name[TEXT_SIZE] = "", text[TEXT_SIZE] = "";
    GetClassNameA(child, name, TEXT_SIZE);
    GetWindowTextA(child, text, TEXT_SIZE);
    control.className = name;
    control.text = text;
    control.style = GetWindowLongA(child, GWL_STYLE);
    GetClientRect(child, &control.client);
    HDC dc = GetDC(child);
    HGDIOBJ previous = SelectObject(dc, (HFONT)SendMessageA(child, WM_GETFONT, 0, 0));
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &control.extent);
    SelectObject(dc, previous);
    ReleaseDC(child, dc);
    ((std::vector<Control> *)lParam)->push_back(control);
    return TRUE;
}

// The width the control's text needs, in pixels, without its spare.
LONG NeededWidth(const Control &control)
{
    LONG kind = control.style & BS_TYPEMASK;
    if (lstrcmpiA(control.className.c_str(), "Button") != 0)
        return control.extent.cx;
    if (kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX)
        return GetSystemMetrics(SM_CXMENUCHECK) + CHECK_GAP + control.extent.cx;
    return control.extent.cx + 2 * BUTTON_MARGIN;
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
        std::vector<Control> controls;
        EnumChildWindows(dialog, CollectControl, (LPARAM)&controls);
        int measured = 0;
        for (const Control &control : controls) {
            bool textual = lstrcmpiA(control.className.c_str(), "Static") == 0 ||
                           lstrcmpiA(control.className.c_str(), "Button") == 0;
            if (!textual || control.text.empty())
                continue;
            ++measured;
            LONG needed = NeededWidth(control) + control.extent.cx * SPARE_PERCENT / 100;
            EXPECT_LE(needed, control.client.right)
                << page.name << ": \"" << control.text << "\" needs " << needed << " pixels, has "
                << control.client.right;
            EXPECT_LE(control.extent.cy, control.client.bottom)
                << page.name << ": \"" << control.text << "\" is " << control.extent.cy << " pixels high, has "
                << control.client.bottom;
        }
        EXPECT_EQ(page.measured, measured) << page.name;

        std::vector<int> tabOrder;
        std::vector<std::string> shown;
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (GetWindowLongA(child, GWL_STYLE) & WS_TABSTOP)
                tabOrder.push_back(GetDlgCtrlID(child));
            char kind[TEXT_SIZE] = "", label[TEXT_SIZE] = "";
            GetWindowTextA(child, label, TEXT_SIZE);
            if (label[0] && (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE))
                shown.push_back(label);
            GetClassNameA(child, kind, TEXT_SIZE);
            if (lstrcmpiA(kind, "Edit") && lstrcmpiA(kind, "ComboBox") && lstrcmpiA(kind, "SysListView32"))
                continue;
            HWND previous = GetWindow(child, GW_HWNDPREV);
            GetClassNameA(previous, kind, TEXT_SIZE);
            GetWindowTextA(previous, label, TEXT_SIZE);
            EXPECT_TRUE(lstrcmpiA(kind, "Static") == 0 && label[0]) << page.name << " " << GetDlgCtrlID(child);
        }
        EXPECT_EQ(tabOrder, page.tabOrder) << page.name;
        EXPECT_EQ(shown, page.shown) << page.name;
        DestroyWindow(dialog);
    }
}

}  // namespace
