// The global heap: KERNEL32 on Windows, a calloc-backed stand-in elsewhere.
#include "quelm_globalmem.h"

#include <cstdlib>
#include <cstring>

#ifndef _WIN32

namespace {

// Each block carries a header in front of the caller's bytes; a handle is the
// header's address, so GlobalHandle is a subtraction and never a search.
struct BlockHeader {
    size_t bytes;
    unsigned locks;
    unsigned magic;
    alignas(16) unsigned char data[];
};
constexpr unsigned kMagic = 0x51474D42u;  // live block
long blocksLive = 0;
long allocations = 0;

BlockHeader *HeaderOf(HGLOBAL h) {
    auto *hdr = static_cast<BlockHeader *>(h);
    return (hdr && hdr->magic == kMagic) ? hdr : nullptr;
}

}  // namespace

extern "C" HGLOBAL GlobalAlloc(UINT uFlags, size_t dwBytes) {
    if (dwBytes > (static_cast<size_t>(1) << 31)) return nullptr;
    void *raw = (uFlags & GMEM_ZEROINIT) ? std::calloc(1, sizeof(BlockHeader) + dwBytes)
                                         : std::malloc(sizeof(BlockHeader) + dwBytes);
    if (!raw) return nullptr;
    auto *hdr = static_cast<BlockHeader *>(raw);
    hdr->bytes = dwBytes;
    hdr->locks = 0;
    hdr->magic = kMagic;
    ++blocksLive;
    ++allocations;
    return hdr;
}

extern "C" void *GlobalLock(HGLOBAL hMem) {
    BlockHeader *hdr = HeaderOf(hMem);
    if (!hdr) return nullptr;
    ++hdr->locks;
    return hdr->data;
}

extern "C" HGLOBAL GlobalHandle(const void *pMem) {
    if (!pMem) return nullptr;
    auto *bytes = static_cast<const unsigned char *>(pMem) - offsetof(BlockHeader, data);
    return HeaderOf(const_cast<unsigned char *>(bytes));
}

extern "C" BOOL GlobalUnlock(HGLOBAL hMem) {
    BlockHeader *hdr = HeaderOf(hMem);
    if (!hdr || hdr->locks == 0) return FALSE;
    return --hdr->locks != 0;
}

extern "C" HGLOBAL GlobalFree(HGLOBAL hMem) {
    BlockHeader *hdr = HeaderOf(hMem);
    if (!hdr) return hMem;
    hdr->magic = 0;
    std::free(hdr);
    --blocksLive;
    return nullptr;
}

extern "C" long QuelmGlobalBlocksLive(void) { return blocksLive; }
extern "C" long QuelmGlobalAllocations(void) { return allocations; }

#endif  // !_WIN32

extern "C" void *GlobalAllocLocked(size_t bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (!h) return nullptr;
    void *p = GlobalLock(h);
    if (!p) GlobalFree(h);
    return p;
}

extern "C" void GlobalFreeLocked(void *block) {
    if (!block) return;
    HGLOBAL h = GlobalHandle(block);
    GlobalUnlock(h);
    GlobalFree(h);
}
