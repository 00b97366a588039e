// BMP, GIF, JPEG, PNG and TIFF through the Windows Imaging Component: the
// decoder is chosen by the component from the file's contents, and its first
// frame is converted to 32-bit BGRA. COM must be initialised on the thread.
#pragma once
#include "payload/velloran/picture.h"

PictureError LoadWithWic(const char *path, Picture *picture);
