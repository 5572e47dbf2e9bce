// Container whose child is built from its own skin file.
#pragma once
#include "layout/ContainerUI.h"

namespace UiToolkit {

// A container whose only child is built from another skin file.
class CChildLayoutUI : public CContainerUI
{
public:
    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void Initialise() override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;

    void SetChildLayoutXML(const wchar_t* file) { m_pstrXMLFile = file; }
    const CStringUI& GetChildLayoutXML() const { return m_pstrXMLFile; }

private:
    CStringUI m_pstrXMLFile;
};

} // namespace UiToolkit
