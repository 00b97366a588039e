#include "payload/velloran/wic_loader.h"
#include "payload/velloran/orientation.h"
#include <windows.h>
#include <wincodec.h>

enum { WIDE_PATH_SIZE = MAX_PATH };

// The orientation reader's way into the file: reads at offsets through the
// file handle.
static bool ReadFileAt(void *source, uint32_t offset, uint8_t *bytes, uint32_t count)
{
    HANDLE file = (HANDLE)source;
    LONG high = 0;
    DWORD done = 0;
    return SetFilePointer(file, (LONG)offset, &high, FILE_BEGIN) == offset && high == 0 &&
           ReadFile(file, bytes, count, &done, NULL) && done == count;
}

static int ReadFileOrientation(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return ORIENTATION_UPRIGHT;
    int orientation = ReadOrientation(ReadFileAt, file);
    CloseHandle(file);
    return orientation;
}

// The few failures a user can act on get their own sentence.
static PictureError ErrorFromResult(HRESULT result)
{
    if (result == WINCODEC_ERR_COMPONENTNOTFOUND)
        return PICTURE_UNKNOWN_FORMAT;
    if (result == E_OUTOFMEMORY)
        return PICTURE_NO_MEMORY;
    return PICTURE_DAMAGED;
}

// Opening the file: failures of the file system (not found, a bad name, no
// access, in use) come back as Win32 codes, a codec's own failures do not.
static PictureError ErrorFromOpening(HRESULT result)
{
    if (HRESULT_FACILITY(result) == FACILITY_WIN32 && result != E_OUTOFMEMORY)
        return PICTURE_UNREADABLE;
    return ErrorFromResult(result);
}

static PictureError CopyFrame(IWICImagingFactory *factory, IWICBitmapFrameDecode *frame, Picture *picture)
{
    UINT width = 0, height = 0;
    HRESULT result = frame->GetSize(&width, &height);
    if (FAILED(result))
        return ErrorFromResult(result);
    if (width > MAX_PICTURE_SIDE || height > MAX_PICTURE_SIDE)
        return PICTURE_TOO_LARGE;

    IWICFormatConverter *converter = NULL;
    result = factory->CreateFormatConverter(&converter);
    if (FAILED(result))
        return ErrorFromResult(result);
    result = converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, NULL, 0.0,
                                   WICBitmapPaletteTypeCustom);
    PictureError error = FAILED(result) ? PICTURE_UNSUPPORTED : AllocatePicture(picture, (LONG)width, (LONG)height);
    if (error == PICTURE_OK) {
        // Both bounded above: stride * height is at most 4 * MAX_PICTURE_PIXELS.
        UINT stride = width * 4;
        result = converter->CopyPixels(NULL, stride, stride * height, (BYTE *)picture->pixels);
        if (FAILED(result)) {
            FreePicture(picture);
            error = ErrorFromResult(result);
        }
    }
    converter->Release();
    return error;
}

PictureError LoadWithWic(const char *path, Picture *picture)
{
    ClearPicture(picture);
    WCHAR widePath[WIDE_PATH_SIZE];
    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, WIDE_PATH_SIZE))
        return PICTURE_UNREADABLE;

    IWICImagingFactory *factory = NULL;
    HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, NULL, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      (void **)&factory);
    if (FAILED(result))
        return PICTURE_NO_DECODER;

    PictureError error = PICTURE_OK;
    IWICBitmapDecoder *decoder = NULL;
    result = factory->CreateDecoderFromFilename(widePath, NULL, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder);
    if (FAILED(result)) {
        error = ErrorFromOpening(result);
    } else {
        IWICBitmapFrameDecode *frame = NULL;
        result = decoder->GetFrame(0, &frame);
        if (FAILED(result)) {
            error = ErrorFromResult(result);
        } else {
            error = CopyFrame(factory, frame, picture);
            frame->Release();
        }
        decoder->Release();
    }
    factory->Release();
    // A photo is shown the way the camera was held.
    if (error == PICTURE_OK) {
        error = OrientPicture(picture, ReadFileOrientation(path));
        if (error != PICTURE_OK)
            FreePicture(picture);
    }
    return error;
}
