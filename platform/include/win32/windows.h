// The Win32 subset the system uses: basic types, kernel services and window constants.
#pragma once

#ifndef RC_INVOKED
#include "windef.h"
#include "winbase.h"
#endif
#include "winuser.h"
#include "winver.h"
#include "commdlg.h"
