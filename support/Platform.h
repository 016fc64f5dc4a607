#pragma once

// True on the NT family, where the print manager runs as a service and the
// setup tool needs an administrator; false on the older consumer family.
[[nodiscard]] bool IsNtPlatform();
