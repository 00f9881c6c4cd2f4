/* globalmem.h - the global heap every quelm record and pool lives in.
 *
 * On Windows these are KERNEL32's own calls.  Elsewhere platform/globalmem.cpp
 * provides the same names with the guarantees the library relies on: a block
 * is zero-filled when GMEM_ZEROINIT is asked for, and stays at one address
 * from its allocation until it is freed.
 */
#ifndef QUELM_PLATFORM_GLOBALMEM_H
#define QUELM_PLATFORM_GLOBALMEM_H

#include "quelm_types.h"
#include "quelm_names.h"

#ifndef _WIN32

#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

#ifdef __cplusplus
extern "C" {
#endif

HGLOBAL GlobalAlloc(UINT uFlags, size_t dwBytes);
void *GlobalLock(HGLOBAL hMem);
HGLOBAL GlobalHandle(const void *pMem);
BOOL GlobalUnlock(HGLOBAL hMem);
HGLOBAL GlobalFree(HGLOBAL hMem); /* null on success */

/* Blocks allocated and not yet freed; lets tests see that memory returns to
 * where it started. */
long QuelmGlobalBlocksLive(void);
/* Allocations made so far; lets tests see that a frame allocates nothing. */
long QuelmGlobalAllocations(void);

#ifdef __cplusplus
}
#endif

#endif /* !_WIN32 */

#ifdef __cplusplus
extern "C" {
#endif

/* The library's way with the heap: GlobalAlloc(GHND) locked at once and kept
 * locked; null when the block cannot be had. */
void *GlobalAllocLocked(size_t bytes);
/* Unlocks and frees a block of GlobalAllocLocked through GlobalHandle; null is
 * ignored. */
void GlobalFreeLocked(void *block);

#ifdef __cplusplus
}
#endif

#include "quelm_names_end.h"

#endif /* QUELM_PLATFORM_GLOBALMEM_H */
