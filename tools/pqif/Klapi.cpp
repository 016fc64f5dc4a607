#include "tools/pqif/Klapi.h"

namespace {
constexpr int kBufferTooSmall = -4;
constexpr int kMaxBytes = 64 * 1024;

template <typename Fn> bool Resolve(HMODULE module, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(::GetProcAddress(module, name));
    return fn != nullptr;
}
} // namespace

Klapi::Klapi() : module_(::LoadLibraryA("KLAPI.DLL")) {
    if (!module_) {
        error_ = "KLAPI.DLL could not be loaded";
        return;
    }
    if (!Resolve(module_, "KLInitialize", initialize_) ||
        !Resolve(module_, "KLRelease", release_) ||
        !Resolve(module_, "KLGetAvailableChannel", list_) ||
        !Resolve(module_, "KLOpenChannel", open_) || !Resolve(module_, "KLCloseChannel", close_) ||
        !Resolve(module_, "KLReceiveCancel", cancel_) ||
        !Resolve(module_, "KLGetDeviceID", deviceId_)) {
        error_ = "KLAPI.DLL lacks an entry point";
        return;
    }
    int rc = initialize_();
    if (rc != 0) {
        error_ = "KLInitialize failed (" + std::to_string(rc) + ")";
        if (rc > 0)
            release_();
        return;
    }
    initialized_ = true;
}

Klapi::~Klapi() {
    if (initialized_)
        release_();
    if (module_)
        ::FreeLibrary(module_);
}

bool Klapi::Channels(int byPrinter, const char* name, std::vector<PQIF_CHANNEL_ENTRY>* list,
                     std::string* error) {
    list->clear();
    int size = 0;
    int rc = list_(byPrinter, name, nullptr, &size);
    if (rc != kBufferTooSmall || size <= 0 || size > kMaxBytes) {
        *error = std::string(rc == -16 ? "no such printer, or it cannot be reached"
                                       : "the printer lists no channel") +
                 " (KLGetAvailableChannel " + std::to_string(rc) + ")";
        return false;
    }
    std::vector<PQIF_CHANNEL_ENTRY> entries(static_cast<std::size_t>(size) / 8 + 1);
    int got = size;
    rc = list_(byPrinter, name, entries.data(), &got);
    if (rc <= 0) {
        *error =
            "the channel list could not be read (KLGetAvailableChannel " + std::to_string(rc) + ")";
        return false;
    }
    entries.resize(std::min<std::size_t>(static_cast<std::size_t>(rc), size / 8));
    *list = std::move(entries);
    return true;
}

int Klapi::Open(int byPrinter, const char* name, int channelKind) {
    return open_(byPrinter, name, channelKind);
}

void Klapi::Close(int channel) {
    if (channel) {
        cancel_(channel);
        close_(channel);
    }
}

std::string Klapi::DeviceId(int byPrinter, const char* name) {
    int size = 0;
    if (deviceId_(byPrinter, name, nullptr, &size) != kBufferTooSmall || size <= 0 ||
        size > kMaxBytes)
        return {};
    std::vector<char> text(static_cast<std::size_t>(size) + 1, '\0');
    int got = size;
    if (deviceId_(byPrinter, name, text.data(), &got) < 0)
        return {};
    return std::string(text.data(), strnlen(text.data(), static_cast<std::size_t>(size)));
}
