/*
 * Compiled by scripts/test-packages as C89, C99 and C++ against the SDK's
 * header alone. Each export is assigned to a pointer of its documented type:
 * on i386 a declaration without WINAPI (or with another parameter list) is an
 * incompatible pointer, an error under -Werror. In C++ the redeclarations with
 * C linkage fail when the header lacks extern "C", and linking the program
 * (HEADER_CHECK_MAIN) against the import library fails with mangled names.
 */
#include "V_PQIF07.h"

#ifdef __cplusplus
extern "C" LONG WINAPI PrReleaseReg(void);
extern "C" LONG WINAPI PrSendPrnData(LONG reserved1, LONG reserved2, LONG length);
#endif

typedef LONG(WINAPI* PrEnumItemFn)(HMODULE, LONG*, char*, LONG*);
typedef LONG(WINAPI* PrGetPrnDataFn)(LONG, LONG, LONG, LONG*, void**);
typedef LONG(WINAPI* PrGetStatusBFn)(LONG, LONG, LONG, LONG*, LONG*, LONG*, LONG*, const char*,
                                     const char*, LONG, const char*, LONG*);
typedef LONG(WINAPI* PrReleaseRegFn)(void);
typedef LONG(WINAPI* PrSelectChanFn)(LONG, const PQIF_CHANNEL_ENTRY*, LONG, LONG*, LONG*, LONG*);
typedef LONG(WINAPI* PrSendPrnDataFn)(LONG, LONG, LONG);
typedef LONG(WINAPI* PrStartFn)(const char*, const char*, const char*, const char*, const char*);
typedef LONG(WINAPI* PrStartKVR_PMFn)(const char*, const char*, const char*, const char*,
                                      const char*, LONG);
typedef LONG(WINAPI* SetRegDefaultValueFn)(const char*, const char*, const char*);

/* The channel entry is the bidirectional library's 8-byte record. */
typedef char ChannelEntryIsEightBytes[sizeof(PQIF_CHANNEL_ENTRY) == 8 ? 1 : -1];

int CheckDeclarations(void);
int CheckDeclarations(void) {
    PrEnumItemFn enumItem = PrEnumItem;
    PrGetPrnDataFn getPrnData = PrGetPrnData;
    PrGetStatusBFn getStatusB = PrGetStatusB;
    PrReleaseRegFn releaseReg = PrReleaseReg;
    PrSelectChanFn selectChan = PrSelectChan;
    PrSendPrnDataFn sendPrnData = PrSendPrnData;
    PrStartFn startS = PrStartKVR_S;
    PrStartFn startD = PrStartKVR_D;
    PrStartKVR_PMFn startPM = PrStartKVR_PM;
    SetRegDefaultValueFn setDefaults = SetRegDefaultValue;
    return enumItem && getPrnData && getStatusB && releaseReg && selectChan && sendPrnData &&
           startS && startD && startPM && setDefaults;
}

#ifdef HEADER_CHECK_MAIN
int main(void) {
    return CheckDeclarations() ? 0 : 1;
}
#endif
