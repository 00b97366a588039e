// The growth of the copy page's progress bar, in decimal fixed point with
// four fraction digits carried digit by digit, so that the bar ends exactly
// at its full width with the last advance, whatever that width is.
#pragma once

enum {
    PROGRESS_DIGITS  = 5,
    PROGRESS_TOTAL   = 80,    // advances, one per file
    // The whole pixels of an advance are drawn by the next one, so the full
    // width is shared out over one advance less.
    PROGRESS_DIVISOR = PROGRESS_TOTAL - 1
};

struct ProgressMath {
    int fullWidth;
    int stepDigits[PROGRESS_DIGITS];    // full width / divisor: integer part, then 4 fraction digits
    int pixelDigits[PROGRESS_DIGITS];   // whole pixels still to draw, then fraction digits
    int right;                          // right edge of the bar
    int stepNumber;                     // number of the next advance, from 1
};

void StartProgressMath(ProgressMath *progress, int fullWidth, int divisor);

// Moves the right edge for one advance and returns the number to show for
// it: step number * 100 / 80 for the first 80 advances, -1 after them.
int AdvanceProgressMath(ProgressMath *progress);
