// The module's file comes from the dynamic loader (dladdr, or the module
// handle on Windows).  The loader names a program as it was started, which
// for one found through PATH is no path at all: then the kernel's link to
// the program is read.
#include "tolvan/module_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#endif

std::string ModuleFolder(const void *address) {
    std::string file;
#ifdef _WIN32
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<const char *>(address), &module))
        return {};
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return {};
    file.assign(path, length);
#else
    Dl_info info;
    if (!dladdr(address, &info) || !info.dli_fname) return {};
    // A program found through PATH is named without a folder.
    char path[PATH_MAX];
    const char *resolved = nullptr;
    if (std::strchr(info.dli_fname, '/')) resolved = realpath(info.dli_fname, path);
    if (!resolved) {
        const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
        if (length <= 0) return {};
        path[length] = '\0';
    }
    file = path;
#endif
    const size_t slash = file.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}
