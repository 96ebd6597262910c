// Writing and reading the recording's text lines.
#include "platform/testkit/Recording.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace platform::testkit {

namespace {

std::string Bits(const bool* values, std::size_t count) {
  std::string s;
  for (std::size_t i = 0; i < count; ++i) s += values[i] ? '1' : '0';
  return s;
}

const char* AnswerName(DialogAnswer answer) {
  switch (answer) {
    case DialogAnswer::kYes: return "yes";
    case DialogAnswer::kNo: return "no";
    default: return "ok";
  }
}

bool ToLong(const std::string& token, long long min, long long max, long long& value) {
  if (token.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(token.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < min || v > max) return false;
  value = v;
  return true;
}

bool ToInt(const std::string& token, int& value) {
  long long v = 0;
  if (!ToLong(token, -2147483647LL - 1, 2147483647LL, v)) return false;
  value = static_cast<int>(v);
  return true;
}

template <std::size_t N>
bool ToBits(const std::string& token, std::array<bool, N>& bits) {
  if (token.size() != N) return false;
  for (std::size_t i = 0; i < N; ++i) {
    if (token[i] != '0' && token[i] != '1') return false;
    bits[i] = token[i] == '1';
  }
  return true;
}

bool ParseKeys(const std::string& token, FrameInput& input) {
  input.keys.fill(0);
  if (token == "off") return input.keyboardRead = false, true;
  input.keyboardRead = true;
  if (token == "-") return true;
  std::stringstream list(token);
  std::string code;
  while (std::getline(list, code, ',')) {
    long long k = 0;
    if (!ToLong(code, 0, 255, k)) return false;
    input.keys[static_cast<std::size_t>(k)] = kKeyDown;
  }
  return true;
}

// Reads the tokens after "frame N"; false on anything out of place.
bool ParseFrameTokens(std::istringstream& in, FrameInput& input, bool joystick) {
  std::string word, token;
  if (!(in >> word >> token) || word != "keys" || !ParseKeys(token, input)) return false;
  if (!(in >> word >> token) || word != "mouse") return false;
  if (token == "off") {
    input.mouseRead = false;
  } else {
    input.mouseRead = true;
    std::string dy, wheel, buttons, x, y;
    if (!(in >> dy >> wheel >> buttons >> x >> y)) return false;
    if (!ToInt(token, input.mouse.x) || !ToInt(dy, input.mouse.y) ||
        !ToInt(wheel, input.mouse.wheel) || !ToBits(buttons, input.mouse.buttons) ||
        !ToInt(x, input.cursor.x) || !ToInt(y, input.cursor.y)) {
      return false;
    }
  }
  if (!(in >> word >> token) || word != "pad") return false;
  if (token == "none") {
    if (joystick) return false;
  } else if (!joystick) {
    return false;
  } else if (token == "off") {
    input.joystickRead = false;
  } else {
    input.joystickRead = true;
    std::string y, z, rz, buttons;
    if (!(in >> y >> z >> rz >> buttons)) return false;
    if (!ToInt(token, input.joystick.x) || !ToInt(y, input.joystick.y) ||
        !ToInt(z, input.joystick.z) || !ToInt(rz, input.joystick.rz) ||
        !ToBits(buttons, input.joystick.buttons)) {
      return false;
    }
  }
  return !(in >> token);
}

}  // namespace

std::string FormatHeader(std::uint32_t startMilliseconds, std::int64_t startCalendarSeconds,
                         bool joystick) {
  std::ostringstream out;
  out << kRecordingMagic << ' ' << kRecordingVersion << '\n'
      << "clock " << startMilliseconds << ' ' << startCalendarSeconds << '\n'
      << "joystick " << (joystick ? 1 : 0) << '\n';
  return out.str();
}

std::string FormatFrame(unsigned frame, const FrameInput& input, bool joystick) {
  std::ostringstream out;
  out << "frame " << frame << " keys ";
  if (!input.keyboardRead) {
    out << "off";
  } else {
    bool any = false;
    for (int code = 0; code < 256; ++code) {
      if (!(input.keys[static_cast<std::size_t>(code)] & kKeyDown)) continue;
      out << (any ? "," : "") << code;
      any = true;
    }
    if (!any) out << '-';
  }
  out << " mouse ";
  if (!input.mouseRead) {
    out << "off";
  } else {
    out << input.mouse.x << ' ' << input.mouse.y << ' ' << input.mouse.wheel << ' '
        << Bits(input.mouse.buttons.data(), input.mouse.buttons.size()) << ' '
        << input.cursor.x << ' ' << input.cursor.y;
  }
  out << " pad ";
  if (!joystick) {
    out << "none";
  } else if (!input.joystickRead) {
    out << "off";
  } else {
    const JoystickState& j = input.joystick;
    out << j.x << ' ' << j.y << ' ' << j.z << ' ' << j.rz << ' '
        << Bits(j.buttons.data(), j.buttons.size());
  }
  out << '\n';
  return out.str();
}

std::string FormatBox(unsigned frame, DialogAnswer answer) {
  return "box " + std::to_string(frame) + ' ' + AnswerName(answer) + '\n';
}

std::string FormatEnd(unsigned frames) { return "end " + std::to_string(frames) + '\n'; }

bool ParseRecording(const std::string& text, Recording& recording, std::string& error) {
  recording = Recording{};
  std::istringstream lines(text);
  std::string line;
  unsigned number = 0;
  // A last line without its newline was being written when the recorder stopped.
  const bool endsMidLine = !text.empty() && text.back() != '\n';
  auto fail = [&](const std::string& why) {
    if (endsMidLine && number > 1 && lines.peek() == std::char_traits<char>::eof()) {
      error = "the recording is cut short (line " + std::to_string(number) + " is incomplete)";
    } else {
      error = number == 0 ? why : "line " + std::to_string(number) + ": " + why;
    }
    return false;
  };

  if (!std::getline(lines, line)) return fail("the file is empty, not a recording");
  ++number;
  {
    std::istringstream in(line);
    std::string magic, version, rest;
    in >> magic >> version;
    if (magic != kRecordingMagic) {
      return fail("not a hinoki recording (it must start with \"" +
                  std::string(kRecordingMagic) + " " + std::to_string(kRecordingVersion) +
                  "\")");
    }
    long long v = 0;
    if (!ToLong(version, 1, 1000000, v) || (in >> rest)) {
      return fail("the version \"" + version + "\" is not a number");
    }
    if (v != kRecordingVersion) {
      return fail("recording format version " + version + " cannot be read: this hinoki reads version " +
                  std::to_string(kRecordingVersion));
    }
  }

  bool haveClock = false, haveJoystick = false, ended = false;
  while (std::getline(lines, line)) {
    ++number;
    if (ended) {
      if (line.empty()) continue;
      return fail("text after the end line");
    }
    std::istringstream in(line);
    std::string word, a, b, rest;
    in >> word;
    if (word == "clock" && !haveClock && recording.frames.empty()) {
      long long ms = 0, seconds = 0;
      if (!(in >> a >> b) || (in >> rest) || !ToLong(a, 0, 4294967295LL, ms) ||
          !ToLong(b, -(1LL << 53), 1LL << 53, seconds)) {
        return fail("the clock line must hold the start milliseconds and seconds");
      }
      recording.startMilliseconds = static_cast<std::uint32_t>(ms);
      recording.startCalendarSeconds = seconds;
      haveClock = true;
    } else if (word == "joystick" && !haveJoystick && recording.frames.empty()) {
      if (!(in >> a) || (in >> rest) || (a != "0" && a != "1")) {
        return fail("the joystick line must say 0 or 1");
      }
      recording.joystick = a == "1";
      haveJoystick = true;
    } else if (word == "frame") {
      if (!haveClock || !haveJoystick) return fail("a frame before the clock and joystick lines");
      long long n = 0;
      if (!(in >> a) || !ToLong(a, 1, 4294967295LL, n) ||
          static_cast<std::size_t>(n) != recording.frames.size() + 1) {
        return fail("frame " + a + " out of order (expected frame " +
                    std::to_string(recording.frames.size() + 1) + ")");
      }
      FrameInput input;
      if (!ParseFrameTokens(in, input, recording.joystick)) {
        return fail("frame " + a + " is not written as \"frame N keys K mouse M pad P\"");
      }
      recording.frames.push_back(input);
    } else if (word == "box") {
      long long n = 0;
      BoxAnswer box;
      if (!(in >> a >> b) || (in >> rest) || !ToLong(a, 0, 4294967295LL, n)) {
        return fail("a box line must hold a frame and an answer");
      }
      if (b == "ok") box.answer = DialogAnswer::kOk;
      else if (b == "yes") box.answer = DialogAnswer::kYes;
      else if (b == "no") box.answer = DialogAnswer::kNo;
      else return fail("the box answer \"" + b + "\" is none of ok, yes, no");
      box.frame = static_cast<unsigned>(n);
      recording.boxes.push_back(box);
    } else if (word == "end") {
      long long n = 0;
      if (!(in >> a) || (in >> rest) || !ToLong(a, 0, 4294967295LL, n) ||
          static_cast<std::size_t>(n) != recording.frames.size()) {
        return fail("the end line does not match the " + std::to_string(recording.frames.size()) +
                    " frames recorded");
      }
      ended = true;
    } else {
      return fail("unexpected \"" + line.substr(0, 40) + "\"");
    }
  }
  if (!ended) {
    number = 0;
    return fail("the recording is cut short (no end line after " +
                std::to_string(recording.frames.size()) + " frames)");
  }
  if (!haveClock || !haveJoystick) return fail("the clock or joystick line is missing");
  return true;
}

}  // namespace platform::testkit
