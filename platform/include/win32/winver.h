// Names of the resource script's language and version block.
#pragma once

#define LANG_FRENCH 0x0C
#define SUBLANG_FRENCH 0x01

#define VS_VERSION_INFO 1
#define VS_FFI_FILEFLAGSMASK 0x0000003FL
#define VS_FF_DEBUG 0x00000001L
#define VOS__WINDOWS32 0x00000004L
#define VFT_APP 0x00000001L
#define VFT2_UNKNOWN 0x00000000L
