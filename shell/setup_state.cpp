#include "shell/setup_state.h"

HINSTANCE g_instance;
char      g_className[CLASS_NAME_SIZE];
HWND      g_mainWindow;
UINT_PTR  g_stepTimer;

int       g_screenWidth;
int       g_screenHeight;
char      g_startDir[START_DIR_SIZE];
COLORREF  g_eraseColour;
HBRUSH    g_remainderBrush;

char      g_installDir[PATH_BUFFER_SIZE];
char      g_newFolderName[FOLDER_NAME_SIZE] = "Velloran";
bool      g_installDirMade;

char      g_shortcutFolder[PATH_BUFFER_SIZE];

HBITMAP             g_pagePicture;
SECURITY_ATTRIBUTES g_dirSecurity;
