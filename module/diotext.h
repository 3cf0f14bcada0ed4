#pragma once
// The texts of the DIO panel and its start flow, in one place.

#include <QString>

namespace DioText {
inline constexpr char kModidFile[] = "MODID.EXE";
inline constexpr char kSimulationFile[] = "SIMU7101.EXE";
inline constexpr char kTargetDir[] = "D:\\";
inline constexpr char kModidLine[] = "D:\\MODID\r";
inline constexpr char kSimulationLine[] = "D:\\simu7101\r";
inline constexpr char kDeleteSimulationLine[] = "del D:\\simu7101.exe\r";
inline constexpr char kDeleteModidLine[] = "del D:\\MODID.exe\r";
inline constexpr char kModuleModel[] = "7101";

inline constexpr char kFreeSpaceQuestion[] =
    "It needs at least 40 KB free space on Talo-7100\n D drive, Are you sure to continue?\n";
inline constexpr char kCheckCable[] =
    "Please check your cable RS232 and reboot \nyour system, then try again.";
inline constexpr char kModidNotSent[] =
    "Unable to send command 'D:MODID'!\n\nPlease make sure the TALO-7100 is in INIT mode,\n\n"
    "and no program is running";
inline constexpr char kNoModule[] =
    "No embedded module on Talo-7100 or embedded module is not support!";
inline constexpr char kSimulationNotSent[] =
    "Unable to send command 'D:simu7101'!\n\nPlease make sure the TALO-7100 is in INIT mode,\n\n"
    "and no program is running";

// After the echo of a program's carriage return came back wrong: the
// program may have started.
inline constexpr char kModidMayHaveRun[] =
    "D:\\MODID may have started all the same: it ends by itself. Try again in a few seconds.";
inline constexpr char kSimulationMayHaveRun[] =
    "D:\\simu7101 may have started all the same: switch the terminal on and press Ctrl+C to end "
    "it before you go on.";

inline constexpr char kPolling[] = "Polling DIO data...";
inline constexpr char kPollFailed[] = "Fail to fresh DIO data!";
inline constexpr char kSetFailed[] = "Fail to set DO!";
inline constexpr char kReleasing[] = "Releasing Talo-7101 Simulation program......Please wait!";
inline constexpr char kDeleteFailed[] = "Unable send command to Talo-7100!";
inline constexpr char kReleased[] = "Simulation program resource release Successfully!";
inline constexpr char kDescription[] = "4DI, 4DO Ethernet-based Controller";
}  // namespace DioText
