// The framework's extensions: the common dialogs.
#pragma once

#include "afxdlgs.h"
#include "afxwin.h"
