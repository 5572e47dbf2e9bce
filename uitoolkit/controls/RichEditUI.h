// Rich-text edit control without a window of its own, drawn and driven by the platform's text services.
#pragma once
#include "core/WindowManager.h"
#include "layout/ContainerUI.h"

#include <richedit.h>

namespace UiToolkit {

class CTxtWinHost;

// A container whose text area is served by the windowless text services through CTxtWinHost; its scroll
// bars are the container's. Keyboard and mouse messages reach the text services through its message filter.
class CRichEditUI : public CContainerUI, public IMessageFilterUI
{
public:
    CRichEditUI();
    ~CRichEditUI() override;

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    UINT BehaviourFlags() const override;
    CStringUI GetText() const override;
    void SetText(const wchar_t* text) override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void Shift(int dx, int dy, bool invalidate = true) override;
    void OnInitialise() override;
    void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise = true) override;
    void OnEvent(InputEventUI& event) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    void Paint(HDC hdc, const RECT& paintRect) override;
    void SetScrollOffset(SIZE offset) override;
    void ScrollLineUp() override;
    void ScrollLineDown() override;
    void ScrollPageUp() override;
    void ScrollPageDown() override;
    void ScrollToTop() override;
    void ScrollToBottom() override;
    void ScrollLineLeft() override;
    void ScrollLineRight() override;
    void ScrollPageLeft() override;
    void ScrollPageRight() override;
    void ScrollToLeftEnd() override;
    void ScrollToRightEnd() override;

    // 1 when there is no host; Enter follows the want-return rules; else the text services' answer.
    virtual HRESULT TxSendMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) const;
    virtual bool AllowsViewChange() const;
    // Text-services notifications that carry a record reach the window as WM_NOTIFY.
    virtual void OnTxNotify(DWORD code, void* record);

    LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

    bool IsRich() const { return m_bRich; }
    void SetRich(bool rich);
    int GetFont() const { return m_iFont; }
    void SetFont(int index);
    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetTextColor(DWORD argb);
    bool WantsTab() const { return m_bWantTab; }
    void SetWantTab(bool want) { m_bWantTab = want; }
    bool WantsReturn() const { return m_bWantReturn; }
    void SetWantReturn(bool want) { m_bWantReturn = want; }
    bool WantsCtrlReturn() const { return m_bWantCtrlReturn; }
    void SetWantCtrlReturn(bool want) { m_bWantCtrlReturn = want; }
    DWORD GetStyle() const { return m_lTwhStyle; }
    CTxtWinHost* GetTextHost() const { return m_pTwh; }

    // Text, selection and editing through the text services (see RichEditOps.cpp).
    long GetTextLength(DWORD flags = GTL_DEFAULT) const;
    void SetSel(long first, long last);
    CHARRANGE GetSel() const;
    void SetSelAll() { SetSel(0, -1); }
    CStringUI GetSelText() const;
    void ReplaceSel(const wchar_t* text, bool canUndo);
    int GetLimitText() const { return m_iLimitText; }
    // Also the host's maximum length when the host exists.
    void SetLimitText(int limit);
    bool CanUndo() const;
    bool Undo();
    bool CanRedo() const;
    bool Redo();
    void Copy();
    void Cut();
    void Paste();
    void Clear();
    bool GetDefaultCharFormat(CHARFORMAT2W& format) const;
    bool SetDefaultCharFormat(CHARFORMAT2W& format);
    bool GetSelectionCharFormat(CHARFORMAT2W& format) const;
    bool SetSelectionCharFormat(CHARFORMAT2W& format);
    bool GetParaFormat(PARAFORMAT2& format) const;
    bool SetParaFormat(PARAFORMAT2& format);
    DWORD SetEventMask(DWORD mask);
    int GetLineCount() const;

protected:
    // The control less the inset and the visible bars.
    RECT TextRect() const;
    // The content height the text services ask for at the given text width, or -1.
    LONG NaturalHeight(const RECT& text) const;
    void PlaceParts(const RECT& text);
    void SendScroll(UINT msg, WORD code);
    // The filter is registered with the manager the control is attached to while it has a host, and with no
    // other: a manager it has left, or one that built it and threw it away, never calls into it again.
    void FollowManager();

    CTxtWinHost* m_pTwh = NULL;
    bool m_bVScrollBarFixing = false;
    bool m_bWantTab = true;
    bool m_bWantReturn = true;
    bool m_bWantCtrlReturn = true;
    bool m_bRich = true;
    DWORD m_dwTextColor = 0;
    int m_iFont = -1;
    int m_iLimitText = 32767;
    DWORD m_lTwhStyle = ES_MULTILINE;
    bool m_bInited = false;
    CWindowManagerUI* m_pFilterManager = NULL; // the manager holding this control as a message filter
};

} // namespace UiToolkit
