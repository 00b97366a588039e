#include "install/payload.h"

#include "install/manifest.h"
#include "shell/setup_state.h"

bool LookUpPayload(int row, PayloadBytes *payload)
{
    char name[RESOURCE_NAME_SIZE];
    wsprintfA(name, "FILE%d", row);
    HRSRC resource = FindResourceA(g_instance, name, RT_RCDATA);
    if (!resource)
        return false;
    HGLOBAL loaded = LoadResource(g_instance, resource);
    if (!loaded)
        return false;
    payload->data = (const BYTE *)LockResource(loaded);
    if (!payload->data)
        return false;
    payload->size = SizeofResource(g_instance, resource);
    return true;
}
