#include "shell/common_controls.h"

typedef BOOL(WINAPI *InitCommonControlsExProc)(const INITCOMMONCONTROLSEX *);
typedef HIMAGELIST(WINAPI *ImageListCreateProc)(int, int, UINT, int, int);
typedef int(WINAPI *ImageListReplaceIconProc)(HIMAGELIST, int, HICON);

static ImageListCreateProc      s_imageListCreate;
static ImageListReplaceIconProc s_imageListReplaceIcon;

bool LoadCommonControls()
{
    HMODULE module = LoadLibraryA("comctl32.dll");
    if (!module)
        return false;
    InitCommonControlsExProc initialize =
        (InitCommonControlsExProc)(void *)GetProcAddress(module, "InitCommonControlsEx");
    s_imageListCreate      = (ImageListCreateProc)(void *)GetProcAddress(module, "ImageList_Create");
    s_imageListReplaceIcon = (ImageListReplaceIconProc)(void *)GetProcAddress(module, "ImageList_ReplaceIcon");
    if (!initialize || !s_imageListCreate || !s_imageListReplaceIcon)
        return false;
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_LISTVIEW_CLASSES };
    return initialize(&controls) != FALSE;
}

HIMAGELIST CreateImageList(int width, int height, UINT flags, int initial, int grow)
{
    return s_imageListCreate ? s_imageListCreate(width, height, flags, initial, grow) : NULL;
}

int ReplaceImageListIcon(HIMAGELIST images, int index, HICON icon)
{
    return s_imageListReplaceIcon && images ? s_imageListReplaceIcon(images, index, icon) : -1;
}
