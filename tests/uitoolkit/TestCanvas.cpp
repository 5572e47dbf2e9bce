#include "TestCanvas.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include <stdlib.h>
#include <string.h>

namespace TestHelpers {

TestCanvas::TestCanvas(int width, int height, DWORD fill) : m_width(width), m_bits(NULL)
{
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    m_bitmap = CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &bits, NULL, 0);
    m_bits = static_cast<DWORD*>(bits);
    m_dc = CreateCompatibleDC(NULL);
    m_old = SelectObject(m_dc, m_bitmap);
    Fill(fill);
}

TestCanvas::~TestCanvas()
{
    SelectObject(m_dc, m_old);
    DeleteDC(m_dc);
    DeleteObject(m_bitmap);
}

void TestCanvas::Fill(DWORD rgb)
{
    GdiFlush();
    BITMAP info;
    GetObjectW(m_bitmap, sizeof(info), &info);
    for (int i = 0; i < info.bmWidth * info.bmHeight; ++i)
        m_bits[i] = rgb;
}

DWORD TestCanvas::At(int x, int y) const
{
    GdiFlush();
    return m_bits[y * m_width + x] & 0x00FFFFFF;
}

namespace {

void AppendBytes(void* context, void* data, int size)
{
    std::vector<BYTE>* out = static_cast<std::vector<BYTE>*>(context);
    out->insert(out->end(), static_cast<BYTE*>(data), static_cast<BYTE*>(data) + size);
}

} // namespace

std::vector<BYTE> MakePng(int width, int height, const std::vector<DWORD>& argb)
{
    std::vector<BYTE> rgba;
    for (DWORD pixel : argb) {
        rgba.push_back(static_cast<BYTE>(pixel >> 16));
        rgba.push_back(static_cast<BYTE>(pixel >> 8));
        rgba.push_back(static_cast<BYTE>(pixel));
        rgba.push_back(static_cast<BYTE>(pixel >> 24));
    }
    std::vector<BYTE> png;
    stbi_write_png_to_func(AppendBytes, &png, width, height, 4, rgba.data(), width * 4);
    return png;
}

bool NearColor(DWORD expected, DWORD actual, int tolerance)
{
    for (int shift = 0; shift < 24; shift += 8) {
        int a = (expected >> shift) & 0xFF;
        int b = (actual >> shift) & 0xFF;
        if (abs(a - b) > tolerance)
            return false;
    }
    return true;
}

} // namespace TestHelpers
