/* The control interface every stand-in driver library exports next to the board's own functions,
 * so that tests and the run script can shape the simulated bench. */
#ifndef TQ58_SIM_CONTROL_H
#define TQ58_SIM_CONTROL_H

#if defined(_WIN32)
#define TQ58SIM_EXPORT __declspec(dllexport)
#else
#define TQ58SIM_EXPORT __attribute__((visibility("default")))
#endif

#include "platform/driver_call.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Everything back to the start: analyzer at address 5 with its defaults, board not initialised,
 * no scripted failures, empty call log. */
TQ58SIM_EXPORT void TQ58_DRIVER_CALL tq58sim_reset(void);

/* The analyzer's GPIB address; 0 takes it off the bus. */
TQ58SIM_EXPORT void TQ58_DRIVER_CALL tq58sim_set_analyzer_address(int address);

/* The nth call (counting from 1 since the reset) of the named driver function returns code
 * instead of doing its work. */
TQ58SIM_EXPORT void TQ58_DRIVER_CALL tq58sim_fail_call(const char* function, int nth,
                                                       long long code);

/* Every following successful receive reports count bytes received, whatever arrived. */
TQ58SIM_EXPORT void TQ58_DRIVER_CALL tq58sim_force_receive_count(long long count);

/* The board's own GPIB address, for boards that report it (0 at the start). */
TQ58SIM_EXPORT void TQ58_DRIVER_CALL tq58sim_set_board_address(long long address);

/* The interface the analyzer's bus hangs off, for the NI-488.2 and VISA stand-ins: "GPIB<n>"
 * (board index n), or a LAN-GPIB gateway's "TCPIP0::<host>::gpib0", which offers an INTFC
 * resource when interface_resource != 0. "GPIB0" with its INTFC resource after a reset. */
TQ58SIM_EXPORT void TQ58_DRIVER_CALL tq58sim_set_interface(const char* name,
                                                           int interface_resource);

/* The analyzer answers query with exactly these bytes; a negative length restores its own reply. */
TQ58SIM_EXPORT void TQ58_DRIVER_CALL tq58sim_set_reply(const char* query, const char* bytes,
                                                       int length);

/* The analyzer leaves query unanswered (muted != 0), so the read after it times out. */
TQ58SIM_EXPORT void TQ58_DRIVER_CALL tq58sim_mute_query(const char* query, int muted);

/* The call log: one line per driver call, "name(argument, ...)". An entry's text is copied into
 * buffer (NUL-terminated, cut to capacity); the return value is its full length, or -1. */
TQ58SIM_EXPORT int TQ58_DRIVER_CALL tq58sim_log_size(void);
TQ58SIM_EXPORT int TQ58_DRIVER_CALL tq58sim_log_entry(int index, char* buffer, int capacity);

/* How many records the analyzer's mass memory holds (1 to 32767; 1000 after a reset). */
TQ58SIM_EXPORT void TQ58_DRIVER_CALL tq58sim_set_memory_size(int size);

/* Whether driver calls are logged (on after a reset); off for long runs. */
TQ58SIM_EXPORT void TQ58_DRIVER_CALL tq58sim_set_logging(int on);

/* The data text of mass memory record address as the analyzer holds it; length as above. */
TQ58SIM_EXPORT int TQ58_DRIVER_CALL tq58sim_record(int address, char* buffer, int capacity);

/* The simulated Prologix controller's stand-in only. */
/* Serves the controller on kind "pty" (a pseudo-terminal; POSIX) or "tcp" (127.0.0.1), started
 * on the first call and again after an unplug; copies where it serves ("/dev/pts/3",
 * "127.0.0.1:40123") into buffer as above and returns its length, or -1. */
TQ58SIM_EXPORT int TQ58_DRIVER_CALL tq58sim_prologix_serve(const char* kind, char* buffer,
                                                           int capacity);
/* Waits until the controller has taken every byte written to it. */
TQ58SIM_EXPORT void TQ58_DRIVER_CALL tq58sim_prologix_settle(void);
/* Makes the controller another device, powered up fresh: "prologix-usb" (after a reset),
 * "prologix-ethernet", "ar488-uno", "ar488-nano". 0, or -1 for an unknown name. */
TQ58SIM_EXPORT int TQ58_DRIVER_CALL tq58sim_prologix_set_kind(const char* kind);
/* What "++ver" answers: a Prologix's version text; an AR488's saved "++id verstr". */
TQ58SIM_EXPORT void TQ58_DRIVER_CALL tq58sim_prologix_set_version(const char* answer);
/* How many bytes were lost because they arrived while its input buffer was full. */
TQ58SIM_EXPORT int TQ58_DRIVER_CALL tq58sim_prologix_overflow_bytes(void);
/* How often the controller's settings were written to its EEPROM since the reset. */
TQ58SIM_EXPORT int TQ58_DRIVER_CALL tq58sim_prologix_eeprom_writes(void);
/* Its settings, "savecfg 0, mode 1, addr 5, ..."; length as above. */
TQ58SIM_EXPORT int TQ58_DRIVER_CALL tq58sim_prologix_settings(char* buffer, int capacity);

#ifdef __cplusplus
}
#endif

#endif
