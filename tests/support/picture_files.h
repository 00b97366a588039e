// Picture files the tests write for the viewer to open, beside the PNG that
// WritePng in win_support.h writes. Pixels are 0x00RRGGBB, top row first.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// A 24-bit BMP, bottom row first.
bool WriteBmp(const std::string &path, int width, int height, const std::vector<DWORD> &pixels);
