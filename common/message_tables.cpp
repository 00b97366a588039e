#include "common/message_tables.h"

LRESULT CallDefaultProc(LONG defaultKind, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (defaultKind == DEFAULT_WINDOWPROC)
        return DefWindowProcA(window, message, wParam, lParam);
    return 0;
}

LRESULT RouteMessage(const MessageTable *table, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (LONG row = 0; row < table->count; ++row) {
        if (table->entries[row].message == message)
            return table->entries[row].handler(window, message, wParam, lParam);
    }
    return CallDefaultProc(table->defaultKind, window, message, wParam, lParam);
}

// The notification code is passed on untouched: a row sees every
// notification of its control and filters for itself.
LRESULT RouteCommand(const CommandTable *table, HWND window, WPARAM wParam, LPARAM lParam)
{
    WORD controlId  = LOWORD(wParam);
    WORD notifyCode = HIWORD(wParam);
    for (LONG row = 0; row < table->count; ++row) {
        if (table->entries[row].controlId == controlId)
            return table->entries[row].handler(window, controlId, notifyCode, lParam);
    }
    return CallDefaultProc(table->defaultKind, window, WM_COMMAND, wParam, lParam);
}
