// The VISA interface as the IVI Foundation's visa.h and visatype.h declare it for each target:
// what the backend binds and every constant it passes or reads. One header for all three
// targets; what differs is the width its own #if's give a type.
//
//   target          library      calling convention (_VI_FUNC)
//   i686 Windows    visa32.dll   __stdcall
//   x86_64 Windows  visa64.dll   __fastcall, which x86_64 ignores: its one convention
//   Linux x86_64    libvisa.so   none
//
// Types (visatype.h, but ViAttrState: visa.h), width in bytes on i686 / x86_64 Windows / Linux:
//
//   ViUInt32     unsigned long / unsigned long / unsigned int   4 / 4 / 4
//   ViInt32      signed long / signed long / signed int         4 / 4 / 4
//   ViStatus     ViInt32                                        4 / 4 / 4
//   ViSession    ViObject = ViUInt32                            4 / 4 / 4
//   ViAttr, ViAccessMode   ViUInt32                             4 / 4 / 4
//   ViUInt16     unsigned short                                 2 / 2 / 2
//   ViAttrState  ViUInt32, or ViUInt64 where _VISA_ENV_IS_64_BIT (_WIN64, or LONG_MAX above
//                0x7FFFFFFF)                                    4 / 8 / 8
//   ViRsrc, ViBuf, ViPBuf, ViPSession, ViPUInt32   pointers      4 / 8 / 8
//
// Functions (visa.h), the same on every target:
//
//   ViStatus viOpenDefaultRM(ViPSession vi)
//   ViStatus viOpen(ViSession sesn, ViRsrc name, ViAccessMode mode, ViUInt32 timeout,
//                   ViPSession vi)
//   ViStatus viClose(ViObject vi)
//   ViStatus viSetAttribute(ViObject vi, ViAttr attrName, ViAttrState attrValue)
//   ViStatus viGpibSendIFC(ViSession vi)
//   ViStatus viGpibControlREN(ViSession vi, ViUInt16 mode)
//   ViStatus viWrite(ViSession vi, ViBuf buf, ViUInt32 cnt, ViPUInt32 retCnt)
//   ViStatus viRead(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViPUInt32 retCnt)
//
// Constants (visa.h, visatype.h), the same on every target:
//
//   VI_NULL                   0            no session
//   VI_SUCCESS                0            below 0 an error, above it a warning
//   VI_NO_LOCK                0            viOpen's access mode
//   VI_ATTR_TMO_VALUE         0x3FFF001A   the session's time-out, in ms
//   VI_ERROR_TMO              0xBFFF0015   (_VI_ERROR + 0x3FFF0015): the time-out
//   VI_GPIB_REN_ASSERT        1            REN asserted
//   VI_GPIB_REN_DEASSERT_GTL  2            GTL to all devices, then REN unasserted
//   VI_GPIB_REN_ASSERT_ADDRESS  3          REN asserted, the device addressed to listen
//   VI_GPIB_REN_ADDRESS_GTL   6            GTL to the device
//   VI_ERROR_RSRC_NFOUND      0xBFFF0011   no such resource
//   VI_ERROR_INV_RSRC_NAME    0xBFFF0012   a resource name VISA cannot read
//   VI_ERROR_NSUP_OPER        0xBFFF0067   the session does not offer the operation
//   VI_ERROR_NCIC             0xBFFF0082   the interface is not controller-in-charge
#pragma once

#include <cstdint>
#include <type_traits>

namespace visa {

using ViStatus = std::int32_t;
using ViSession = std::uint32_t;  // also ViObject
using ViUInt32 = std::uint32_t;   // also ViAttr and ViAccessMode
using ViUInt16 = std::uint16_t;
using ViAttrState = std::conditional_t<sizeof(void*) == 8, std::uint64_t, std::uint32_t>;

inline constexpr ViSession kNull = 0;
inline constexpr ViUInt32 kNoLock = 0;
inline constexpr ViUInt32 kAttrTmoValue = 0x3FFF001Au;
inline constexpr ViStatus kErrorTmo = static_cast<ViStatus>(0xBFFF0015u);
inline constexpr ViUInt16 kGpibRenAssert = 1;
inline constexpr ViUInt16 kGpibRenDeassertGtl = 2;
inline constexpr ViUInt16 kGpibRenAssertAddress = 3;
inline constexpr ViUInt16 kGpibRenAddressGtl = 6;
inline constexpr ViStatus kErrorRsrcNfound = static_cast<ViStatus>(0xBFFF0011u);
inline constexpr ViStatus kErrorInvRsrcName = static_cast<ViStatus>(0xBFFF0012u);
inline constexpr ViStatus kErrorNsupOper = static_cast<ViStatus>(0xBFFF0067u);
inline constexpr ViStatus kErrorNcic = static_cast<ViStatus>(0xBFFF0082u);

}  // namespace visa
