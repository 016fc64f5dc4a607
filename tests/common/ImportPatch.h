#pragma once
// Replaces one imported function in a module's import table (this program's
// unless another module is named) for the life of the object, so that a test can make a system call
// behave as Windows may (a buffer left undefined, a write that fails) where Wine happens not to.
#include <windows.h>

#include <cstring>

class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, void* replacement,
                HMODULE module = nullptr) {
        slot_ = Find(module ? module : ::GetModuleHandleA(nullptr), dll, function);
        if (!slot_)
            return;
        original_ = *slot_;
        Write(replacement);
    }
    ~ImportPatch() {
        if (slot_)
            Write(original_);
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool Active() const { return slot_ != nullptr; }
    template <typename Fn> Fn Original() const { return reinterpret_cast<Fn>(original_); }

private:
    static void** Find(HMODULE module, const char* dll, const char* function) {
        auto* base = reinterpret_cast<BYTE*>(module);
        auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
        auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir =
            nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (!dir.VirtualAddress)
            return nullptr;
        for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
             entry->Name; ++entry) {
            if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0)
                continue;
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
            auto* slots = reinterpret_cast<void**>(base + entry->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                    continue;
                auto* byName =
                    reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                    return slots;
            }
        }
        return nullptr;
    }
    void Write(void* value) {
        DWORD old = 0;
        ::VirtualProtect(slot_, sizeof value, PAGE_READWRITE, &old);
        *slot_ = value;
        ::VirtualProtect(slot_, sizeof value, old, &old);
    }

    void** slot_ = nullptr;
    void* original_ = nullptr;
};
