#include "pages/drive_table.h"

#include <windows.h>
#include <string.h>

void ParseDriveStrings(const char *strings, size_t length, DriveTable *table)
{
    table->count = 0;
    size_t start = 0;
    while (start < length && strings[start] != '\0' && table->count < DRIVE_TABLE_ROWS) {
        size_t end = start;
        while (end < length && strings[end] != '\0')
            ++end;
        if (end >= length)
            break;   // a root cut off by the end of the buffer is not a root
        char *row = table->rows[table->count];
        size_t rowLength = end - start < DRIVE_ROW_SIZE - 1 ? end - start : DRIVE_ROW_SIZE - 1;
        memcpy(row, strings + start, rowLength);
        row[rowLength] = '\0';
        CharUpperBuffA(row, (DWORD)rowLength);
        ++table->count;
        start = end + 1;
    }
}

// More drives than the query buffer holds: the drive bitmask names them all.
static void ReadDriveBitmask(DriveTable *table)
{
    char strings[26 * 4 + 1];
    size_t used = 0;
    DWORD drives = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if (!(drives & (1u << letter)))
            continue;
        strings[used++] = (char)('A' + letter);
        strings[used++] = ':';
        strings[used++] = '\\';
        strings[used++] = '\0';
    }
    strings[used++] = '\0';
    ParseDriveStrings(strings, used, table);
}

void ReadDriveTable(DriveTable *table)
{
    char strings[DRIVE_QUERY_SIZE];
    DWORD length = GetLogicalDriveStringsA(DRIVE_QUERY_SIZE, strings);
    if (length == 0 || length >= DRIVE_QUERY_SIZE)
        ReadDriveBitmask(table);
    else
        ParseDriveStrings(strings, length + 1, table);
}
