#include "companions/klapi/InitLevels.h"

#include <mutex>

namespace levels {
namespace {

std::mutex& Lock() {
    static std::mutex lock;
    return lock;
}
int open = 0;

} // namespace

bool Enter(int initResult) {
    if (initResult < 0)
        return false;
    std::lock_guard<std::mutex> guard(Lock());
    return open++ == 0;
}

int Leave() {
    std::lock_guard<std::mutex> guard(Lock());
    if (open == 0)
        return -1;
    return --open == 0 ? 1 : 0;
}

} // namespace levels
