#include "jobs/GuardedBuffer.h"

namespace {
size_t PageSize() {
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    return info.dwPageSize;
}
} // namespace

GuardedBuffer::~GuardedBuffer() {
    Free();
}

void GuardedBuffer::Free() noexcept {
    if (base_)
        ::VirtualFree(base_, 0, MEM_RELEASE);
    base_ = nullptr;
    usable_ = 0;
}

unsigned char* GuardedBuffer::Take(size_t size) {
    if (size > usable_) {
        Free();
        size_t page = PageSize();
        if (size > (SIZE_MAX / 2))
            return nullptr;
        size_t usable = (size + page - 1) / page * page;
        if (usable == 0)
            usable = page;
        auto* base = static_cast<unsigned char*>(
            ::VirtualAlloc(nullptr, usable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (!base)
            return nullptr;
        DWORD previous;
        if (!::VirtualProtect(base + usable, page, PAGE_NOACCESS, &previous)) {
            ::VirtualFree(base, 0, MEM_RELEASE);
            return nullptr;
        }
        base_ = base;
        usable_ = usable;
    }
    return base_ + usable_ - size;
}
