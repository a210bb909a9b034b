// The NI-488.2 interface as each target's own header declares it: what the backend binds and
// every constant it passes or reads. Three targets, two families that differ:
//
//   target          library        header
//   i686 Windows    gpib-32.dll    NI's ni488.h (NI-488.2 for Windows, the 32-bit DLL)
//   x86_64 Windows  ni4882.dll     NI's ni4882.h
//   Linux           libgpib.so.0   linux-gpib's include/gpib/ib.h, with gpib/gpib_user.h
//
// Constants, with their value in each header:
//
//   name         ni488.h   ni4882.h  ib.h / gpib_user.h   used as
//   ERR          0x8000    0x8000    0x8000               ibsta: the call failed
//   TIMO         0x4000    0x4000    0x4000               ibsta: the time limit ran out
//   ENOL         2         2         2                    iberr: no listener on the bus
//   EABO         6         6         6                    iberr: I/O abandoned (the time-out)
//   IbcTMO       0x0003    0x0003    0x3                  ibconfig option: the I/O time-out
//   T1s..T1000s  11..17    11..17    11..17               time-out codes (T10s = 13)
//   NOADDR       0xFFFF    0xFFFF    (Addr4882_t)-1       ends an address list
//   STOPend      0x0100    0x0100    0x100                Receive: stop at END only
//   NULLend      0         0         0                    Send: nothing at the end
//   NLend        1         1         2                    Send: a LF with END appended
//   DABend       2         2         1                    Send: END with the last byte
//
// Functions, per target (result and arguments as the header declares them; NI's are __stdcall,
// which only i686 honours; long is 4 bytes on Windows and 8 on x86_64 Linux):
//
//   gpib-32.dll, ni488.h                ni4882.dll, ni4882.h
//   int ibconfig(int, int, int)         unsigned long ibconfig(int, int, int)
//   int ibonl(int, int)                 unsigned long ibonl(int, int)
//   void SendIFC(int)                   void SendIFC(int)
//   void EnableRemote(int, short*)      void EnableRemote(int, const short*)
//   void EnableLocal(int, short*)       void EnableLocal(int, const short*)
//   void Send(int, short, void*,        void Send(int, short, const void*, size_t, int)
//             long, int)
//   void Receive(int, short, void*,     void Receive(int, short, void*, size_t, int)
//                long, int)
//   int ThreadIbsta(void)               unsigned long ThreadIbsta(void)
//   int ThreadIberr(void)               unsigned long ThreadIberr(void)
//   long ThreadIbcntl(void)             unsigned long ThreadIbcnt(void)
//     (int ThreadIbcnt(void) as well)     (ThreadIbcntl is only a macro for ThreadIbcnt())
//
//   libgpib.so.0, linux-gpib's ib.h (Addr4882_t is uint16_t)
//   int ibconfig(int, int, int)
//   int ibonl(int, int)
//   void SendIFC(int)
//   void EnableRemote(int, const Addr4882_t[])
//   void EnableLocal(int, const Addr4882_t[])
//   void Send(int, Addr4882_t, const void*, long, int)
//   void Receive(int, Addr4882_t, void*, long, int)
//   int ThreadIbsta(void)
//   int ThreadIberr(void)
//   long ThreadIbcntl(void)            (int ThreadIbcnt(void) as well)
//
// The backend binds the byte count under the name the target declares as a function.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ni488 {

#if defined(_WIN32) && !defined(_WIN64)
// ni488.h, gpib-32.dll
using Status = std::int32_t;       // int
using Address = std::int16_t;      // short
using AddressList = std::int16_t;  // short*, not const in this header
using Data = void;                 // Send's void*
using ByteCount = std::int32_t;    // long, 4 bytes
using CountResult = std::int32_t;  // long ThreadIbcntl(void)
inline constexpr const char* kCountFunction = "ThreadIbcntl";
#elif defined(_WIN32)
// ni4882.h, ni4882.dll
using Status = std::uint32_t;  // unsigned long, 4 bytes on Windows
using Address = std::int16_t;  // short
using AddressList = const std::int16_t;
using Data = const void;
using ByteCount = std::size_t;      // size_t
using CountResult = std::uint32_t;  // unsigned long ThreadIbcnt(void)
inline constexpr const char* kCountFunction = "ThreadIbcnt";
#else
// linux-gpib's ib.h, libgpib.so.0
using Status = int;
using Address = std::uint16_t;  // Addr4882_t
using AddressList = const std::uint16_t;
using Data = const void;
using ByteCount = long;    // 8 bytes on x86_64 Linux
using CountResult = long;  // long ThreadIbcntl(void)
inline constexpr const char* kCountFunction = "ThreadIbcntl";
#endif

inline constexpr int kErr = 0x8000;
inline constexpr int kTimo = 0x4000;
inline constexpr int kEnol = 2;
inline constexpr int kEabo = 6;
inline constexpr int kIbcTmo = 0x0003;
inline constexpr Address kNoAddress = static_cast<Address>(0xFFFF);
inline constexpr int kStopEnd = 0x0100;

#if defined(_WIN32)
inline constexpr int kDabEnd = 2;  // ni488.h, ni4882.h: NULLend 0, NLend 1, DABend 2
#else
inline constexpr int kDabEnd = 1;  // linux-gpib's ib.h: NULLend 0, DABend 1, NLend 2
#endif

// Time-out codes from T1s to T1000s, with the seconds each stands for.
struct TimeoutStep {
    int seconds;
    int code;
};
inline constexpr TimeoutStep kTimeoutSteps[] = {{1, 11},   {3, 12},   {10, 13},  {30, 14},
                                                {100, 15}, {300, 16}, {1000, 17}};

}  // namespace ni488
