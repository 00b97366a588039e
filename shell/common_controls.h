// comctl32.dll, loaded by hand: it is not one of the KnownDLLs, so an
// ordinary import would be looked for beside the setup before WinMain could
// restrict the DLL search to the system directory.
#pragma once
#include <windows.h>
#include <commctrl.h>

// Loads the DLL from the system (version 6, as the manifest asks) and
// registers the list view classes. False if either fails.
bool LoadCommonControls();

// ImageList_Create and ImageList_ReplaceIcon of the loaded DLL; NULL and -1
// before LoadCommonControls has succeeded.
HIMAGELIST CreateImageList(int width, int height, UINT flags, int initial, int grow);
int ReplaceImageListIcon(HIMAGELIST images, int index, HICON icon);
