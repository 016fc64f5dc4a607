/*
 * printer_status: asks V_PQIF07.dll for a printer's state, the way a driver
 * component does it. It opens the printer's status channel through the
 * bidirectional library, lets PrSelectChan choose the channel kind, and calls
 * PrGetStatusB once.
 *
 *   printer_status PRINTER [MODEL]
 *
 * The bidirectional library is loaded by its full path from the folder its
 * installation records (HKLM\Software\Vorne\KLAPIInfo, "InstallDir"), never
 * from wherever the search order would find a KLAPI.DLL. Exit status: 0 when
 * the printer's state was read, 1 otherwise, 2 for bad arguments.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "V_PQIF07.h"

/* The few bidirectional-library entry points a caller needs. */
typedef int(WINAPI* KLInitializeFn)(void);
typedef int(WINAPI* KLReleaseFn)(void);
typedef int(WINAPI* KLGetAvailableChannelFn)(int byPrinter, const char* name, void* buffer,
                                             int* size);
typedef int(WINAPI* KLOpenChannelFn)(int byPrinter, const char* name, int channelId);
typedef int(WINAPI* KLCloseChannelFn)(int channel);

#define KL_BUFFER_TOO_SMALL (-4)

static HMODULE LoadBridge(void) {
    char path[MAX_PATH + 16];
    DWORD size = MAX_PATH;
    HKEY key;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Vorne\\KLAPIInfo", 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS)
        return NULL;
    rc = RegQueryValueExA(key, "InstallDir", NULL, NULL, (BYTE*)path, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || size == 0 || size >= MAX_PATH)
        return NULL;
    path[size] = '\0';
    size = (DWORD)strlen(path);
    if (size > 0 && path[size - 1] != '\\')
        strcat(path, "\\");
    strcat(path, "KLAPI.DLL");
    return LoadLibraryA(path);
}

static const char* ResultName(LONG code) {
    switch (code) {
    case PQIF_RESULT_READY:
        return "ready";
    case PQIF_RESULT_PAPER_ERROR:
        return "paper error";
    case PQIF_RESULT_COVER_OPEN:
        return "cover open";
    case PQIF_RESULT_INK_LOW:
        return "ink low";
    case PQIF_RESULT_INK_OUT:
        return "ink out";
    case PQIF_RESULT_NOT_AVAILABLE:
        return "not available";
    case PQIF_RESULT_ERROR:
        return "printer error";
    case PQIF_RESULT_MAINTENANCE:
        return "maintenance";
    case PQIF_RESULT_COMM_ERROR:
        return "communication error";
    case PQIF_RESULT_BUSY:
        return "busy";
    case PQIF_RESULT_PRINTING:
        return "printing";
    default:
        return "unknown";
    }
}

/* The status query over an open channel of the chosen kind. */
static int Query(const char* printer, const char* model, LONG kind, int channel) {
    LONG result = 0, state = 0, sound = 0, notify = 0, activity = 0;
    LONG rc = PrGetStatusB(0, kind, channel, &result, &state, &sound, &notify, printer, "", 1,
                           model, &activity);
    if (rc != 1) {
        fprintf(stderr, "printer_status: PrGetStatusB returned %ld\n", rc);
        return 1;
    }
    printf("%s: result %ld (%s), state %ld, notify %ld, sound %ld\n", printer, result,
           ResultName(result), state, notify, sound);
    return 0;
}

int main(int argc, char** argv) {
    const char* printer;
    const char* model;
    HMODULE bridge;
    KLInitializeFn initialize;
    KLReleaseFn release;
    KLGetAvailableChannelFn channels;
    KLOpenChannelFn openChannel;
    KLCloseChannelFn closeChannel;
    PQIF_CHANNEL_ENTRY* list = NULL;
    int size = 0, count, channel, status = 1;
    LONG kind = 0, unused1 = 0, unused2 = 0;

    if (argc < 2 || argc > 3 || !*argv[1]) {
        fputs("usage: printer_status PRINTER [MODEL]\n", stderr);
        return 2;
    }
    printer = argv[1];
    model = argc == 3 ? argv[2] : NULL;

    bridge = LoadBridge();
    if (!bridge) {
        fputs("printer_status: the bidirectional library is not installed\n", stderr);
        return 1;
    }
    initialize = (KLInitializeFn)(void (*)(void))GetProcAddress(bridge, "KLInitialize");
    release = (KLReleaseFn)(void (*)(void))GetProcAddress(bridge, "KLRelease");
    channels =
        (KLGetAvailableChannelFn)(void (*)(void))GetProcAddress(bridge, "KLGetAvailableChannel");
    openChannel = (KLOpenChannelFn)(void (*)(void))GetProcAddress(bridge, "KLOpenChannel");
    closeChannel = (KLCloseChannelFn)(void (*)(void))GetProcAddress(bridge, "KLCloseChannel");
    if (!initialize || !release || !channels || !openChannel || !closeChannel || initialize() < 0) {
        fputs("printer_status: the bidirectional library did not start\n", stderr);
        FreeLibrary(bridge);
        return 1;
    }

    /* Size probe, then the list itself. */
    if (channels(1, printer, NULL, &size) == KL_BUFFER_TOO_SMALL && size > 0)
        list = (PQIF_CHANNEL_ENTRY*)malloc((size_t)size);
    count = list ? channels(1, printer, list, &size) : 0;
    if (count > 0 && PrSelectChan(0, list, count, &kind, &unused1, &unused2) == 0 && kind != 0) {
        channel = openChannel(1, printer, (int)kind);
        if (channel > 0) {
            status = Query(printer, model, kind, channel);
            closeChannel(channel);
        } else {
            fprintf(stderr, "printer_status: channel %#lx of %s did not open\n", kind, printer);
        }
    } else {
        fprintf(stderr, "printer_status: %s has no status channel\n", printer);
    }
    free(list);
    release();
    FreeLibrary(bridge);
    return status;
}
