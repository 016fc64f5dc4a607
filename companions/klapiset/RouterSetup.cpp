#include "RouterSetup.h"

#include <vector>

#include "RouterPlan.h"
#include "support/Registry.h"

namespace klapiset {

namespace {

struct SimFlags {
    bool routerInUse = false;
    bool fileReplaced = false;
    bool denyWrite = false;
};

SimFlags RecordRequest(const SetupRequest& request) {
    Registry sim(HKEY_CURRENT_USER, kSimKey, true);
    SimFlags flags;
    flags.routerInUse = sim.GetDword("RouterInUse", 0) == 1;
    flags.fileReplaced = sim.GetDword("FileReplaced", 0) == 1;
    flags.denyWrite = sim.GetDword("DenyWrite", 0) == 1;
    // The tests' record of the request; the answer does not depend on it.
    static_cast<void>(sim.SetString("LastDriver", request.driver.c_str()) &&
                      sim.SetDword("LastWindow", request.window) &&
                      sim.SetDword("LastMessage", request.message) &&
                      sim.SetDword("Runs", sim.GetDword("Runs", 0) + 1));
    return flags;
}

uint32_t UpdateRouter(const SimFlags& flags) {
    Registry router(HKEY_LOCAL_MACHINE, kRouterKey, true, KEY_READ | KEY_WRITE);
    if (!router.IsOpen())
        return kNotAllowed;

    // A slot is free when it is missing or an empty string; anything else,
    // unreadable or of another type included, belongs to someone and stays.
    std::vector<RouterSlot> slots(kRouterSlots);
    for (int i = 0; i < kRouterSlots; ++i) {
        const std::string name = SlotName(i);
        RouterSlot& slot = slots[static_cast<size_t>(i)];
        const DWORD type = router.GetValueType(name.c_str());
        const DWORD size = router.GetValueSize(name.c_str());
        const bool isString = router.IsStringValue(name.c_str()) != 0;
        slot.free = (type == 0 && size == 0) || (isString && size <= 1);
        if (isString)
            slot.text = router.GetString(name.c_str(), "", 257);
    }

    std::vector<RouterWrite> writes;
    if (!PlanRouterUpdate(slots, &writes))
        return kNotAllowed;
    for (const RouterWrite& w : writes)
        if (flags.denyWrite || !router.SetString(SlotName(w.slot).c_str(), w.value.c_str()))
            return kNotAllowed;
    return kDone;
}

} // namespace

uint32_t RunSetup(const SetupRequest& request) {
    const SimFlags flags = RecordRequest(request);
    if (flags.routerInUse)
        return kRouterInUse;
    uint32_t bits = UpdateRouter(flags);
    if ((bits & kDone) && flags.fileReplaced)
        bits |= kFilesReplaced;
    return bits;
}

} // namespace klapiset
