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
    status_ = ::RpcStringBindingComposeA(nullptr, Text(parts.protocolSequence),
                                         Text(parts.networkAddress), Text(parts.endpoint), nullptr,
                                         &stringBinding);
    if (status_ == RPC_S_OK) {
        status_ = ::RpcBindingFromStringBindingA(stringBinding, &handle_);
        if (status_ != RPC_S_OK)
            handle_ = nullptr;
        ::RpcStringFreeA(&stringBinding);
    }
    if (handle_)
        PmImplicitBinding = handle_;
    ::SetLastError(status_);
}

PmRpcBinding::~PmRpcBinding() {
    if (!handle_)
        return;
    // The implicit handle must not outlive the binding it copies.
    if (PmImplicitBinding == handle_)
        PmImplicitBinding = nullptr;
    RPC_STATUS status = ::RpcBindingFree(&handle_);
    if (status == RPC_S_OK)
        handle_ = nullptr;
    ::SetLastError(status);
}
