#include "ui/ResText.h"

#include "framework/ResourceModule.h"

ResText::ResText() : m_hModule(AfxGetResourceHandle()) {}

int ResText::Load(UINT id) {
    m_hModule = AfxGetResourceHandle();
    char buffer[Capacity] = {};
    int length = ::LoadStringA(m_hModule, id, buffer, Capacity);
    if (length < 0 || length >= Capacity)
        length = 0;
    m_Text.assign(buffer, static_cast<size_t>(length));
    return length != 0 ? 1 : 0;
}
