// The module's file comes from the dynamic loader (dladdr, or the module
// handle on Windows).  The loader names a program as it was started, which
// for one found through PATH is no path at all: then the kernel's link to
// the program is read.
#include "tolvan/module_folder.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>
#endif

bool ModuleFolder(const void *address, char *folder, size_t size) noexcept {
#ifdef __EMSCRIPTEN__
    // A WebAssembly module has no file of its own to be found beside.
    (void)address;
    (void)folder;
    (void)size;
    return false;
#else
#ifdef _WIN32
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<const char *>(address), &module))
        return false;
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return false;
#else
    Dl_info info;
    if (!dladdr(address, &info) || !info.dli_fname) return false;
    char path[PATH_MAX];
    if (!std::strchr(info.dli_fname, '/') || !realpath(info.dli_fname, path)) {
        const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
        if (length <= 0) return false;
        path[length] = '\0';
    }
#endif
    const char *slash = std::strrchr(path, '/');
    const char *backslash = std::strrchr(path, '\\');
    if (backslash && (!slash || backslash > slash)) slash = backslash;
    if (!slash) return false;
    const size_t folderLength = static_cast<size_t>(slash - path);
    if (folderLength + 1 > size) return false;
    std::memcpy(folder, path, folderLength);
    folder[folderLength] = '\0';
    return true;
#endif
}
