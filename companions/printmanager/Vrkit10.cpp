// The in-process print manager: the job engine behind the module's ordinals.
// Each export is numbered with the operation the service serves it under, for
// the store's scripted hang.
#include <windows.h>

#include "JobEngine.h"
#include "framework/ThreadRecordRelease.h"
#include "jobs/PmValueKinds.h"

namespace {
JobEngine& Engine() {
    static JobEngine engine;
    return engine;
}

template <typename Call> LONG Guarded(Call&& call) {
    try {
        return call();
    } catch (...) {
        return 0;
    }
}
} // namespace

extern "C" {

// The module is loaded and let go by the job monitor's worker, which goes on.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH || (reason == DLL_PROCESS_DETACH && !reserved))
        ReleaseThreadRecordOfCallingThread(instance);
    return TRUE;
}

LONG WINAPI KitOpenQueue(const char* printerName, const char* portName, LONG, const void*) {
    Engine().AnswerWhenAllowed(4);
    return Guarded([&] { return Engine().OpenQueue(printerName, portName); });
}

LONG WINAPI KitCloseQueue(LONG queue) {
    Engine().AnswerWhenAllowed(5);
    return Guarded([&] { return Engine().CloseQueue(queue); });
}

LONG WINAPI KitHasJob(LONG queue) {
    Engine().AnswerWhenAllowed(6);
    return Guarded([&] { return Engine().HasJob(queue); });
}

LONG WINAPI KitGetCurrentJob(LONG queue) {
    Engine().AnswerWhenAllowed(9);
    return Guarded([&] { return Engine().GetCurrentJob(queue); });
}

LONG WINAPI KitIsJobActive(LONG queue, LONG job) {
    Engine().AnswerWhenAllowed(10);
    return Guarded([&] { return Engine().IsJobActive(queue, job); });
}

// The value's size is the one its kind has.
LONG WINAPI KitSetJobValue(LONG queue, LONG job, LONG kind, const void* value) {
    Engine().AnswerWhenAllowed(11);
    return Guarded(
        [&] { return Engine().SetJobValue(queue, job, kind, value, PmValueSize(kind, value)); });
}

LONG WINAPI KitGetJobValue(LONG queue, LONG job, LONG kind, void* buffer, LONG size, LONG* needed) {
    Engine().AnswerWhenAllowed(13);
    return Guarded([&] {
        int32_t need = needed ? *needed : 0;
        int32_t result = Engine().GetJobValue(queue, job, kind, buffer, size, &need);
        if (needed)
            *needed = need;
        return result;
    });
}

LONG WINAPI KitBeginJobWatch(LONG queue, LONG job) {
    Engine().AnswerWhenAllowed(14);
    return Guarded([&] { return Engine().BeginJobWatch(queue, job); });
}

LONG WINAPI KitEndJobWatch(LONG queue, LONG job) {
    Engine().AnswerWhenAllowed(15);
    return Guarded([&] { return Engine().EndJobWatch(queue, job); });
}

} // extern "C"
