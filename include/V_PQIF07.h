/*
 * V_PQIF07.dll: printer status interface of the ink-jet printer software.
 * C and C++ callers; all functions are __stdcall (WINAPI) and exported by
 * undecorated name and by ordinal. Strings are zero-terminated in the ANSI
 * code page.
 */
#ifndef V_PQIF07_H
#define V_PQIF07_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Channel kinds, as listed by the bidirectional library. */
#define PQIF_CHANNEL_STATUS 0x00000004L
#define PQIF_CHANNEL_PREFERRED 0x10010003L
#define PQIF_CHANNEL_ALTERNATE 0x10000003L
#define PQIF_CHANNEL_RECORD 0x02000001L

/* Capability bits of a channel entry. */
#define PQIF_CHANNEL_FLAG_STATUS 0x0004
#define PQIF_CHANNEL_FLAG_SLOW 0x8000

/* One entry of a channel list (8 bytes, packed). */
#pragma pack(push, 1)
typedef struct PQIF_CHANNEL_ENTRY {
    LONG channelId;
    WORD flags;
    WORD value;
} PQIF_CHANNEL_ENTRY;
#pragma pack(pop)

/* Ordinal 1: enumerates the items whose notification the user can switch.
   Start with *index = 0; returns 0 with an item, 1 when the list is over. */
LONG WINAPI PrEnumItem(HMODULE resourceModule, LONG* index, char* name /* 260 bytes */,
                       LONG* itemCode);

/* Ordinal 2: reads raw data waiting on an open channel into a LocalAlloc block
   stored in *data (a previous block there is LocalFree'd). 1: no communication
   library; -1: channel 0; otherwise 0. */
LONG WINAPI PrGetPrnData(LONG reserved1, LONG reserved2, LONG channel, LONG* value, void** data);

/* Ordinal 4: kept for compatibility; does nothing and returns 0. */
LONG WINAPI PrReleaseReg(void);

/* Ordinal 6: sends nothing; 0 when length > 0, else -1. */
LONG WINAPI PrSendPrnData(LONG reserved1, LONG reserved2, LONG length);

#ifdef __cplusplus
}
#endif

#endif /* V_PQIF07_H */
