#include "render/RenderKit.h"
#include "TestCanvas.h"
#include "TestHelpers.h"
#include "core/WindowManager.h"
#include "ZipBuilder.h"

#include <gtest/gtest.h>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

const DWORD RED = 0xFFFF0000;
const DWORD BLUE = 0xFF0000FF;
const DWORD MAGENTA = 0xFFFF00FF;

const DWORD* PixelsOf(const ImageInfoUI* image)
{
    return reinterpret_cast<const DWORD*>(image->pBits);
}

// A size x size image with a red border of the given width around a blue middle.
std::vector<DWORD> Framed(int size, int border)
{
    std::vector<DWORD> pixels;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            bool edge = x < border || y < border || x >= size - border || y >= size - border;
            pixels.push_back(edge ? RED : BLUE);
        }
    return pixels;
}

// Left half red, right half blue.
std::vector<DWORD> Halves(int width, int height)
{
    std::vector<DWORD> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(x < width / 2 ? RED : BLUE);
    return pixels;
}

class SkinFolder
{
public:
    SkinFolder() { CWindowManagerUI::SetResourceFolder(folder.Path().c_str()); }
    void Add(const std::wstring& name, int w, int h, const std::vector<DWORD>& pixels)
    {
        folder.Write(name, MakePng(w, h, pixels));
    }
    TempFolder folder;
};

} // namespace

TEST(RenderImageLoad, PremultipliesMasksAndRefusesBadBytes)
{
    SkinFolder skin;
    skin.Add(L"mixed.png", 4, 1, {RED, 0x8000FF00, MAGENTA, 0x00000000});
    skin.Add(L"opaque.png", 2, 1, {RED, BLUE});
    skin.folder.Write(L"broken.png", Bytes("\x89PNG not really an image"));

    ImageInfoUI* image = CRenderKitUI::LoadImage(L"mixed.png", NULL, MAGENTA);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(4, image->nX);
    EXPECT_EQ(1, image->nY);
    EXPECT_TRUE(image->bAlpha);
    EXPECT_EQ(RED, PixelsOf(image)[0]);
    EXPECT_EQ(0x80008000u, PixelsOf(image)[1]);
    EXPECT_EQ(0u, PixelsOf(image)[2]);
    CRenderKitUI::FreeImage(image);

    // A mask without alpha never matches an opaque pixel.
    image = CRenderKitUI::LoadImage(L"mixed.png", NULL, 0x00FF00FF);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(MAGENTA, PixelsOf(image)[2]);
    CRenderKitUI::FreeImage(image);

    image = CRenderKitUI::LoadImage(L"opaque.png", NULL, 0);
    ASSERT_NE(nullptr, image);
    EXPECT_FALSE(image->bAlpha);
    CRenderKitUI::FreeImage(image);

    // A path of its own is tried when the resource folder has no such file.
    image = CRenderKitUI::LoadImage(skin.folder.File(L"opaque.png").c_str(), NULL, 0);
    EXPECT_NE(nullptr, image);
    CRenderKitUI::FreeImage(image);

    EXPECT_EQ(nullptr, CRenderKitUI::LoadImage(L"broken.png", NULL, 0));
    EXPECT_EQ(nullptr, CRenderKitUI::LoadImage(L"missing.png", NULL, 0));
    EXPECT_EQ(nullptr, CRenderKitUI::LoadImage(MAKEINTRESOURCEW(4711), L"PNG", 0));
}

TEST(RenderImageLoad, FromTheResourceZip)
{
    TempFolder folder;
    std::vector<BYTE> png = MakePng(2, 1, {RED, BLUE});
    ZipBuilder zip;
    zip.Add("images/pair.png", std::string(png.begin(), png.end()), true);
    folder.Write(L"skin.zip", zip.Build());
    CWindowManagerUI::SetResourceFolder(folder.Path().c_str());
    CWindowManagerUI::SetResourceZipFile(L"skin.zip", false);

    ImageInfoUI* image = CRenderKitUI::LoadImage(L"images/pair.png", NULL, 0);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(BLUE, PixelsOf(image)[1]);
    CRenderKitUI::FreeImage(image);
    EXPECT_EQ(nullptr, CRenderKitUI::LoadImage(L"images/none.png", NULL, 0));
}

TEST(ManagerImages, CacheReplaceAndHslCopy)
{
    SkinFolder skin;
    skin.Add(L"a.png", 2, 1, {RED, BLUE});
    CWindowManagerUI manager;

    const ImageInfoUI* first = manager.GetImageEx(L"a.png");
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, manager.GetImageEx(L"a.png"));
    EXPECT_EQ(first, manager.GetImage(L"a.png"));
    EXPECT_EQ(nullptr, first->pSrcBits);

    const ImageInfoUI* hsl = manager.AddImage(L"a.png", NULL, 0, true);
    ASSERT_NE(nullptr, hsl);
    EXPECT_EQ(hsl, manager.GetImage(L"a.png"));
    ASSERT_NE(nullptr, hsl->pSrcBits);
    EXPECT_EQ(0, memcmp(hsl->pSrcBits, hsl->pBits, 8));

    // A resource name must be a number.
    EXPECT_EQ(nullptr, manager.AddImage(L"a.png", L"PNG"));
    EXPECT_EQ(nullptr, manager.AddImage(L""));
    EXPECT_EQ(nullptr, manager.GetImageEx(L"none.png"));

    manager.RemoveAllImages();
    EXPECT_EQ(nullptr, manager.GetImage(L"a.png"));
}

TEST(RenderImageString, NineGridSourceClampAndDest)
{
    SkinFolder skin;
    skin.Add(L"frame.png", 10, 10, Framed(10, 2));
    CWindowManagerUI manager;
    TestCanvas canvas(80, 60);
    RECT item = {10, 10, 60, 50};
    RECT paint = {0, 0, 80, 60};

    ImageDrawInfoUI info;
    info.SetString(L"file='frame.png' source='0,0,100,100' corner='2,2,2,2'");
    EXPECT_TRUE(CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, paint, info));
    EXPECT_EQ(10, info.rcBmpPart.right);
    EXPECT_EQ(10, info.rcBmpPart.bottom);
    EXPECT_STREQ(L"frame.png", info.sImageName.Text());
    // The borders keep their 2 pixels across the stretched control.
    EXPECT_EQ(0xFF0000u, canvas.At(11, 30));
    EXPECT_EQ(0x0000FFu, canvas.At(12, 30));
    EXPECT_EQ(0x0000FFu, canvas.At(57, 30));
    EXPECT_EQ(0xFF0000u, canvas.At(58, 30));
    EXPECT_EQ(0xFF0000u, canvas.At(30, 11));
    EXPECT_EQ(0x0000FFu, canvas.At(30, 12));
    EXPECT_EQ(0xFF0000u, canvas.At(30, 49));
    EXPECT_EQ(0xFFFFFFu, canvas.At(9, 30));
    EXPECT_EQ(0xFFFFFFu, canvas.At(60, 30));

    // "dest" never reaches past the control's right and bottom edges.
    canvas.Fill(0xFFFFFF);
    ImageDrawInfoUI placed;
    placed.SetString(L"file = 'frame.png'  dest='20,20,200,200'");
    EXPECT_TRUE(CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, paint, placed));
    EXPECT_EQ(0xFFFFFFu, canvas.At(29, 29));
    EXPECT_NE(0xFFFFFFu, canvas.At(30, 30));
    EXPECT_NE(0xFFFFFFu, canvas.At(59, 49));
    EXPECT_EQ(0xFFFFFFu, canvas.At(60, 50));
    EXPECT_EQ(0xFFFFFFu, canvas.At(65, 55));

    // Nothing is drawn outside the paint rectangle; one exact-size copy honours it to the pixel.
    canvas.Fill(0xFFFFFF);
    RECT outside = {0, 0, 8, 60};
    ImageDrawInfoUI plain;
    plain.SetString(L"frame.png");
    EXPECT_TRUE(CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, outside, plain));
    EXPECT_EQ(0xFFFFFFu, canvas.At(30, 30));
    RECT exact = {10, 10, 20, 20};
    RECT half = {0, 0, 15, 60};
    EXPECT_TRUE(CRenderKitUI::DrawImageString(canvas.Dc(), &manager, exact, half, plain));
    EXPECT_EQ(0x0000FFu, canvas.At(14, 14));
    EXPECT_EQ(0xFFFFFFu, canvas.At(15, 14));
}

TEST(RenderImageString, FailedAndEmptyStringsAreNotRetried)
{
    SkinFolder skin;
    CWindowManagerUI manager;
    TestCanvas canvas(20, 20);
    RECT item = {0, 0, 20, 20};

    ImageDrawInfoUI empty;
    EXPECT_FALSE(CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, item, empty));
    EXPECT_TRUE(empty.bLoaded);

    ImageDrawInfoUI later;
    later.SetString(L"file='late.png'");
    EXPECT_FALSE(CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, item, later));
    skin.Add(L"late.png", 2, 2, {RED, RED, RED, RED});
    EXPECT_FALSE(CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, item, later));
    EXPECT_EQ(0xFFFFFFu, canvas.At(5, 5));
    // A new string loads again.
    later.SetString(L"file='late.png' ");
    EXPECT_TRUE(CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, item, later));
    EXPECT_EQ(0xFF0000u, canvas.At(5, 5));
    EXPECT_FALSE(later.SetString(L"file='late.png' "));

    // Parsing stops at a malformed pair: the options before it hold.
    ImageDrawInfoUI broken;
    broken.SetString(L"file='late.png' fade='0' corner=1,1,1,1");
    EXPECT_TRUE(CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, item, broken));
    EXPECT_EQ(0, broken.uFade);
    EXPECT_EQ(0, broken.rcCorner.left);
    EXPECT_TRUE(CRenderKitUI::DrawImageString(NULL, NULL, item, item, broken));
}

TEST(RenderImage, TilingHoleFadeAndOwnBlend)
{
    SkinFolder skin;
    skin.Add(L"halves.png", 4, 2, Halves(4, 2));
    CWindowManagerUI manager;
    TestCanvas canvas(16, 4);
    RECT item = {0, 0, 16, 4};

    ImageDrawInfoUI stretched;
    stretched.SetString(L"halves.png");
    CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, item, stretched);
    EXPECT_EQ(0xFF0000u, canvas.At(7, 1));
    EXPECT_EQ(0x0000FFu, canvas.At(8, 1));

    ImageDrawInfoUI tiled;
    tiled.SetString(L"file='halves.png' xtiled='true' ytiled='true'");
    canvas.Fill(0xFFFFFF);
    CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, item, tiled);
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(x % 4 < 2 ? 0xFF0000u : 0x0000FFu, canvas.At(x, 3)) << x;

    // Corners covering the whole source leave no middle or edge to draw: only the four corners show.
    ImageDrawInfoUI covered;
    covered.SetString(L"file='halves.png' corner='2,1,2,1' xtiled='true'");
    canvas.Fill(0x00FF00);
    EXPECT_TRUE(CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, item, covered));
    EXPECT_EQ(0xFF0000u, canvas.At(1, 0));
    EXPECT_EQ(0x0000FFu, canvas.At(14, 0));
    EXPECT_EQ(0xFF0000u, canvas.At(0, 3));
    EXPECT_EQ(0x0000FFu, canvas.At(15, 3));
    EXPECT_EQ(0x00FF00u, canvas.At(8, 0));
    EXPECT_EQ(0x00FF00u, canvas.At(8, 2));

    // A source starting before the image is cut to it: only the red half is read.
    ImageDrawInfoUI before;
    before.SetString(L"file='halves.png' source='-2,0,2,2'");
    canvas.Fill(0x00FF00);
    CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, item, before);
    EXPECT_EQ(0, before.rcBmpPart.left);
    EXPECT_EQ(0xFF0000u, canvas.At(0, 1));
    EXPECT_EQ(0xFF0000u, canvas.At(15, 1));

    // Borders wider than the source are cut to it: 3 on the left leaves 1 on the right.
    ImageDrawInfoUI wide;
    wide.SetString(L"file='halves.png' corner='3,0,3,0'");
    canvas.Fill(0x00FF00);
    CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, item, wide);
    EXPECT_EQ(1, wide.rcCorner.right);
    EXPECT_EQ(0xFF0000u, canvas.At(0, 1));
    EXPECT_EQ(0x0000FFu, canvas.At(2, 1));
    EXPECT_EQ(0x00FF00u, canvas.At(13, 1));
    EXPECT_EQ(0x00FF00u, canvas.At(14, 1));
    EXPECT_EQ(0x0000FFu, canvas.At(15, 1));

    ImageDrawInfoUI hole;
    hole.SetString(L"file='halves.png' corner='1,1,1,1' hole='true'");
    canvas.Fill(0x00FF00);
    CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, item, hole);
    EXPECT_EQ(0x00FF00u, canvas.At(8, 2));
    EXPECT_EQ(0xFF0000u, canvas.At(0, 0));

    ImageDrawInfoUI faded;
    faded.SetString(L"file='halves.png' fade='128'");
    canvas.Fill(0xFFFFFF);
    CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, item, faded);
    DWORD system = canvas.At(2, 1);
    EXPECT_TRUE(NearColor(0xFF7F7F, system)) << std::hex << system;

    CRenderKitUI::SetSystemBlendingEnabled(false);
    canvas.Fill(0xFFFFFF);
    CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, item, faded);
    CRenderKitUI::SetSystemBlendingEnabled(true);
    EXPECT_TRUE(NearColor(system, canvas.At(2, 1))) << std::hex << canvas.At(2, 1);
    EXPECT_TRUE(NearColor(0x7F7FFF, canvas.At(12, 1))) << std::hex << canvas.At(12, 1);

    // Translucent pixels are premultiplied: both blends add them once, never darkened twice.
    skin.Add(L"glass.png", 1, 1, {0x80FF0000});
    ImageDrawInfoUI glass;
    glass.SetString(L"glass.png");
    for (bool systemBlend : {true, false}) {
        CRenderKitUI::SetSystemBlendingEnabled(systemBlend);
        canvas.Fill(0xFFFFFF);
        glass.SetString(L"glass.png ");
        CRenderKitUI::DrawImageString(canvas.Dc(), &manager, item, item, glass);
        EXPECT_TRUE(NearColor(0xFF7F7F, canvas.At(5, 1))) << systemBlend << " " << std::hex << canvas.At(5, 1);
        glass.SetString(L"glass.png");
    }
    CRenderKitUI::SetSystemBlendingEnabled(true);
}

TEST(RenderShapes, ColoursAndGradients)
{
    TestCanvas canvas(64, 64, 0x000000);
    RECT all = {0, 0, 64, 64};
    RECT left = {0, 0, 32, 64};

    CRenderKitUI::DrawColor(canvas.Dc(), all, 0x00FF0000);
    EXPECT_EQ(0u, canvas.At(10, 10));
    CRenderKitUI::DrawColor(canvas.Dc(), left, 0xFF00FF00);
    EXPECT_EQ(0x00FF00u, canvas.At(31, 10));
    EXPECT_EQ(0u, canvas.At(32, 10));
    // A translucent colour over black keeps only its share of the colour.
    CRenderKitUI::DrawColor(canvas.Dc(), all, 0x80FF0000);
    EXPECT_TRUE(NearColor(0x800000, canvas.At(40, 10))) << std::hex << canvas.At(40, 10);
    EXPECT_TRUE(NearColor(0x807F00, canvas.At(10, 10))) << std::hex << canvas.At(10, 10);

    for (bool system : {true, false}) {
        CRenderKitUI::SetSystemBlendingEnabled(system);
        canvas.Fill(0);
        CRenderKitUI::DrawGradient(canvas.Dc(), all, 0x00FF0000, 0x000000FF, true, 16);
        EXPECT_EQ(0u, canvas.At(10, 10));
        CRenderKitUI::DrawGradient(canvas.Dc(), all, RED, BLUE, true, 64);
        DWORD top = canvas.At(5, 0), middle = canvas.At(5, 32), bottom = canvas.At(5, 63);
        EXPECT_TRUE(NearColor(0xFF0000, top, 8)) << std::hex << top;
        EXPECT_TRUE(NearColor(0x0000FF, bottom, 8)) << std::hex << bottom;
        EXPECT_TRUE(NearColor(0x7F007F, middle, 12)) << std::hex << middle;
        EXPECT_EQ(canvas.At(0, 20), canvas.At(63, 20));

        CRenderKitUI::DrawGradient(canvas.Dc(), all, RED, BLUE, false, 64);
        EXPECT_TRUE(NearColor(0xFF0000, canvas.At(0, 5), 8));
        EXPECT_TRUE(NearColor(0x0000FF, canvas.At(63, 5), 8));

        canvas.Fill(0);
        CRenderKitUI::DrawGradient(canvas.Dc(), all, 0x80FFFFFF, 0x80FFFFFF, true, 16);
        EXPECT_TRUE(NearColor(0x808080, canvas.At(30, 30))) << std::hex << canvas.At(30, 30);
        // A translucent black gradient darkens white by half: the surface counts as opaque before the blend.
        canvas.Fill(0xFFFFFF);
        CRenderKitUI::DrawGradient(canvas.Dc(), all, 0x80000000, 0x80000000, false, 16);
        EXPECT_TRUE(NearColor(0x7F7F7F, canvas.At(30, 30))) << std::hex << canvas.At(30, 30);
    }
    CRenderKitUI::SetSystemBlendingEnabled(true);
}

TEST(RenderShapes, FramesLinesAndClipScopes)
{
    TestCanvas canvas(64, 64);
    RECT frame = {10, 10, 50, 50};
    CRenderKitUI::DrawRect(canvas.Dc(), frame, 2, RED);
    EXPECT_EQ(0xFF0000u, canvas.At(10, 30));
    EXPECT_EQ(0xFF0000u, canvas.At(11, 30));
    EXPECT_EQ(0xFFFFFFu, canvas.At(12, 30));
    EXPECT_EQ(0xFF0000u, canvas.At(49, 30));
    EXPECT_EQ(0xFFFFFFu, canvas.At(50, 30));

    canvas.Fill(0xFFFFFF);
    CRenderKitUI::DrawRoundRect(canvas.Dc(), frame, 1, 16, 16, BLUE);
    EXPECT_EQ(0xFFFFFFu, canvas.At(10, 10));
    EXPECT_EQ(0x0000FFu, canvas.At(10, 30));

    canvas.Fill(0xFFFFFF);
    RECT line = {5, 20, 60, 20};
    CRenderKitUI::DrawLine(canvas.Dc(), line, 1, BLUE);
    EXPECT_EQ(0x0000FFu, canvas.At(30, 20));
    EXPECT_EQ(0xFFFFFFu, canvas.At(30, 21));

    RECT all = {0, 0, 64, 64};
    canvas.Fill(0xFFFFFF);
    {
        CClipScopeUI clip(canvas.Dc(), frame, frame, 20, 20);
        CRenderKitUI::DrawColor(canvas.Dc(), all, 0xFF00FF00);
        EXPECT_EQ(0xFFFFFFu, canvas.At(10, 10));
        EXPECT_EQ(0x00FF00u, canvas.At(30, 30));
        EXPECT_EQ(0xFFFFFFu, canvas.At(55, 30));
        clip.UseOldClipBegin(canvas.Dc());
        CRenderKitUI::DrawColor(canvas.Dc(), all, BLUE);
        EXPECT_EQ(0x0000FFu, canvas.At(55, 30));
        clip.UseOldClipEnd(canvas.Dc());
        CRenderKitUI::DrawColor(canvas.Dc(), all, RED);
        EXPECT_EQ(0x0000FFu, canvas.At(55, 30));
    }
    CRenderKitUI::DrawColor(canvas.Dc(), all, 0xFF00FF00);
    EXPECT_EQ(0x00FF00u, canvas.At(1, 1));
}

TEST(RenderShapes, InnerClipScopeRestoresTheRealOuterRegion)
{
    TestCanvas canvas(64, 64);
    RECT frame = {10, 10, 50, 50};
    RECT inner = {20, 20, 40, 40};
    RECT all = {0, 0, 64, 64};
    {
        CClipScopeUI rounded(canvas.Dc(), frame, frame, 20, 20);
        {
            CClipScopeUI square(canvas.Dc(), inner);
            CRenderKitUI::DrawColor(canvas.Dc(), all, RED);
            EXPECT_EQ(0xFFFFFFu, canvas.At(15, 30));
            // Painting with the old clip inside the inner scope keeps the rounded corners, and so does the
            // inner clip taken up again.
            square.UseOldClipBegin(canvas.Dc());
            CRenderKitUI::DrawColor(canvas.Dc(), all, BLUE);
            EXPECT_EQ(0xFFFFFFu, canvas.At(10, 10));
            EXPECT_EQ(0x0000FFu, canvas.At(15, 30));
            square.UseOldClipEnd(canvas.Dc());
            CRenderKitUI::DrawColor(canvas.Dc(), all, RED);
            EXPECT_EQ(0x0000FFu, canvas.At(15, 30));
        }
        // After the inner scope the rounded region holds again: the corner stays untouched.
        CRenderKitUI::DrawColor(canvas.Dc(), all, 0xFF00FF00);
        EXPECT_EQ(0xFFFFFFu, canvas.At(10, 10));
        EXPECT_EQ(0xFFFFFFu, canvas.At(49, 49));
        EXPECT_EQ(0x00FF00u, canvas.At(30, 11));
        EXPECT_EQ(0xFFFFFFu, canvas.At(5, 30));
    }
    // No clip before the scopes, none after them.
    HRGN probe = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(0, GetClipRgn(canvas.Dc(), probe));
    DeleteObject(probe);
}

TEST(RenderColors, HslShift)
{
    EXPECT_EQ(0x80123456u, CRenderKitUI::AdjustColor(0x80123456, 180, 100, 100));
    EXPECT_EQ(0xFFFF0400u, CRenderKitUI::AdjustColor(RED, 181, 100, 100));
    EXPECT_EQ(0x4000FF00u, CRenderKitUI::AdjustColor(0x400000FF, 60, 100, 100));
    EXPECT_EQ(0xFF7F0000u, CRenderKitUI::AdjustColor(RED, 180, 100, 50));
    EXPECT_EQ(0xFF7F7F7Fu, CRenderKitUI::AdjustColor(RED, 180, 0, 100));

    SkinFolder skin;
    skin.Add(L"hsl.png", 1, 1, {RED});
    CWindowManagerUI manager;
    ImageInfoUI* image = const_cast<ImageInfoUI*>(manager.AddImage(L"hsl.png", NULL, 0, true));
    ASSERT_NE(nullptr, image);
    CRenderKitUI::AdjustImage(true, image, 300, 100, 100);
    EXPECT_EQ(0xFF00FF00u, PixelsOf(image)[0]);
    CRenderKitUI::AdjustImage(false, image, 300, 100, 100);
    EXPECT_EQ(RED, PixelsOf(image)[0]);
}
