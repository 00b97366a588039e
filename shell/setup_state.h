// Process-wide state of the setup: everything that outlives one message
// lives here, named for what it holds. Text buffers are narrow,
// NUL-terminated and sized in characters including the NUL.
#pragma once
#include <windows.h>

enum {
    CLASS_NAME_SIZE   = 10,
    START_DIR_SIZE    = 512,
    PATH_BUFFER_SIZE  = 2000,
    FOLDER_NAME_SIZE  = 100
};

extern HINSTANCE g_instance;
extern char      g_className[CLASS_NAME_SIZE];
extern HWND      g_mainWindow;
extern UINT_PTR  g_stepTimer;

extern int       g_screenWidth;
extern int       g_screenHeight;
extern char      g_startDir[START_DIR_SIZE];

// Chosen on the directory page; read by the copy, shortcut and registration code.
extern char      g_installDir[PATH_BUFFER_SIZE];
extern char      g_newFolderName[FOLDER_NAME_SIZE];
// Whether the directory page made the install directory (the copy journal
// records it, so that undoing a stopped run removes it again).
extern bool      g_installDirMade;

// While the shortcut page is open its browse path; from "Finish" on the
// folder that receives the shortcuts.
extern char      g_shortcutFolder[PATH_BUFFER_SIZE];

// From the command line (shell/command_line.h): a run without a window, the
// install folder named (empty when none was), and image types left alone.
extern bool      g_silent;
extern char      g_chosenInstallDir[PATH_BUFFER_SIZE];
extern bool      g_leaveImageTypes;
// A file this run replaced goes only when Windows restarts (a running viewer's).
extern bool      g_restartNeeded;

// Every folder the setup makes, from the install directory to the shortcut
// folder, is made with these: the program folders' protected DACL
// (common/folder_security.h), built when the program starts.
extern SECURITY_ATTRIBUTES g_dirSecurity;
