// module_folder.h - where the running module lies, for finding data
// installed beside it.
#ifndef QUELM_TOLVAN_MODULE_FOLDER_H
#define QUELM_TOLVAN_MODULE_FOLDER_H

#include <string>

// The folder, without a trailing separator, of the file of the module (shared
// library, DLL or program) that holds `address`; empty when it cannot be told.
std::string ModuleFolder(const void *address);

#endif
