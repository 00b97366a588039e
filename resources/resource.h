// Resource and control ids of the setup, grouped by kind.
#pragma once

// Strings
#define IDS_LICENCE            189
#define IDS_CLASS_NAME         301

// Icons
#define IDI_VELLORAN           200
#define IDI_FOLDER             201
#define IDI_FOLDER_UP          202
#define IDI_FOLDER_NEW         203

// Bitmaps
#define IDB_PAGE_PICTURE       206
// The page picture drawn again at 125, 150, 200 and 250 % display scaling
#define IDB_PAGE_PICTURE_125   216
#define IDB_PAGE_PICTURE_150   217
#define IDB_PAGE_PICTURE_200   218
#define IDB_PAGE_PICTURE_250   219
#define IDB_BACKDROP           250

// Main window command
#define IDM_QUIT_SETUP         300

// Agreement page
#define IDC_LICENCE_TEXT       199

// Directory page
#define IDC_DIR_PICTURE_FRAME  205
#define IDC_DIR_FOLDER_NAME    207
#define IDC_DIR_PREVIEW        208
#define IDC_DIR_FOLDER_LIST    209
#define IDC_DIR_DRIVES         213

// Shortcut page
#define IDC_SC_REGISTER_TYPES  101
#define IDC_SC_PICTURE_FRAME   204
#define IDC_SC_PREVIEW         211
#define IDC_SC_FOLDER_LIST     212

// Copy page
#define IDC_COPY_PROGRESS      214
