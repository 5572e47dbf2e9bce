#include "render/RenderKit.h"
#include "render/RenderSurface.h"
#include "core/SkinSource.h"

#include <Handles.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#include <stb_image.h>

#include <stdlib.h>
#include <string.h>

namespace UiToolkit {

namespace {

const DWORD MAX_IMAGE_BYTES = ZipReader::MAX_ENTRY_SIZE;

// A malloc'ed block of encoded image bytes.
struct ByteBlock
{
    ByteBlock() : data(NULL), size(0) {}
    ~ByteBlock() { free(data); }
    ByteBlock(const ByteBlock&) = delete;
    ByteBlock& operator=(const ByteBlock&) = delete;
    BYTE* data;
    DWORD size;
};

bool ReadResource(const wchar_t* id, const wchar_t* type, ByteBlock& block)
{
    HINSTANCE instance = CResourceSettingsUI::GetModuleInstance();
    HRSRC resource = FindResourceW(instance, id, type);
    if (resource == NULL)
        return false;
    HGLOBAL global = ::LoadResource(instance, resource);
    DWORD size = SizeofResource(instance, resource);
    const void* bytes = global != NULL ? LockResource(global) : NULL;
    if (bytes == NULL || size == 0)
        return false;
    block.data = static_cast<BYTE*>(malloc(size));
    if (block.data == NULL)
        return false;
    memcpy(block.data, bytes, size);
    block.size = size;
    return true;
}

bool ReadWholeFile(const wchar_t* path, ByteBlock& block)
{
    ScopedHandle file(
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return false;
    DWORD high = 0;
    DWORD size = GetFileSize(file.Get(), &high);
    if (high != 0 || size == 0 || size == INVALID_FILE_SIZE || size > MAX_IMAGE_BYTES)
        return false;
    block.data = static_cast<BYTE*>(malloc(size));
    if (block.data == NULL)
        return false;
    DWORD read = 0;
    if (!ReadFile(file.Get(), block.data, size, &read, NULL) || read != size) {
        free(block.data);
        block.data = NULL;
        return false;
    }
    block.size = size;
    return true;
}

bool ReadZipEntry(const wchar_t* name, ByteBlock& block)
{
    LoadZip zip;
    if (zip.Get() == NULL)
        return false;
    int index = -1;
    ZipReaderEntry entry;
    if (ZipReader::FindEntry(zip.Get(), name, true, &index, &entry) != ZR_OK || entry.uncompressedSize == 0)
        return false;
    BYTE* bytes = NULL;
    int code = ZipReader::ExtractToNewBuffer(zip.Get(), index, entry.uncompressedSize, &bytes);
    if (code != ZR_OK && code != ZR_MORE) {
        free(bytes);
        return false;
    }
    block.data = bytes;
    block.size = entry.uncompressedSize;
    return true;
}

} // namespace

ImageInfoUI* CRenderKitUI::LoadImage(const wchar_t* bitmap, const wchar_t* type, DWORD mask)
{
    if (bitmap == NULL)
        return NULL;
    ByteBlock block;
    if (type != NULL) {
        if (!ReadResource(bitmap, type, block))
            return NULL;
    } else {
        if (CResourceSettingsUI::GetResourceZipName().IsEmpty()) {
            CStringUI path = CResourceSettingsUI::GetResourceFolder() + bitmap;
            ReadWholeFile(path.Text(), block);
        } else {
            ReadZipEntry(bitmap, block);
        }
        if (block.data == NULL)
            ReadWholeFile(bitmap, block);
        if (block.data == NULL)
            return NULL;
    }

    int width = 0, height = 0, channels = 0;
    stbi_uc* decoded = stbi_load_from_memory(block.data, static_cast<int>(block.size), &width, &height, &channels, 4);
    if (decoded == NULL)
        return NULL;
    void* pixels = NULL;
    HBITMAP dib = CreateTopDownDib(NULL, width, height, &pixels);
    LPBYTE bits = static_cast<LPBYTE>(pixels);
    if (dib == NULL) {
        stbi_image_free(decoded);
        return NULL;
    }

    bool alpha = false;
    DWORD* target = reinterpret_cast<DWORD*>(bits);
    for (int i = 0; i < width * height; ++i) {
        const BYTE* src = decoded + i * 4;
        BYTE a = src[3];
        BYTE r = src[0], g = src[1], b = src[2];
        if (a < 255) {
            r = static_cast<BYTE>(r * a / 255);
            g = static_cast<BYTE>(g * a / 255);
            b = static_cast<BYTE>(b * a / 255);
            alpha = true;
        }
        DWORD pixel = (static_cast<DWORD>(a) << 24) | (r << 16) | (g << 8) | b;
        if (pixel == mask) {
            pixel = 0;
            alpha = true;
        }
        target[i] = pixel;
    }
    stbi_image_free(decoded);

    ImageInfoUI* info = new ImageInfoUI;
    info->hBitmap = dib;
    info->pBits = bits;
    info->pSrcBits = NULL;
    info->nX = width;
    info->nY = height;
    info->bAlpha = alpha;
    info->bUseHSL = false;
    info->dwMask = 0;
    return info;
}

void CRenderKitUI::FreeImage(ImageInfoUI* image, bool deleteRecord)
{
    if (image == NULL)
        return;
    if (image->hBitmap != NULL)
        DeleteObject(image->hBitmap);
    image->hBitmap = NULL;
    image->pBits = NULL;
    delete[] image->pSrcBits;
    image->pSrcBits = NULL;
    if (deleteRecord)
        delete image;
}

} // namespace UiToolkit
