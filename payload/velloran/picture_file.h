// Loads a picture file of any kind the viewer knows: TGA, PCX and Netpbm by
// the viewer's own decoders (chosen by the file's extension, or for Netpbm and
// PCX also by its first bytes), everything else through the Windows Imaging
// Component.
#pragma once
#include "payload/velloran/picture.h"

PictureError LoadPictureFile(const char *path, Picture *picture);

// The file name of a path: what follows its last backslash, slash or colon.
const char *FileNameOf(const char *path);
