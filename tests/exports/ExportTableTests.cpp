#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/common/SimTestSupport.h"

namespace {

struct ExportEntry {
    const char* name;
    WORD ordinal;
};

// Generated from exports/V_PQIF07.def at configure time.
const ExportEntry kExports[] = {
#include "ExportTable.inc"
};

class Module {
public:
    explicit Module(const std::string& path) : module_(::LoadLibraryA(path.c_str())) {}
    ~Module() {
        if (module_)
            ::FreeLibrary(module_);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

const IMAGE_EXPORT_DIRECTORY* ExportDirectory(HMODULE module) {
    auto base = reinterpret_cast<const BYTE*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    return dir.VirtualAddress
               ? reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress)
               : nullptr;
}

TEST(ExportTable, EveryListedExportResolvesByNameAndByItsOrdinal) {
    ASSERT_GT(sizeof kExports / sizeof kExports[0], 0u);
    Module dll(simtest::ProgramDir() + "\\V_PQIF07.dll");
    ASSERT_NE(dll.get(), nullptr);
    std::set<WORD> ordinals;
    for (const ExportEntry& e : kExports) {
        SCOPED_TRACE(e.name);
        EXPECT_TRUE(ordinals.insert(e.ordinal).second) << "ordinal listed twice";
        FARPROC byName = ::GetProcAddress(dll.get(), e.name);
        FARPROC byOrdinal = ::GetProcAddress(dll.get(), MAKEINTRESOURCEA(e.ordinal));
        EXPECT_NE(byName, nullptr);
        EXPECT_EQ(byName, byOrdinal);
    }
}

TEST(ExportTable, ExportsExactlyTheListedUndecoratedNames) {
    Module dll(simtest::ProgramDir() + "\\V_PQIF07.dll");
    ASSERT_NE(dll.get(), nullptr);
    const IMAGE_EXPORT_DIRECTORY* dir = ExportDirectory(dll.get());
    ASSERT_NE(dir, nullptr);
    auto base = reinterpret_cast<const BYTE*>(dll.get());
    auto names = reinterpret_cast<const DWORD*>(base + dir->AddressOfNames);
    std::set<std::string> exported;
    for (DWORD i = 0; i < dir->NumberOfNames; ++i)
        exported.insert(reinterpret_cast<const char*>(base + names[i]));
    std::set<std::string> listed;
    for (const ExportEntry& e : kExports)
        listed.insert(e.name);
    EXPECT_EQ(exported, listed);
    auto name = reinterpret_cast<const char*>(base + dir->Name);
    EXPECT_EQ(_stricmp(name, "V_PQIF07.dll"), 0) << name;
}

} // namespace
