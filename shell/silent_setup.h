// The setup without a window, for deployment tools that start it with /S:
// the same steps as the pages, each with the answer of a person who agrees
// and presses "Next" and "Finish" without changing anything.
#pragma once

// Installs and returns the exit code: EXIT_DONE, EXIT_REBOOT_REQUIRED or EXIT_FAILED.
int RunSilentSetup();
