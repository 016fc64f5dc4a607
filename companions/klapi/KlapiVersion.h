#pragma once

// Version of the simulated bidirectional library; the installer records it
// under the library's information key.
#define KLAPI_VERSION_TEXT "2.10"
#define KLAPI_VERSION_BINARY 2, 10, 0, 0
