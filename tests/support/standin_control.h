// Test-side handle on a stand-in driver library's control interface. It binds the library by
// the same name the backend does, so both talk to the same simulated bench.
#pragma once

#include <string>
#include <vector>

#include "platform/driver_library.h"

namespace testing_support {

class StandIn {
  public:
    // name: the driver library's name as the backend binds it, e.g. "gplib2K.dll".
    explicit StandIn(const std::string& name);

    void Reset();
    void SetAnalyzerAddress(int address);
    void FailCall(const std::string& function, int nth, long long code);
    void ForceReceiveCount(long long count);
    void SetBoardAddress(long long address);
    // The NI-488.2 and VISA stand-ins' one interface: "GPIB<n>" or "TCPIP0::<host>::gpib0".
    void SetInterface(const std::string& name, bool interfaceResource = true);
    void SetReply(const std::string& query, const std::string& bytes);
    void RestoreReply(const std::string& query);
    void MuteQuery(const std::string& query, bool muted = true);
    void SetMemorySize(int size);
    void SetLogging(bool on);

    std::vector<std::string> Log();
    // The log entries of one function, in order.
    std::vector<std::string> Calls(const std::string& function);
    // The names of the functions called, in order.
    std::vector<std::string> CallNames();
    std::string Record(int address);

    // The simulated Prologix controller's stand-in only. Serves it on kind "pty" or "tcp" and
    // says where: a port the backend can be pointed at.
    std::string ServePrologix(const std::string& kind);
    // Waits until the controller has taken every byte the backend wrote to it.
    void SettlePrologix();
    // "prologix-usb" (after a reset), "prologix-ethernet", "ar488-uno", "ar488-nano".
    void SetPrologixKind(const std::string& kind);
    void SetPrologixVersion(const std::string& answer);
    int PrologixOverflowBytes();
    int PrologixEepromWrites();
    std::string PrologixSettings();

  private:
    platform::DriverLibrary library_;
    platform::DriverFunction<void()> reset_{library_, "tq58sim_reset"};
    platform::DriverFunction<void(int)> setAddress_{library_, "tq58sim_set_analyzer_address"};
    platform::DriverFunction<void(const char*, int, long long)> failCall_{library_,
                                                                          "tq58sim_fail_call"};
    platform::DriverFunction<void(long long)> forceCount_{library_, "tq58sim_force_receive_count"};
    platform::DriverFunction<void(long long)> setBoardAddress_{library_,
                                                               "tq58sim_set_board_address"};
    platform::DriverFunction<void(const char*, int)> setInterface_{library_,
                                                                   "tq58sim_set_interface"};
    platform::DriverFunction<void(const char*, const char*, int)> setReply_{library_,
                                                                            "tq58sim_set_reply"};
    platform::DriverFunction<void(const char*, int)> mute_{library_, "tq58sim_mute_query"};
    platform::DriverFunction<void(int)> memorySize_{library_, "tq58sim_set_memory_size"};
    platform::DriverFunction<void(int)> logging_{library_, "tq58sim_set_logging"};
    platform::DriverFunction<int()> logSize_{library_, "tq58sim_log_size"};
    platform::DriverFunction<int(int, char*, int)> logEntry_{library_, "tq58sim_log_entry"};
    platform::DriverFunction<int(int, char*, int)> record_{library_, "tq58sim_record"};
    platform::DriverFunction<int(const char*, char*, int)> serve_{library_,
                                                                  "tq58sim_prologix_serve"};
    platform::DriverFunction<void()> settle_{library_, "tq58sim_prologix_settle"};
    platform::DriverFunction<int(const char*)> kind_{library_, "tq58sim_prologix_set_kind"};
    platform::DriverFunction<void(const char*)> version_{library_, "tq58sim_prologix_set_version"};
    platform::DriverFunction<int()> overflow_{library_, "tq58sim_prologix_overflow_bytes"};
    platform::DriverFunction<int()> eepromWrites_{library_, "tq58sim_prologix_eeprom_writes"};
    platform::DriverFunction<int(char*, int)> settings_{library_, "tq58sim_prologix_settings"};
};

}  // namespace testing_support
