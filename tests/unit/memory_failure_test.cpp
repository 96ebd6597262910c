// Running out of memory ends the game with a box naming what failed and status -1.
#include <gtest/gtest.h>

#include <cstdio>

#include "base/MemoryFailure.h"
#include "platform/Platform.h"
#include "platform/dialog/Dialog.h"
#include "platform/text/Text.h"

namespace {

// Writes each box to standard error so the death test can read what was shown.
class PrintingDialog final : public platform::Dialog {
 public:
  platform::DialogAnswer Show(const platform::DialogRequest& request) override {
    std::fprintf(stderr, "<%s|%s|%d>", platform::text::Cp932ToUtf8(request.title).c_str(),
                 platform::text::Cp932ToUtf8(request.text).c_str(),
                 request.icon == platform::DialogIcon::kError);
    return platform::DialogAnswer::kOk;
  }
};

TEST(MemoryFailure, HandlersShowTheirBoxAndExitWithMinusOne) {
  static PrintingDialog dialog;
  const platform::Components saved = platform::Installed();
  platform::Components components = saved;
  components.dialog = &dialog;
  platform::Install(components);
  EXPECT_EXIT(BaseN::MemoryFailureHandler(), testing::ExitedWithCode(255),
              "<ERROR\\|メモリ確保に失敗しました。\\|1>");
  EXPECT_EXIT(BaseN::SoundMemoryFailureHandler(), testing::ExitedWithCode(255),
              "<ERROR\\|サウンドデータのメモリ確保に失敗しました。\\|1>");
  platform::Install(saved);
}

}  // namespace
