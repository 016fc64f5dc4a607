/*
 * V_PQIF07.dll: printer status interface of the ink-jet printer software.
 * A 32-bit DLL for C and C++ callers (C89 and later, C++98 and later). All
 * functions are __stdcall (WINAPI) and exported by undecorated name and by
 * ordinal; link with libV_PQIF07.dll.a (MinGW) or V_PQIF07.lib (MSVC).
 * Strings are zero-terminated in the ANSI code page.
 *
 * Ownership, unless a function says otherwise: every pointer argument belongs
 * to the caller, is used only during the call and is never kept or freed by
 * the library; out pointers may be NULL where noted. The one block the library
 * hands over is PrGetPrnData's, which the caller frees with LocalFree. No
 * function throws or lets an exception out.
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
   Start with *index = 0; returns 0 with an item, 1 when the list is over.
   Ownership: resourceModule is the caller's loaded resource library (not
   freed); name is a caller's buffer of 260 bytes, filled with the item's text;
   index and itemCode are the caller's. */
LONG WINAPI PrEnumItem(HMODULE resourceModule, LONG* index, char* name /* 260 bytes */,
                       LONG* itemCode);

/* Ordinal 2: reads raw data waiting on an open channel into a LocalAlloc block
   stored in *data (a previous block there is LocalFree'd). 1: no communication
   library; -1: channel 0; otherwise 0.
   Ownership: the block in *data after the call belongs to the caller, who
   frees it with LocalFree; a non-NULL *data on entry must be a LocalAlloc block
   the caller gives up (it is freed only when new data arrives). *data is
   unchanged when nothing was waiting. The data's length is not returned.
   channel stays the caller's (opened and closed through KLAPI.DLL). */
LONG WINAPI PrGetPrnData(LONG reserved1, LONG reserved2, LONG channel, LONG* value, void** data);

/* Ordinal 4: kept for compatibility; does nothing and returns 0. It frees
   nothing: the keys SetRegDefaultValue writes stay. */
LONG WINAPI PrReleaseReg(void);

/* Ordinal 6: sends nothing; 0 when length > 0, else -1. */
LONG WINAPI PrSendPrnData(LONG reserved1, LONG reserved2, LONG length);

/* Result codes of PrGetStatusB (*resultCode), with the printer conditions
   (state code; error code when the state is 0; first warning code) behind them. */
#define PQIF_RESULT_READY 1 /* state 0x04, no warning */
#define PQIF_RESULT_PAPER_ERROR                                                                    \
    3                                /* paper out, manual feed, size mismatch, double feed         \
                                        (errors 0x06, 0x0E, 0x12, 0x13) */
#define PQIF_RESULT_COVER_OPEN 6     /* error 0x02 */
#define PQIF_RESULT_INK_LOW 9        /* warnings 0x10 to 0x15, one per ink slot */
#define PQIF_RESULT_INK_OUT 10       /* ink out (error 0x05) or a cartridge change (state 0x08) */
#define PQIF_RESULT_NOT_AVAILABLE 11 /* no usable reply (failureChoice 0), or state unknown */
#define PQIF_RESULT_ERROR 12         /* any other printer error */
#define PQIF_RESULT_MAINTENANCE 13   /* warning 0x20: ink pad nearly full */
#define PQIF_RESULT_COMM_ERROR 14    /* no usable reply (failureChoice non-zero), or error 0x01 */
#define PQIF_RESULT_BUSY                                                                           \
    15                           /* getting ready, cleaning, busy, turning off                     \
                                    (states 0x06, 0x07, 0x09, 0x0A) */
#define PQIF_RESULT_PRINTING 999 /* states 0x02, 0x03 */

/* Item numbers: the key of a state's message and notification setting
   (HKCU printer key, subkey "Notify", value "%03d"). The items a user can
   switch (PrEnumItem) are 12, 11, 14, 9 and 13. */
#define PQIF_ITEM_READY 1
#define PQIF_ITEM_INK_LOW 9
#define PQIF_ITEM_NOT_AVAILABLE 11
#define PQIF_ITEM_ERROR 12
#define PQIF_ITEM_MAINTENANCE 13
#define PQIF_ITEM_COMM_ERROR 14
#define PQIF_ITEM_BUSY 15
#define PQIF_ITEM_PRINTING 999

/* *activity of PrGetStatusB. */
#define PQIF_ACTIVITY_NONE 0 /* no reply was decoded */
#define PQIF_ACTIVITY_IDLE 1
#define PQIF_ACTIVITY_BUSY 2 /* the printer reports state 0x03 */

/* Results of SetRegDefaultValue. */
#define PQIF_DEFAULTS_WRITTEN 0
#define PQIF_DEFAULTS_NO_PRINTER_KEY 1
#define PQIF_DEFAULTS_NOTIFY_EXISTS 3
#define PQIF_DEFAULTS_NO_ITEMNUM 4
#define PQIF_DEFAULTS_ITEMS_MISSING 5

/* Messages the monitor window accepts (WM_USER + n). */
#define PQIF_WM_STATUS_READY 1026  /* lParam: channel handle; status can be read */
#define PQIF_WM_JOB_QUEUED 1029    /* lParam: spooler job id */
#define PQIF_WM_SHOW_DETAIL 1030   /* open the detail view */
#define PQIF_WM_CHANNEL_SETUP 1224 /* lParam: result bits of the channel-setup tool */

/* Ordinal 3: a printer's current state in one call, over a channel the caller
   opened through the bidirectional library (KLOpenChannel).
     reserved       ignored
     channelKind    the kind chosen by PrSelectChan (PQIF_CHANNEL_*); any other
                    value yields PQIF_RESULT_NOT_AVAILABLE without device access
     channel        open channel handle; 0 reads a reply text from the HKLM key
                    software\VORNE\KVR7\Debug, value "Status", instead
     resultCode     out: a PQIF_RESULT_* code; unchanged when 0 or -1 is returned
     printerState   out: the printer's state code (on PQIF_CHANNEL_RECORD, the result code)
     soundFlag      out: 1 when a sound is due for this state
     notifyFlag     out: the notification setting of the state's item
     printerName    spooler printer name, may be NULL or empty
     portName       port name, used when printerName is empty
     failureChoice  non-zero: failures report PQIF_RESULT_COMM_ERROR, else
                    PQIF_RESULT_NOT_AVAILABLE
     modelName      printer model; names its settings file for notification defaults
     activity       out: a PQIF_ACTIVITY_* value
   Returns 1 when the outputs are set (also when the communication library is
   missing: then nothing is written), 0 when the printer had no status to
   report, -1 when the channel is in use by another client or memory ran out.
   The reply and the communication state are recorded in the printer's key
   under HKCU software\VORNE\KVR7\KVRData. Out pointers may be NULL.
   Ownership: the strings are only read during the call; the channel stays
   open and the caller's (close it with KLCloseChannel). */
LONG WINAPI PrGetStatusB(LONG reserved, LONG channelKind, LONG channel, LONG* resultCode,
                         LONG* printerState, LONG* soundFlag, LONG* notifyFlag,
                         const char* printerName, const char* portName, LONG failureChoice,
                         const char* modelName, LONG* activity);

/* Ordinal 5: picks the status channel from a channel list (as
   KLGetAvailableChannel writes it). Kinds are tried in the order
   PQIF_CHANNEL_STATUS, _PREFERRED, _ALTERNATE, _RECORD; for each kind only its
   first entry counts, and only with PQIF_CHANNEL_FLAG_STATUS set. When one is
   chosen, *channelKind receives its id and *reserved1, *reserved2 receive 0;
   otherwise all three are left untouched.
   Returns 1 for an empty list (count < 1 or NULL), 1 when the list could not
   be copied, otherwise 0 (whether or not a channel was chosen).
   Ownership: list (count entries of 8 bytes) is only read during the call and
   stays the caller's to free, with the allocator that made it. */
LONG WINAPI PrSelectChan(LONG reserved, const PQIF_CHANNEL_ENTRY* list, LONG count,
                         LONG* channelKind, LONG* reserved1, LONG* reserved2);

/* Ordinal 10: copies a printer model's monitor defaults from its settings file
   (section `section` of the INI file `settingsPath`) into the existing printer
   key HKCU\`printerKeyPath`, and its item defaults (ITEMNUM, ITEM000..ITEM999)
   into a new subkey "Notify". Returns a PQIF_DEFAULTS_* code: 0 all written;
   1 the printer key does not exist; 3 "Notify" already exists or cannot be
   created (items not written); 4 no valid ITEMNUM; 5 fewer ITEM keys than
   ITEMNUM says (those found are written). Nothing is rolled back.
   Ownership: the three strings are only read during the call; the registry
   values written stay until someone deletes them (PrReleaseReg does not). */
LONG WINAPI SetRegDefaultValue(const char* settingsPath, const char* section,
                               const char* printerKeyPath);


/* Ordinals 9, 7 and 8: open the monitor window for one printer and return when
   it has closed; the caller's thread runs the window's modal loop meanwhile.
     printerName      spooler printer name; may be empty when the port identifies
                      the printer
     portName         the printer's port
     model            the model name: section of its settings file, and the model
                      the printer's device ID must name
     settingsFile     path of the model's settings file
     resourceLibrary  path of the language resource library (texts, icons,
                      dialog templates)
     jobId            (PrStartKVR_PM) spooler id of the job to follow
   PrStartKVR_S starts in the popup alert, PrStartKVR_D in the detail view and
   PrStartKVR_PM in the progress meter, which stays hidden until the job prints
   and never takes the focus. Returns 0 when the window was run (whatever its
   own outcome, also when it refused to open because the printer's driver is
   unknown), 1 when the launch failed before it: the printer is already
   followed by this call's job monitor, the communication library is missing,
   or the resource library cannot be loaded.
   Ownership: the strings are only read while the call runs; the library loads
   and frees its own copy of the resource library, and never takes the
   caller's modules. Call it from a thread that may block for as long as the
   window is open. */
LONG WINAPI PrStartKVR_S(const char* printerName, const char* portName, const char* model,
                         const char* settingsFile, const char* resourceLibrary);
LONG WINAPI PrStartKVR_D(const char* printerName, const char* portName, const char* model,
                         const char* settingsFile, const char* resourceLibrary);
LONG WINAPI PrStartKVR_PM(const char* printerName, const char* portName, const char* model,
                          const char* settingsFile, const char* resourceLibrary, LONG jobId);

#ifdef __cplusplus
}
#endif

#endif /* V_PQIF07_H */
