#pragma once

// Nesting of KLInitialize / KLRelease within one process. Every KLInitialize
// that was not refused outright (result 0 or more) opens a level, because its
// caller will call KLRelease; the release that closes the last level is reported.
namespace levels {

// Opens a level for a result of 0 or more; true when it is the first level.
bool Enter(int initResult);
// -1 when no level is open, 1 when the last level closed, 0 otherwise.
int Leave();

} // namespace levels
