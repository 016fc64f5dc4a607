#pragma once
#include <windows.h>
#include <rpc.h>

#include "framework/CObject.h"

// One RPC binding handle to the print-manager service, made by the address
// rules of PmResolveBinding. A successful bind also becomes the process-wide
// implicit handle that the connect operation uses. The bind status is left in
// the thread's last-error value; a failed bind leaves no handle.
class PmRpcBinding : public CObject {
public:
    PmRpcBinding(const char* networkAddress, const char* protocolSequence, const char* endpoint);
    ~PmRpcBinding() override;

    bool IsBound() const noexcept { return m_Handle != nullptr; }
    RPC_BINDING_HANDLE Handle() const noexcept { return m_Handle; }
    RPC_STATUS Status() const noexcept { return m_Status; }

    // The local computer name, read once per process (at most 15 characters;
    // empty when it could not be read).
    static const char* LocalComputerName();

private:
    RPC_BINDING_HANDLE m_Handle = nullptr;
    RPC_STATUS m_Status = RPC_S_OK;
};
