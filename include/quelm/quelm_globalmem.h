/** @file
 * globalmem.h - the global heap every quelm record and pool lives in.
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

/** GlobalAlloc's flags.  Blocks never move here, so FIXED and MOVEABLE
 * differ only on Windows. @{ */
#define GMEM_FIXED 0x0000u    /**< a fixed block */
#define GMEM_MOVEABLE 0x0002u /**< a moveable block, reached through GlobalLock */
#define GMEM_ZEROINIT 0x0040u /**< zero-filled */
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT) /**< what the library asks for */
/** @} */

#ifdef __cplusplus
extern "C" {
#endif

/** A block of dwBytes (uFlags: GMEM_*), at most 2 GiB.
 * @return its handle, or null when it cannot be had. */
HGLOBAL GlobalAlloc(UINT uFlags, size_t dwBytes);
/** Locks a block, counting the locks.
 * @return its address, or null for a handle that names no live block. */
void *GlobalLock(HGLOBAL hMem);
/** @return the handle of the block at pMem, or null for an address that is
 * not the start of a live block. */
HGLOBAL GlobalHandle(const void *pMem);
/** Takes one lock off a block.
 * @return TRUE while it is still locked, FALSE when unlocked or unknown. */
BOOL GlobalUnlock(HGLOBAL hMem);
/** Frees a block, locked or not.
 * @return null on success; hMem itself for a handle that names no live
 * block, which is left alone. */
HGLOBAL GlobalFree(HGLOBAL hMem);

/** Blocks allocated and not yet freed; lets tests see that memory returns to
 * where it started. */
long QuelmGlobalBlocksLive(void);
/** Allocations made so far; lets tests see that a frame allocates nothing. */
long QuelmGlobalAllocations(void);

#ifdef __cplusplus
}
#endif

#endif /* !_WIN32 */

#ifdef __cplusplus
extern "C" {
#endif

/** The library's way with the heap: GlobalAlloc(GHND) locked at once and kept
 * locked; null when the block cannot be had. */
void *GlobalAllocLocked(size_t bytes);
/** Unlocks and frees a block of GlobalAllocLocked through GlobalHandle; null is
 * ignored. */
void GlobalFreeLocked(void *block);

#ifdef __cplusplus
}
#endif

#include "quelm_names_end.h"

#endif /* QUELM_PLATFORM_GLOBALMEM_H */
