#pragma once
// Base of the Updater's three windows: their skins come from the ZIP in the program's resources,
// and Enter or Esc closes them.
#include "skin/WindowImplBase.h"

class CQenWndBase : public UiToolkit::WindowImplBase
{
public:
    static const int kSkinResourceId = 102;
    static const UINT kIconResourceId = 101;

    UINT QueryClassStyle() const override;
    UiToolkit::CStringUI QuerySkinFolder() override;
    int QuerySkinSourceKind() const override;
    const wchar_t* QuerySkinResourceName() const override;
    LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

protected:
    // Derived destructors call this: a window left open (a quit ended its loop) must not outlive
    // the object its procedure points at.
    void DestroyIfOpen();
};

// Skin file by UI language: "<base>.xml" or "<base>_en.xml".
UiToolkit::CStringUI SkinFileFor(const wchar_t* base);
// True when the Chinese texts and skins are used.
bool ChineseUi();
