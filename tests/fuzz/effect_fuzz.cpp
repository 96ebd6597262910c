// Fuzz target for what the devices read of an effect file before compiling it: the
// technique and sampler lines and the uniform declarations. Every input must be read or
// refused with a message, without a crash, a hang or a huge allocation, and what is read
// must keep within the limits a device relies on.
// Built with clang's -fsanitize=fuzzer (HINOKI_LIBFUZZER) it is a libFuzzer target;
// otherwise it replays the files it is given, which is how the tests run the corpus.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "ReplayMain.h"
#include "platform/gfx/EffectSource.h"

namespace {

// Reads the source; true when it was understood. Aborts when a result contradicts itself.
bool ReadOnce(const std::uint8_t* data, std::size_t size) {
  const std::string source(reinterpret_cast<const char*>(data), size);
  platform::EffectLayout layout;
  std::string errors;
  if (!platform::ReadEffectLayout("effect.lat", source, layout, errors)) {
    if (errors.find("effect.lat") != 0) std::abort();
    return false;
  }
  if (layout.passes < 1 || layout.passes > platform::kMaxEffectPasses || layout.technique.empty() ||
      layout.parameters.size() > platform::kMaxEffectParameters) {
    std::abort();
  }
  std::set<std::string> names;
  for (const platform::EffectParameterLayout& parameter : layout.parameters) {
    if (parameter.name.empty() || !names.insert(parameter.name).second) std::abort();
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ReadOnce(data, size);
  return 0;
}

#ifndef HINOKI_LIBFUZZER
int main(int argc, char** argv) {
  return fuzz::ReplayFiles(argc, argv, ReadOnce, "read");
}
#endif
