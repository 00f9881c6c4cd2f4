// dialogs.h - the dialog, scroll-bar, text, message and font services the
// tuning dialogs call: USER32, GDI32 and KERNEL32's module loading on
// Windows, the platform layer's stand-ins (quelm_dialoghost.h) elsewhere.
#ifndef QUELM_PLATFORM_DIALOGS_H
#define QUELM_PLATFORM_DIALOGS_H

#include "quelm_dialoghost.h"
#include "quelm_types.h"

#endif
