#include <windows.h>
#include <rpc.h>
#include <cstdlib>

// Memory routines of the RPC stubs: the ordinary heap.
extern "C" void* __RPC_USER MIDL_user_allocate(size_t size) {
    return std::malloc(size);
}

extern "C" void __RPC_USER MIDL_user_free(void* memory) {
    std::free(memory);
}
