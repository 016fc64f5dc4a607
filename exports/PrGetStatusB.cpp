#include "V_PQIF07.h"

#include <cstring>
#include <optional>
#include <string>

#include "device/ChanSel.h"
#include "device/KLApiBinding.h"
#include "device/SizedRead.h"
#include "framework/Handles.h"
#include "status/NotifyLookup.h"
#include "status/PrinterKey.h"
#include "status/StatusMap.h"
#include "status/StatusReply.h"
#include "support/DebugLog.h"
#include "support/Registry.h"

namespace {

constexpr DWORD kStringSize = 256;
constexpr LONG kFailureResult = 11;
constexpr LONG kFailureResultAlternate = 14;
constexpr DWORD kComStatusFailed = 0;
constexpr DWORD kComStatusFailedAlternate = 4;

void Put(LONG* out, LONG value) {
    if (out)
        *out = value;
}

// One status query. The printer key is looked up once and shared by every
// store and lookup of the call.
class StatusQuery {
public:
    StatusQuery(KLApiBinding& binding, LONG channel, LONG* resultCode, LONG* printerState,
                LONG* soundFlag, LONG* notifyFlag, const char* printerName, const char* portName,
                LONG failureChoice, const char* modelName, LONG* activity)
        : binding_(binding), channel_(channel), resultCode_(resultCode),
          printerState_(printerState), soundFlag_(soundFlag), notifyFlag_(notifyFlag),
          printerName_(printerName), portName_(portName), failureChoice_(failureChoice),
          modelName_(modelName), activity_(activity) {}

    LONG Run(LONG channelKind) {
        Put(printerState_, 0);
        Put(soundFlag_, 0);
        Put(notifyFlag_, 0);
        Put(activity_, 0);
        DebugLog("---\nPrGetStatusB\n");
        switch (channelKind) {
        case ChannelIdStatus:
        case ChannelIdAlternate:
        case ChannelIdPreferred:
            return channel_ ? TextReplyFromDevice() : TextReplyFromOverride();
        case ChannelIdRecord:
            return RecordReply();
        default:
            Put(resultCode_, kFailureResult);
            return Notify(kFailureResult, kFailureResult);
        }
    }

private:
    auto StatusCall() {
        return [this](void* buffer, int* size) {
            return binding_.KLGetStatus(channel_, buffer, size);
        };
    }

    const char* PrinterKey() {
        if (!keyLooked_) {
            keyLooked_ = true;
            keyFound_ = FindPrinterKeyFor(printerName_, portName_, keyPath_) == 0;
        }
        return keyFound_ ? keyPath_ : nullptr;
    }

    LONG TextReplyFromDevice() {
        std::optional<LocalBuffer> buffer;
        const SizedRead read = ReadWithSizeProbe(StatusCall(), buffer);
        DebugLog(" Status length (KLAPI) : %d\n", read.size);
        DebugLog(" (KLGetStatu() : %d)\n", read.probe);
        if (read.probe == 0)
            return 0;
        if (read.probe == KL_CHANNEL_IN_USE)
            return -1;
        // "Too small" without a size to allocate is a broken answer, as on the record path.
        if (read.stage == SizedRead::Probed)
            return Failure();
        if (read.stage == SizedRead::NoBlock)
            return -1;
        DebugLog(" Printer status (KLAPI) : %.*s\n", static_cast<int>(read.length),
                 reinterpret_cast<const char*>(buffer->data()));
        DebugLog(" (KLGetStatus() : %d)\n", read.read);
        if (read.read == KL_CHANNEL_IN_USE)
            return -1;
        if (read.read == 0)
            return 0;
        if (read.read < 0)
            return Failure();
        return Decode(*buffer, read.length);
    }

    // With no channel, a reply text stored under the debug key stands in for the device.
    LONG TextReplyFromOverride() {
        std::string text;
        {
            Registry debug(HKEY_LOCAL_MACHINE, DebugReplyKeyPath);
            if (!debug.IsOpen())
                return Failure();
            text = debug.GetString("Status", "", kStringSize);
        }
        if (text.empty())
            return Failure();
        LocalBuffer buffer(text.size());
        if (!buffer)
            return -1;
        std::memcpy(buffer.data(), text.data(), text.size());
        return Decode(buffer, static_cast<DWORD>(text.size()));
    }

    LONG Decode(const LocalBuffer& buffer, DWORD length) {
        PrinterStatus status;
        if (ParseStatusReply(buffer.data(), length, &status) != 0)
            return Failure();
        const char* key = PrinterKey();
        if (!key)
            return 1;
        static_cast<void>(StoreDecodedReplyAt(key, buffer.data(), length)); // a record only

        Put(activity_, status.state == 3 ? 2 : 1);
        Put(printerState_, status.state);
        int result = 0;
        int item = 0;
        MapStatusNumber(StatusNumber(status), &result, &item);
        Put(resultCode_, result);
        return Notify(result, item);
    }

    LONG FailureCode() const { return failureChoice_ ? kFailureResultAlternate : kFailureResult; }

    void WriteFailureState() {
        if (const char* key = PrinterKey())
            WriteComStatusAt(key, failureChoice_ ? kComStatusFailedAlternate : kComStatusFailed);
    }

    LONG Failure() {
        const LONG code = FailureCode();
        Put(resultCode_, code);
        WriteFailureState();
        return Notify(code, code);
    }

    // Replies of the record layout are only stored, for the monitor window.
    LONG RecordReply() {
        std::optional<LocalBuffer> buffer;
        const SizedRead read = ReadWithSizeProbe(StatusCall(), buffer);
        if (read.probe == 0)
            return 0;
        if (read.probe == KL_CHANNEL_IN_USE)
            return -1;
        if (read.stage == SizedRead::ReadDone) {
            if (read.read == 0)
                return 0;
            if (read.read == KL_CHANNEL_IN_USE)
                return -1;
            if (read.read > 0) {
                if (const char* key = PrinterKey())
                    static_cast<void>(StoreRawStatusAt(key, buffer->data(), read.length));
            }
        }
        const LONG code = FailureCode();
        Put(resultCode_, code);
        WriteFailureState();
        Put(printerState_, code);
        return Notify(code, code);
    }

    LONG Notify(LONG result, int item) {
        NotifyLookupAt(PrinterKey(), item, soundFlag_, notifyFlag_, modelName_);
        DebugLog(" Status Num : %d,  Item Num : %d\n", static_cast<int>(result), item);
        return 1;
    }

    KLApiBinding& binding_;
    LONG channel_;
    LONG* resultCode_;
    LONG* printerState_;
    LONG* soundFlag_;
    LONG* notifyFlag_;
    const char* printerName_;
    const char* portName_;
    LONG failureChoice_;
    const char* modelName_;
    LONG* activity_;
    bool keyLooked_ = false;
    bool keyFound_ = false;
    char keyPath_[PrinterKeyPathSize] = {};
};

} // namespace

extern "C" LONG WINAPI PrGetStatusB(LONG, LONG channelKind, LONG channel, LONG* resultCode,
                                    LONG* printerState, LONG* soundFlag, LONG* notifyFlag,
                                    const char* printerName, const char* portName,
                                    LONG failureChoice, const char* modelName, LONG* activity) {
    try {
        KLApiBinding binding;
        if (!binding.IsInitialized())
            return 1;
        StatusQuery query(binding, channel, resultCode, printerState, soundFlag, notifyFlag,
                          printerName, portName, failureChoice, modelName, activity);
        return query.Run(channelKind);
    } catch (...) {
        return -1;
    }
}
