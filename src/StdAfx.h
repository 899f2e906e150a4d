// StdAfx.h : the framework headers every source file of the tuner needs
#pragma once

#include <afxwin.h>
#include <afxext.h>
#include <afxdisp.h>
#include <afxcmn.h> // slider
#include <afxtempl.h>
#include <mmsystem.h> // wave input
