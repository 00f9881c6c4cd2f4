// dialog_templates.h - the library's dialog templates as the platform layer
// reads them, generated at build time from resources/quelm.rc (see
// dialog_rcgen.cpp), so the Windows resource script stays the one source.
#ifndef QUELM_PLATFORM_DIALOG_TEMPLATES_H
#define QUELM_PLATFORM_DIALOG_TEMPLATES_H

#include "quelm_dialoghost.h"

#ifndef _WIN32

#ifdef __cplusplus
extern "C" {
#endif

typedef struct QUELM_DLGITEMTEMPLATE {
    int32_t kind;   // QUELM_ITEM_*
    uint32_t style;
    uint16_t id;    // a 16-bit word, as in a Windows dialog template
    int16_t x, y, cx, cy;
    const char *text;
} QUELM_DLGITEMTEMPLATE;

typedef struct QUELM_DLGTEMPLATE {
    const char *name;  // null for an integer resource
    uint16_t ordinal;  // the integer resource's number
    uint32_t style;
    int16_t x, y, cx, cy;
    const char *caption;
    int16_t pointsize;
    const char *face;
    const QUELM_DLGITEMTEMPLATE *items;
    int32_t count;
} QUELM_DLGTEMPLATE;

// The module's templates, in script order.
extern const QUELM_DLGTEMPLATE QuelmModuleDialogs[];
extern const int32_t QuelmModuleDialogCount;

#ifdef __cplusplus
}
#endif

#endif  // !_WIN32

#endif
