#include "app/shell/launch_options.h"

#include <cstdlib>

#include "base/text.h"

namespace dm {

namespace {

constexpr size_t kMaxSetPath = 1024;

std::string PathAfterSwitch(const std::string& argument) {
  return argument.substr(3, kMaxSetPath);
}

bool HasDmkExtension(const std::string& lowered) {
  size_t dot = lowered.find_last_of('.');
  size_t slash = lowered.find_last_of("\\/");
  if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return false;
  return lowered.substr(dot) == ".dmk";
}

}  // namespace

LaunchOptions ParseLaunchOptions(const std::vector<std::string>& args) {
  LaunchOptions options;
  if (args.size() > 1 && AsciiLower(args[1]) == "-update") {
    options.updateMode = true;
    if (args.size() > 2) options.updateCallerWindow = static_cast<intptr_t>(std::strtoll(args[2].c_str(), nullptr, 10));
    if (args.size() > 3) options.updateTargetFolder = args[3];
  }
  for (const std::string& argument : args) {
    std::string lowered = AsciiLower(argument);
    if (StartsWith(lowered, "-a=")) {
      options.setPath = PathAfterSwitch(argument);
      options.runAndExit = true;
    } else if (StartsWith(lowered, "-h")) {
      options.runAndExit = true;
      options.hidden = true;
    } else if (StartsWith(lowered, "-s=")) {
      options.setPath = PathAfterSwitch(argument);
      options.runAndStay = true;
    } else if (StartsWith(lowered, "-i")) {
      options.startInTray = true;
    } else if (StartsWith(lowered, "-x")) {
      options.shutDownAfterRun = true;
    } else if (StartsWith(lowered, "-d")) {
      options.allowSecondInstance = true;
    } else if (HasDmkExtension(lowered)) {
      options.setPath = argument;
      options.fileGiven = true;
    }
  }
  return options;
}

}  // namespace dm
