#pragma once

// The boards' own driver libraries are 32-bit Windows DLLs with stdcall entry points.
#if defined(_WIN32) && !defined(_WIN64)
#define TQ58_DRIVER_CALL __stdcall
#else
#define TQ58_DRIVER_CALL
#endif
