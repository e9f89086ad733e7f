/* A minimal loader for 32-bit Windows DLLs inside a 32-bit Linux process:
 * maps the image, applies its base relocations, resolves its imports from
 * the stubs in win32_stubs.c, runs its TLS callbacks and entry point, and
 * finds exports by name. Enough for a DLL built by MinGW-w64 that needs
 * only start-up services from KERNEL32.dll and msvcrt.dll. */
#ifndef TSFILTERS_PE_IMAGE_H
#define TSFILTERS_PE_IMAGE_H

#include <stddef.h>
#include <stdint.h>

typedef struct {
    uint8_t* base;
    uint32_t size;
    uint32_t exportRva, exportSize;
    uint32_t entryRva;
    uint32_t tlsRva;
} PeImage;

/* Returns 0, or -1 with a message on stderr. */
int peLoad(const char* path, PeImage* image);
/* Runs the TLS callbacks and the entry point with DLL_PROCESS_ATTACH.
 * Returns 0 when the entry point reports success. */
int peAttach(PeImage* image);
/* Address of the export `name`, or NULL. */
void* peExport(const PeImage* image, const char* name);
/* Calls `visit` with the name of every named export; returns their count. */
int peForEachExport(const PeImage* image, void (*visit)(const char* name));

/* The stub standing in for `dll`!`name`, or NULL (win32_stubs.c). */
void* win32Stub(const char* dll, const char* name);

#endif
