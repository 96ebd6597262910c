// Standard output in UTF-8 for CP932 engine and script text.
#include "platform/console/StandardOutput.h"

#include <cstdio>
#include <string>

#include "platform/text/Text.h"

namespace platform::console {

void Write(std::string_view cp932) {
  const std::string utf8 = text::Cp932ToUtf8(cp932);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

void Flush() { std::fflush(stdout); }

}  // namespace platform::console
