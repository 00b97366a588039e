#include "payload/uninstall/uninstall_state.h"

const char kUninstallCaption[] = "Velloran Uninstall";
