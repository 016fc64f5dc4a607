#include "StatusPoller.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "V_PQIF07.h"

namespace {
std::string OwnDirectory() {
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text(path, length < sizeof path ? length : 0);
    size_t slash = text.rfind('\\');
    return slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
}

bool IsTextReplyKind(long kind) {
    return kind == PQIF_CHANNEL_PREFERRED || kind == PQIF_CHANNEL_ALTERNATE ||
           kind == PQIF_CHANNEL_STATUS;
}
} // namespace

StatusPoller::StatusPoller(const Options& options) : options_(options) {
    library_.reset(::LoadLibraryA((OwnDirectory() + "V_PQIF07.dll").c_str()));
    if (library_)
        query_ = reinterpret_cast<PrGetStatusBFn>(::GetProcAddress(library_.get(), "PrGetStatusB"));
    kind_ = options_.channelKind ? options_.channelKind : PQIF_CHANNEL_PREFERRED;
    if (options_.channelId != 0)
        OpenChannel();
}

StatusPoller::~StatusPoller() {
    if (channel_ && klCloseChannel_)
        klCloseChannel_(channel_);
    if (klReady_ && klRelease_)
        klRelease_();
}

void StatusPoller::OpenChannel() {
    klapi_.reset(::LoadLibraryA(KLApiBinding::ModuleName));
    if (!klapi_)
        return;
    auto get = [&](const char* name) { return ::GetProcAddress(klapi_.get(), name); };
    klInitialize_ = reinterpret_cast<KLInitializeFn>(get("KLInitialize"));
    klRelease_ = reinterpret_cast<KLReleaseFn>(get("KLRelease"));
    klCloseChannel_ = reinterpret_cast<KLCloseChannelFn>(get("KLCloseChannel"));
    auto available = reinterpret_cast<KLGetAvailableChannelFn>(get("KLGetAvailableChannel"));
    auto open = reinterpret_cast<KLOpenChannelFn>(get("KLOpenChannel"));
    if (!klInitialize_ || !klRelease_ || !klCloseChannel_ || !available || !open)
        return;
    if (klInitialize_() != 0)
        return;
    klReady_ = true;

    int byPrinter = options_.printer.empty() ? 0 : 1;
    const char* name = byPrinter ? options_.printer.c_str() : options_.port.c_str();
    long id = options_.channelId;
    if (id < 0) {
        int size = 0;
        if (available(byPrinter, name, nullptr, &size) != KL_BUFFER_TOO_SMALL || size <= 0 ||
            size > 64 * 1024)
            return;
        std::vector<unsigned char> list(static_cast<size_t>(size) + 1);
        int count = available(byPrinter, name, list.data(), &size);
        if (count <= 0)
            return;
        size_t entries = std::min(static_cast<size_t>(count), list.size() / 8);
        for (size_t i = 0; i < entries && id < 0; ++i) {
            PQIF_CHANNEL_ENTRY entry;
            std::memcpy(&entry, list.data() + 8 * i, sizeof entry);
            if (IsTextReplyKind(entry.channelId) || entry.channelId == PQIF_CHANNEL_RECORD)
                id = entry.channelId;
        }
        if (id < 0)
            return;
    }
    channel_ = open(byPrinter, name, static_cast<int>(id));
    if (channel_ && !options_.channelKind)
        kind_ = id;
}

void StatusPoller::Poll(const char* when) {
    if (!query_)
        return;
    LONG result = -99, state = 0, sound = 0, notify = 0, activity = 0;
    LONG answer =
        query_(0, kind_, channel_, &result, &state, &sound, &notify, options_.printer.c_str(),
               options_.port.c_str(), options_.failChoice, options_.model.c_str(), &activity);
    std::printf("%s: PrGetStatusB %ld  result code %ld  state %ld  sound %ld  notify %ld  "
                "activity %ld\n",
                when, answer, result, state, sound, notify, activity);
    std::fflush(stdout);
}
