// Every window and dialog procedure of the setup is one call of RouteMessage
// with its own constant table; WM_COMMAND is routed a second time through a
// command table keyed by control id.
#pragma once
#include <windows.h>

typedef LRESULT (*MessageHandler)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
typedef LRESULT (*CommandHandler)(HWND window, WORD controlId, WORD notifyCode, LPARAM lParam);

struct MessageEntry {
    UINT           message;
    MessageHandler handler;
};

struct CommandEntry {
    WORD           controlId;
    CommandHandler handler;
};

enum DefaultKind {
    DEFAULT_NONE       = 0,   // dialogs: return 0, the dialog manager does the rest
    DEFAULT_WINDOWPROC = 1    // plain windows: DefWindowProcA
};

struct MessageTable {
    LONG                count;
    const MessageEntry *entries;
    LONG                defaultKind;
};

struct CommandTable {
    LONG                count;
    const CommandEntry *entries;
    LONG                defaultKind;
};

LRESULT RouteMessage(const MessageTable *table, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT RouteCommand(const CommandTable *table, HWND window, WPARAM wParam, LPARAM lParam);
LRESULT CallDefaultProc(LONG defaultKind, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
