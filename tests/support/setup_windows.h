// What the tests know of the setup's windows: the captions of its pages and
// message boxes, what the boxes say, and the entries of its folder list. The
// control and resource ids are the setup's own, from resources/resource.h.
// Texts are the program's exactly, spelling included.
#pragma once
#include "resources/resource.h"

// ---- Pages (dialog class "#32770") ----------------------------------------

constexpr char AGREEMENT_PAGE[] = "Velloran - Agreement";
constexpr char DIRECTORY_PAGE[] = "Velloran - Setup directory";
constexpr char COPY_PAGE[]      = "Velloran - Decompressing status";
constexpr char SHORTCUT_PAGE[]  = "Velloran - Start menu - shortcuts";

// The folder list's entry that goes up one folder; the new folder's entry is
// the new folder name itself.
constexpr char UP_ENTRY[] = "........";

// ---- Message boxes --------------------------------------------------------

constexpr char QUESTION[]        = "Question";
constexpr char CONFIRMATION[]    = "Confirmation";
constexpr char WARNING_CAPTION[] = "Warning";
// A box without a caption of its own shows the system's.
constexpr char ERROR_CAPTION[]   = "Error";
constexpr char SUCCESS_CAPTION[] = "Setup";
constexpr char CANCELLED[]       = "Setup canceled";
constexpr char SETUP_ERROR[]     = "Setup error";

constexpr char CANCEL_QUESTION[]      = "Are you sure you want to cancel the setup?";
constexpr char COPY_CANCEL_QUESTION[] = "Are you sure you want to cancel the setup?\nAll installed files will be removed.";
constexpr char DIRECTORY_EXISTS_QUESTION[] =
    "Directory allready exsist or disk isn't writeable.\nContinue with installation anyway";
constexpr char NO_NAME_WARNING[]       = "You forget to select a directory";
constexpr char UNUSABLE_NAME_WARNING[] = "Windows can't make a folder named \"";   // then the name
constexpr char COPY_FAILURE_START[]    = "Unable to copy a file:";
constexpr char PROGRAM_WILL_EXIT[]     = "Program will exit";
constexpr char SHORTCUT_CANCEL_QUESTION[] = "Cancel creating the shortcuts?";
constexpr char SUCCESS_MESSAGE[]       = "Velloran was successfully installed";
constexpr char SETUP_ERROR_START[]     = "An error was ocured.";

// ---- The uninstaller it installs -------------------------------------------

constexpr char UNINSTALL_CAPTION[] = "Velloran Uninstall";
