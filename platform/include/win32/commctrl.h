// The common controls of Win32 that the system uses: the trackbar's styles.
#pragma once

#define TRACKBAR_CLASSA "msctls_trackbar32"
#define TBS_TOP 0x0004
#define TBS_NOTICKS 0x0010
