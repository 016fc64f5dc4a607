// kvrinstall: installs the demo model's settings, registry keys and simulated
// printers (install DIR), or removes them again (remove).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "companions/install/DemoModel.h"
#include "companions/install/Installation.h"

namespace {

int Usage() {
    std::fputs("usage:\n  kvrinstall install DIR\n  kvrinstall remove\n", stderr);
    return 2;
}

std::string ProgramDir() {
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, length);
    return dir.substr(0, dir.find_last_of('\\'));
}

std::string FullPath(const char* path) {
    char full[MAX_PATH] = {};
    DWORD length = ::GetFullPathNameA(path, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return {};
    std::string result(full, length);
    while (result.size() > 3 && (result.back() == '\\' || result.back() == '/'))
        result.pop_back();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    if (argc == 3 && std::strcmp(argv[1], "install") == 0) {
        std::string dir = FullPath(argv[2]);
        if (dir.empty()) {
            std::fprintf(stderr, "kvrinstall: bad directory %s\n", argv[2]);
            return 1;
        }
        std::string sounds = ProgramDir() + "\\" + demo::SoundFolder;
        if (!install::Install(dir, sounds, &error)) {
            std::fprintf(stderr, "kvrinstall: %s\n", error.c_str());
            return 1;
        }
        std::printf("kvrinstall: installed %s into %s (printer %s, port %s)\n", demo::Model,
                    dir.c_str(), demo::PrinterName, demo::PortName);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "remove") == 0) {
        std::string dir;
        if (!install::Remove(&dir, &error)) {
            std::fprintf(stderr, "kvrinstall: %s\n", error.c_str());
            return 1;
        }
        std::printf("kvrinstall: removed %s%s%s\n", demo::Model, dir.empty() ? "" : " from ",
                    dir.c_str());
        return 0;
    }
    return Usage();
}
