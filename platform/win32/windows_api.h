// The one way the Win32 backend includes the Windows headers: lean, without
// the min/max macros, and only ever from the backend's .cpp files so that
// macros such as CreateFile or MessageBox never reach a platform header.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>
