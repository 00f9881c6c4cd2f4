// module_folder.h - where the running module lies, for finding data
// installed beside it.
#ifndef QUELM_TOLVAN_MODULE_FOLDER_H
#define QUELM_TOLVAN_MODULE_FOLDER_H

#include <cstddef>

// Writes to folder (size bytes) the folder, without a trailing separator, of
// the file of the module (shared library, DLL or program) that holds
// `address`.  False, allocating nothing, when it cannot be told or does not
// fit.
bool ModuleFolder(const void *address, char *folder, size_t size) noexcept;

#endif
