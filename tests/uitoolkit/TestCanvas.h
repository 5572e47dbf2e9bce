#pragma once
#include <windows.h>

#include <vector>

namespace TestHelpers {

// A 32-bit top-down DIB in its own memory DC whose pixels the tests read back.
class TestCanvas
{
public:
    TestCanvas(int width, int height, DWORD fill = 0xFFFFFF);
    ~TestCanvas();
    TestCanvas(const TestCanvas&) = delete;
    TestCanvas& operator=(const TestCanvas&) = delete;
    HDC Dc() const { return m_dc; }
    void Fill(DWORD rgb);
    // 0x00RRGGBB of one pixel.
    DWORD At(int x, int y) const;

private:
    int m_width;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    DWORD* m_bits;
};

// PNG bytes of an image given as 0xAARRGGBB pixels, row by row.
std::vector<BYTE> MakePng(int width, int height, const std::vector<DWORD>& argb);

// True when every channel of the two 0x00RRGGBB colours differs by at most the tolerance.
bool NearColor(DWORD expected, DWORD actual, int tolerance = 3);

} // namespace TestHelpers
