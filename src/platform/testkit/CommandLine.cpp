// Reading hinoki's arguments.
#include "platform/testkit/CommandLine.h"

#include <cerrno>
#include <cstdlib>
#include <set>
#include <sstream>

namespace platform::testkit {

const char kUsage[] =
    "Usage: hinoki [OPTIONS] [GAME_DIR]\n"
    "Runs the Lua game in GAME_DIR (default: the current folder).\n"
    "The folder holds system/loset.lat, the settings script, which names the load script.\n"
    "\n"
    "  --help                   show this help and exit\n"
    "  --version                show the version and exit\n"
    "\n"
    "Testing a game (see README.md, \"Testing a game: record, replay, capture\"):\n"
    "  --fixed-step             game time moves by exactly one frame time per frame and\n"
    "                           nothing waits; sound is mixed at that pace, silently\n"
    "  --record FILE            record the session's input and box answers to FILE\n"
    "                           (game time as with --fixed-step, paced in real time)\n"
    "  --replay FILE            play a recorded session back, without devices or boxes;\n"
    "                           implies --fixed-step; ends where the recording ended\n"
    "  --capture DIR            write the back buffer of frames as DIR/frame-NNNNNN.png\n"
    "  --capture-every N        with --capture: every N-th frame (default: every frame)\n"
    "  --capture-frames A,B,..  with --capture: these frames only\n"
    "  --frames N               end after frame N, as if the script called Quit in it\n"
    "\n"
    "Exit status: 0 the game ended, 1 it failed or nobody could answer a box, 2 bad\n"
    "arguments or an unreadable recording, 3 a replay reached a box it has no answer for.\n";

namespace {

bool ParseCount(const std::string& text, unsigned& value) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v == 0 || v > 4294967295ULL) return false;
  value = static_cast<unsigned>(v);
  return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, Options& options,
                      std::string& error) {
  options = Options{};
  std::set<std::string> seen;
  bool haveGameDir = false;
  bool captureEvery = false;
  bool captureFrames = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      return true;
    }
    if (arg == "--version") {
      options.version = true;
      return true;
    }
    if (arg.size() < 2 || arg[0] != '-') {
      if (haveGameDir) {
        error = "only one game folder can be given";
        return false;
      }
      options.gameDir = arg;
      haveGameDir = true;
      continue;
    }
    // --name=value or --name value.
    std::string value;
    bool inlineValue = false;
    const std::size_t equals = arg.find('=');
    if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = arg.substr(equals + 1);
      arg = arg.substr(0, equals);
      inlineValue = true;
    }
    static const std::set<std::string> kWithValue = {"--record", "--replay", "--capture",
                                                      "--capture-every", "--capture-frames",
                                                      "--frames"};
    const bool takesValue = kWithValue.count(arg) != 0;
    if (!takesValue && arg != "--fixed-step") {
      error = "unknown option '" + args[i] + "'";
      return false;
    }
    if (!takesValue && inlineValue) {
      error = "'" + arg + "' takes no value";
      return false;
    }
    if (takesValue && !inlineValue) {
      if (i + 1 >= args.size()) {
        error = "'" + arg + "' needs a value";
        return false;
      }
      value = args[++i];
    }
    if (!seen.insert(arg).second) {
      error = "'" + arg + "' is given twice";
      return false;
    }
    if (takesValue && value.empty()) {
      error = "'" + arg + "' needs a value";
      return false;
    }
    if (arg == "--fixed-step") {
      options.fixedStep = true;
    } else if (arg == "--record") {
      options.recordPath = value;
    } else if (arg == "--replay") {
      options.replayPath = value;
    } else if (arg == "--capture") {
      options.captureDir = value;
    } else if (arg == "--capture-every") {
      if (!ParseCount(value, options.capture.every)) {
        error = "--capture-every needs a whole number of frames above 0, not '" + value + "'";
        return false;
      }
      captureEvery = true;
    } else if (arg == "--capture-frames") {
      std::stringstream list(value);
      std::string item;
      while (std::getline(list, item, ',')) {
        unsigned frame = 0;
        if (!ParseCount(item, frame)) {
          error = "--capture-frames needs frame numbers above 0 separated by commas, not '" +
                  value + "'";
          return false;
        }
        options.capture.frames.insert(frame);
      }
      if (options.capture.frames.empty() || value.back() == ',') {
        error = "--capture-frames needs frame numbers above 0 separated by commas, not '" +
                value + "'";
        return false;
      }
      captureFrames = true;
    } else if (arg == "--frames") {
      if (!ParseCount(value, options.frames)) {
        error = "--frames needs a whole number of frames above 0, not '" + value + "'";
        return false;
      }
    }
  }
  if (!options.recordPath.empty() && !options.replayPath.empty()) {
    error = "--record and --replay cannot be used together";
    return false;
  }
  if (captureEvery && captureFrames) {
    error = "--capture-every and --capture-frames cannot be used together";
    return false;
  }
  if ((captureEvery || captureFrames) && options.captureDir.empty()) {
    error = std::string(captureEvery ? "--capture-every" : "--capture-frames") +
            " needs --capture DIR";
    return false;
  }
  if (!options.captureDir.empty() && !captureEvery && !captureFrames) {
    options.capture.every = 1;
  }
  return true;
}

}  // namespace platform::testkit
