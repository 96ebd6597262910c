// The replay program a fuzz target becomes without libFuzzer: it runs the target's entry
// over every file named on the command line, which is how the tests replay the committed
// corpora of malformed files. It prints "<n> of <m> files <verb>" for the test to match.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace fuzz {

/// `accept` handles one input and says whether it was a good file.
inline int ReplayFiles(int argc, char** argv, bool (*accept)(const std::uint8_t*, std::size_t),
                       const char* verb) {
  int accepted = 0;
  for (int i = 1; i < argc; ++i) {
    std::FILE* file = std::fopen(argv[i], "rb");
    if (!file) {
      std::fprintf(stderr, "cannot open %s\n", argv[i]);
      return 1;
    }
    std::vector<std::uint8_t> bytes;
    int c;
    while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<std::uint8_t>(c));
    std::fclose(file);
    if (accept(bytes.data(), bytes.size())) ++accepted;
  }
  std::printf("%d of %d files %s\n", accepted, argc - 1, verb);
  return 0;
}

}  // namespace fuzz
