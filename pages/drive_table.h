// The drive roots offered by the directory page, as the system reports them.
#pragma once
#include <stddef.h>

enum { DRIVE_TABLE_ROWS = 20, DRIVE_ROW_SIZE = 5, DRIVE_QUERY_SIZE = 100 };

struct DriveTable {
    char rows[DRIVE_TABLE_ROWS][DRIVE_ROW_SIZE];
    int  count;
};

// Walks a GetLogicalDriveStrings result ("C:\<NUL>D:\<NUL><NUL>") of at most
// `length` characters, keeping the first DRIVE_TABLE_ROWS roots, upper-cased.
void ParseDriveStrings(const char *strings, size_t length, DriveTable *table);

// Fills the table from the system; the first rows are taken when there are
// more drives than the table or the query buffer holds.
void ReadDriveTable(DriveTable *table);
