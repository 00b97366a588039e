// Picture files the tests write for the viewer to open: the formats Windows
// itself reads (WritePng in win_support.h writes the other) and the viewer's
// own. Pixels are 0x00RRGGBB, top row first.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// A 24-bit BMP, bottom row first.
bool WriteBmp(const std::string &path, int width, int height, const std::vector<DWORD> &pixels);
// A picture of two halves, left and right (or top and bottom).
std::vector<DWORD> TwoHalves(int width, int height, DWORD first, DWORD second, bool sideBySide);

// Picture files of the viewer's own formats: a bottom-up 24-bit TGA, a
// binary PPM and a plain (not run-length coded) 24-bit PCX.
std::vector<BYTE> TgaFile(int width, int height, const std::vector<DWORD> &pixels);
std::vector<BYTE> PpmFile(int width, int height, const std::vector<DWORD> &pixels);
std::vector<BYTE> PcxFile(int width, int height, const std::vector<DWORD> &pixels);
