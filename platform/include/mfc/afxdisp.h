// The framework's OLE support: only the switch that lets dialogs host OLE controls.
#pragma once

#include "afxwin.h"

class COccManager;

// No dialog of this layer hosts OLE controls; the switch is accepted and changes nothing.
inline void AFXAPI AfxEnableControlContainer(COccManager* pOccManager = nullptr)
{
    (void)pOccManager;
}
