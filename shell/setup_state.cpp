#include "shell/setup_state.h"

HINSTANCE g_instance;
char      g_className[CLASS_NAME_SIZE];
HWND      g_mainWindow;
UINT_PTR  g_stepTimer;

int       g_screenWidth;
int       g_screenHeight;
char      g_startDir[START_DIR_SIZE];

char      g_installDir[PATH_BUFFER_SIZE];
char      g_newFolderName[FOLDER_NAME_SIZE] = "Velloran";
bool      g_installDirMade;

char      g_shortcutFolder[PATH_BUFFER_SIZE];

bool      g_silent;
char      g_chosenInstallDir[PATH_BUFFER_SIZE];
bool      g_leaveImageTypes;
bool      g_restartNeeded;

SECURITY_ATTRIBUTES g_dirSecurity = { sizeof(SECURITY_ATTRIBUTES), NULL, FALSE };
