#include "ui/ResText.h"

#include "framework/ResourceModule.h"

ResText::ResText() : module(AfxGetResourceHandle()) {}

int ResText::Load(UINT id) {
    module = AfxGetResourceHandle();
    char buffer[Capacity] = {};
    int length = ::LoadStringA(module, id, buffer, Capacity);
    if (length < 0 || length >= Capacity)
        length = 0;
    text.assign(buffer, static_cast<size_t>(length));
    return length != 0 ? 1 : 0;
}
