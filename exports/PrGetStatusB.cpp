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
// The printer state that counts as busy for *activity.
constexpr int kStatePrinting = 0x03;
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
        : m_Binding(binding), m_Channel(channel), m_ResultCode(resultCode),
          m_PrinterState(printerState), m_SoundFlag(soundFlag), m_NotifyFlag(notifyFlag),
          m_PrinterName(printerName), m_PortName(portName), m_FailureChoice(failureChoice),
          m_ModelName(modelName), m_Activity(activity) {}

    LONG Run(LONG channelKind) {
        Put(m_PrinterState, 0);
        Put(m_SoundFlag, 0);
        Put(m_NotifyFlag, 0);
        Put(m_Activity, PQIF_ACTIVITY_NONE);
        DebugLog("---\nPrGetStatusB\n");
        switch (channelKind) {
        case ChannelIdStatus:
        case ChannelIdAlternate:
        case ChannelIdPreferred:
            return m_Channel ? TextReplyFromDevice() : TextReplyFromOverride();
        case ChannelIdRecord:
            return RecordReply();
        default:
            Put(m_ResultCode, PQIF_RESULT_NOT_AVAILABLE);
            return Notify(PQIF_RESULT_NOT_AVAILABLE, PQIF_ITEM_NOT_AVAILABLE);
        }
    }

private:
    auto StatusCall() {
        return [this](void* buffer, int* size) {
            return m_Binding.KLGetStatus(m_Channel, buffer, size);
        };
    }

    const char* PrinterKey() {
        if (!m_KeyLooked) {
            m_KeyLooked = true;
            m_KeyFound = FindPrinterKeyFor(m_PrinterName, m_PortName, m_KeyPath) == 0;
        }
        return m_KeyFound ? m_KeyPath : nullptr;
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

        Put(m_Activity, status.state == kStatePrinting ? PQIF_ACTIVITY_BUSY : PQIF_ACTIVITY_IDLE);
        Put(m_PrinterState, status.state);
        int result = 0;
        int item = 0;
        MapStatusNumber(StatusNumber(status), &result, &item);
        Put(m_ResultCode, result);
        return Notify(result, item);
    }

    LONG FailureCode() const {
        return m_FailureChoice ? PQIF_RESULT_COMM_ERROR : PQIF_RESULT_NOT_AVAILABLE;
    }

    void WriteFailureState() {
        if (const char* key = PrinterKey())
            WriteComStatusAt(key, m_FailureChoice ? kComStatusFailedAlternate : kComStatusFailed);
    }

    LONG Failure() {
        const LONG code = FailureCode();
        Put(m_ResultCode, code);
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
        Put(m_ResultCode, code);
        WriteFailureState();
        Put(m_PrinterState, code);
        return Notify(code, code);
    }

    LONG Notify(LONG result, int item) {
        NotifyLookupAt(PrinterKey(), item, m_SoundFlag, m_NotifyFlag, m_ModelName);
        DebugLog(" Status Num : %d,  Item Num : %d\n", static_cast<int>(result), item);
        return 1;
    }

    KLApiBinding& m_Binding;
    LONG m_Channel;
    LONG* m_ResultCode;
    LONG* m_PrinterState;
    LONG* m_SoundFlag;
    LONG* m_NotifyFlag;
    const char* m_PrinterName;
    const char* m_PortName;
    LONG m_FailureChoice;
    const char* m_ModelName;
    LONG* m_Activity;
    bool m_KeyLooked = false;
    bool m_KeyFound = false;
    char m_KeyPath[PrinterKeyPathSize] = {};
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
