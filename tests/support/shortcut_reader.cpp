#include "shortcut_reader.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <vector>

ShortcutInfo ReadShortcut(const std::string &linkPath)
{
    ShortcutInfo info;
    HRESULT com = CoInitialize(NULL);
    IShellLinkA *link = NULL;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&link))) {
        IPersistFile *file = NULL;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file))) {
            std::vector<WCHAR> wide(linkPath.size() + 1, 0);
            MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, &wide[0], (int)wide.size());
            if (SUCCEEDED(file->Load(&wide[0], STGM_READ))) {
                char text[MAX_PATH * 4] = "";
                if (SUCCEEDED(link->GetPath(text, sizeof(text), NULL, SLGP_RAWPATH)))
                    info.target = text;
                text[0] = '\0';
                if (SUCCEEDED(link->GetDescription(text, sizeof(text))))
                    info.description = text;
                info.loaded = true;
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return info;
}
