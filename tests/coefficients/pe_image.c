/* See pe_image.h. Offsets are those of the PE32 format. */
#include "pe_image.h"

#include <asm/ldt.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

static uint16_t u16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }
static uint32_t u32(const uint8_t* p) { return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24; }

static int fail(const char* what, const char* path) {
    fprintf(stderr, "pe loader: %s: %s\n", path, what);
    return -1;
}

static uint8_t* readFile(const char* path, size_t* size) {
    FILE* f = fopen(path, "rb");
    if (!f) return NULL;
    uint8_t* data = NULL;
    if (fseek(f, 0, SEEK_END) == 0) {
        const long n = ftell(f);
        if (n > 0 && fseek(f, 0, SEEK_SET) == 0 && (data = malloc((size_t)n)) != NULL) {
            if (fread(data, 1, (size_t)n, f) != (size_t)n) {
                free(data);
                data = NULL;
            }
            *size = (size_t)n;
        }
    }
    fclose(f);
    return data;
}

static int applyRelocations(PeImage* image, uint32_t rva, uint32_t size, uint32_t delta,
                            const char* path) {
    uint32_t at = rva;
    while (at + 8 <= rva + size) {
        const uint32_t page = u32(image->base + at), blockSize = u32(image->base + at + 4);
        if (blockSize < 8) break;
        for (uint32_t e = at + 8; e + 2 <= at + blockSize; e += 2) {
            const uint16_t entry = u16(image->base + e);
            const unsigned type = entry >> 12;
            if (type == 0) continue;  /* padding */
            if (type != 3) return fail("unsupported relocation type", path);
            uint8_t* target = image->base + page + (entry & 0xFFF);
            const uint32_t value = u32(target) + delta;
            memcpy(target, &value, 4);
        }
        at += blockSize;
    }
    return 0;
}

static int resolveImports(PeImage* image, uint32_t rva, const char* path) {
    for (uint8_t* d = image->base + rva; u32(d + 12) != 0; d += 20) {
        const char* dll = (const char*)image->base + u32(d + 12);
        const uint32_t lookup = u32(d) ? u32(d) : u32(d + 16);
        for (uint32_t i = 0;; ++i) {
            const uint32_t thunk = u32(image->base + lookup + 4 * i);
            if (thunk == 0) break;
            if (thunk & 0x80000000u) return fail("import by ordinal", path);
            const char* name = (const char*)image->base + thunk + 2;
            void* stub = win32Stub(dll, name);
            if (!stub) {
                fprintf(stderr, "pe loader: %s: no stub for %s!%s\n", path, dll, name);
                return -1;
            }
            const uint32_t address = (uint32_t)(uintptr_t)stub;
            memcpy(image->base + u32(d + 16) + 4 * i, &address, 4);
        }
    }
    return 0;
}

int peLoad(const char* path, PeImage* image) {
    size_t fileSize = 0;
    uint8_t* file = readFile(path, &fileSize);
    if (!file) return fail("cannot read", path);
    int rc = -1;
    const uint32_t pe = fileSize > 0x40 ? u32(file + 0x3C) : 0;
    if (pe == 0 || pe + 24 + 96 > fileSize || memcmp(file + pe, "PE\0\0", 4) != 0 ||
        u16(file + pe + 4) != 0x14C || u16(file + pe + 24) != 0x10B) {
        rc = fail("not a 32-bit x86 PE image", path);
        goto done;
    }
    const uint8_t* opt = file + pe + 24;
    const uint32_t imageBase = u32(opt + 28), sizeOfImage = u32(opt + 56);
    const uint32_t sizeOfHeaders = u32(opt + 60);
    const uint32_t directories = u32(opt + 92);
    const uint16_t sections = u16(file + pe + 6), optSize = u16(file + pe + 20);
    void* base = mmap(NULL, sizeOfImage, PROT_READ | PROT_WRITE | PROT_EXEC,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) {
        rc = fail("cannot map the image", path);
        goto done;
    }
    image->base = base;
    image->size = sizeOfImage;
    memcpy(image->base, file, sizeOfHeaders < fileSize ? sizeOfHeaders : fileSize);
    for (uint16_t s = 0; s < sections; ++s) {
        const uint8_t* h = file + pe + 24 + optSize + 40u * s;
        const uint32_t virtualSize = u32(h + 8), rva = u32(h + 12);
        uint32_t rawSize = u32(h + 16);
        const uint32_t rawOffset = u32(h + 20);
        if (virtualSize && rawSize > virtualSize) rawSize = virtualSize;
        if (rawOffset + (size_t)rawSize > fileSize || rva + (size_t)rawSize > sizeOfImage) {
            rc = fail("section outside the file or image", path);
            goto done;
        }
        memcpy(image->base + rva, file + rawOffset, rawSize);
    }
    image->entryRva = u32(opt + 16);
    image->exportRva = directories > 0 ? u32(opt + 96) : 0;
    image->exportSize = directories > 0 ? u32(opt + 100) : 0;
    image->tlsRva = directories > 9 ? u32(opt + 96 + 8 * 9) : 0;
    const uint32_t delta = (uint32_t)(uintptr_t)image->base - imageBase;
    if (directories > 5 && u32(opt + 96 + 8 * 5) &&
        applyRelocations(image, u32(opt + 96 + 8 * 5), u32(opt + 100 + 8 * 5), delta, path))
        goto done;
    if (directories > 1 && u32(opt + 96 + 8) && resolveImports(image, u32(opt + 96 + 8), path))
        goto done;
    rc = 0;
done:
    free(file);
    return rc;
}

typedef int(__attribute__((stdcall)) * EntryPoint)(void* module, uint32_t reason, void* reserved);

/* Windows code reaches its thread's information block through %fs: the
 * runtime's start-up reads the block's own address at %fs:0x18 and the
 * stack base in it as a thread id. This process has one thread; it gets a
 * zeroed block with those fields set, through a segment in the local
 * descriptor table (glibc's thread data uses %gs, so %fs is free). */
static int setUpThreadBlock(void) {
    static uint32_t block[1024];
    static char stackMark;
    block[0] = 0xFFFFFFFFu;                          /* end of the exception chain */
    block[1] = (uint32_t)(uintptr_t)&stackMark;      /* StackBase */
    block[2] = (uint32_t)(uintptr_t)&stackMark - 0x100000u; /* StackLimit */
    block[6] = (uint32_t)(uintptr_t)block;           /* Self, at 0x18 */
    struct user_desc segment;
    memset(&segment, 0, sizeof segment);
    segment.entry_number = 0;
    segment.base_addr = (unsigned)(uintptr_t)block;
    segment.limit = sizeof block - 1;
    segment.seg_32bit = 1;
    segment.useable = 1;
    if (syscall(SYS_modify_ldt, 1, &segment, sizeof segment) != 0) {
        fprintf(stderr, "pe loader: cannot install the thread block (modify_ldt)\n");
        return -1;
    }
    const unsigned short selector = (0 << 3) | 4 | 3;  /* LDT entry 0, user privilege */
    __asm__ volatile("movw %0, %%fs" : : "r"(selector));
    return 0;
}

int peAttach(PeImage* image) {
    enum { kProcessAttach = 1 };
    if (setUpThreadBlock() != 0) return -1;
    if (image->tlsRva) {
        /* AddressOfIndex gets index 0; AddressOfCallBacks lists VAs (already
         * relocated), ended by 0. */
        const uint8_t* tls = image->base + image->tlsRva;
        const uint32_t indexAddress = u32(tls + 8), callbacks = u32(tls + 12);
        if (indexAddress) memset((void*)(uintptr_t)indexAddress, 0, 4);
        for (const uint8_t* c = (const uint8_t*)(uintptr_t)callbacks; c && u32(c); c += 4)
            ((EntryPoint)(uintptr_t)u32(c))(image->base, kProcessAttach, NULL);
    }
    if (!image->entryRva) return 0;
    return ((EntryPoint)(void*)(image->base + image->entryRva))(image->base, kProcessAttach, NULL)
               ? 0
               : -1;
}

static const uint8_t* exportDirectory(const PeImage* image) {
    return image->exportRva ? image->base + image->exportRva : NULL;
}

void* peExport(const PeImage* image, const char* name) {
    const uint8_t* d = exportDirectory(image);
    if (!d) return NULL;
    const uint32_t names = u32(d + 24), functions = u32(d + 28), nameRvas = u32(d + 32),
                   ordinals = u32(d + 36);
    for (uint32_t i = 0; i < names; ++i) {
        if (strcmp((const char*)image->base + u32(image->base + nameRvas + 4 * i), name) != 0)
            continue;
        const uint16_t ordinal = u16(image->base + ordinals + 2 * i);
        const uint32_t rva = u32(image->base + functions + 4u * ordinal);
        if (rva >= image->exportRva && rva < image->exportRva + image->exportSize)
            return NULL;  /* a forwarder to another DLL */
        return image->base + rva;
    }
    return NULL;
}

int peForEachExport(const PeImage* image, void (*visit)(const char* name)) {
    const uint8_t* d = exportDirectory(image);
    if (!d) return 0;
    const uint32_t names = u32(d + 24), nameRvas = u32(d + 32);
    for (uint32_t i = 0; i < names; ++i)
        visit((const char*)image->base + u32(image->base + nameRvas + 4 * i));
    return (int)names;
}
