// What the command line asked for, read once before any window exists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dm {

struct LaunchOptions {
  std::string setPath;       // "-a=", "-s=" or a .dmk argument; the last one wins
  bool runAndExit = false;   // "-a=" or "-h": run once, then end
  bool hidden = false;       // "-h": no window, no tray icon
  bool runAndStay = false;   // "-s=": run once, the program stays
  bool fileGiven = false;    // a .dmk argument
  bool startInTray = false;  // "-i"
  bool shutDownAfterRun = false;  // "-x"
  bool allowSecondInstance = false;  // "-d"
  bool updateMode = false;   // "-update" as the first argument
  intptr_t updateCallerWindow = 0;
  std::string updateTargetFolder;

  // Whether the command line asked for a run at start.
  bool CommandLineRun() const { return runAndExit || runAndStay; }
};

// args[0] is the program itself, as the system passes it.
LaunchOptions ParseLaunchOptions(const std::vector<std::string>& args);

}  // namespace dm
