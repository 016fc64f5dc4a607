#include "jobs/rpc/PmRpcBinding.h"

#include "PrintManager.h"
#include "jobs/PmNames.h"

namespace {
unsigned char* Text(const std::string& s) {
    return s.empty() ? nullptr : reinterpret_cast<unsigned char*>(const_cast<char*>(s.c_str()));
}
} // namespace

const char* PmRpcBinding::LocalComputerName() {
    static const struct ComputerName {
        char text[MAX_COMPUTERNAME_LENGTH + 1] = {};
        ComputerName() {
            DWORD size = sizeof text;
            if (!::GetComputerNameA(text, &size))
                text[0] = 0;
        }
    } name;
    return name.text;
}

PmRpcBinding::PmRpcBinding(const char* networkAddress, const char* protocolSequence,
                           const char* endpoint) {
    PmBindingParts parts =
        PmResolveBinding(networkAddress, protocolSequence, endpoint, LocalComputerName());
    unsigned char* stringBinding = nullptr;
    m_Status = ::RpcStringBindingComposeA(nullptr, Text(parts.protocolSequence),
                                          Text(parts.networkAddress), Text(parts.endpoint), nullptr,
                                          &stringBinding);
    if (m_Status == RPC_S_OK) {
        m_Status = ::RpcBindingFromStringBindingA(stringBinding, &m_Handle);
        if (m_Status != RPC_S_OK)
            m_Handle = nullptr;
        ::RpcStringFreeA(&stringBinding);
    }
    if (m_Handle)
        PmImplicitBinding = m_Handle;
    ::SetLastError(m_Status);
}

PmRpcBinding::~PmRpcBinding() {
    if (!m_Handle)
        return;
    // The implicit handle must not outlive the binding it copies.
    if (PmImplicitBinding == m_Handle)
        PmImplicitBinding = nullptr;
    RPC_STATUS status = ::RpcBindingFree(&m_Handle);
    if (status == RPC_S_OK)
        m_Handle = nullptr;
    ::SetLastError(status);
}
