#include "core/ManagerShared.h"

#include <stdlib.h>
#include <string.h>

namespace UiToolkit {

const ImageInfoUI* CWindowManagerUI::AddImage(const wchar_t* name, const wchar_t* type, DWORD mask, bool hsl,
                                              bool shared)
{
    if (name == NULL || *name == L'\0')
        return NULL;
    ImageInfoUI* image = NULL;
    if (type != NULL) {
        if (*name < L'0' || *name > L'9')
            return NULL;
        image = CRenderKitUI::LoadImage(MAKEINTRESOURCEW(_wtoi(name)), type, mask);
    } else {
        image = CRenderKitUI::LoadImage(name, NULL, mask);
    }
    if (image == NULL)
        return NULL;
    image->bUseHSL = hsl;
    image->sResType = type;
    image->dwMask = mask;
    if (hsl) {
        size_t bytes = static_cast<size_t>(image->nX) * image->nY * 4;
        image->pSrcBits = new BYTE[bytes];
        memcpy(image->pSrcBits, image->pBits, bytes);
        short h, s, l;
        bool enabled;
        GetHSL(&h, &s, &l, &enabled);
        if (enabled)
            CRenderKitUI::AdjustImage(true, image, h, s, l);
    }
    CStringMapUI& images = shared ? SharedResources().images : m_resources.images;
    // A new image of a known name replaces the old one.
    ImageInfoUI* old = static_cast<ImageInfoUI*>(images.Set(name, image));
    if (old != NULL)
        CRenderKitUI::FreeImage(old);
    return image;
}

const ImageInfoUI* CWindowManagerUI::GetImage(const wchar_t* name) const
{
    if (name == NULL)
        return NULL;
    const ImageInfoUI* image = static_cast<const ImageInfoUI*>(m_resources.images.Find(name));
    if (image == NULL)
        image = static_cast<const ImageInfoUI*>(SharedResources().images.Find(name));
    return image;
}

const ImageInfoUI* CWindowManagerUI::GetImageEx(const wchar_t* name, const wchar_t* type, DWORD mask, bool hsl)
{
    const ImageInfoUI* image = GetImage(name);
    return image != NULL ? image : AddImage(name, type, mask, hsl);
}

void CWindowManagerUI::FreeImageMap(CStringMapUI& images)
{
    for (int i = 0; i < images.Count(); ++i)
        CRenderKitUI::FreeImage(static_cast<ImageInfoUI*>(images.Find(images.GetAt(i), false)));
    images.RemoveAll();
}

void CWindowManagerUI::RemoveAllImages(bool shared)
{
    FreeImageMap(shared ? SharedResources().images : m_resources.images);
}

} // namespace UiToolkit
