// The Win32 subset the system uses: basic types, kernel services and window constants.
#pragma once

#include "windef.h"
#include "winbase.h"
#include "winuser.h"
