// The debug console's drawing thread against recorded pages: what each pass draws, what
// a write or a clear during a pass does, and how the thread ends.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/console/StandardOutput.h"
#include "platform/text/Text.h"
#include "utility/UsingConsoleC.h"

namespace {

using namespace std::chrono_literals;
using UtilityN::UsingConsoleC;

struct PageCall {
  bool debug = false;
  std::string page;   // CP932, debug pages only
  std::string title;  // CP932
};

// Records every page shown, from the drawing thread, for the test thread to read.
class RecordingPages : public platform::console::Pages {
 public:
  void ShowDebugPage(std::string_view page, std::string_view title) override {
    const std::lock_guard<std::mutex> hold(mLock);
    mCalls.push_back({true, std::string(page), std::string(title)});
  }
  void ShowStandardPage(std::string_view title) override {
    const std::lock_guard<std::mutex> hold(mLock);
    mCalls.push_back({false, "", std::string(title)});
  }
  std::vector<PageCall> Calls() const {
    const std::lock_guard<std::mutex> hold(mLock);
    return mCalls;
  }
  std::size_t Count() const { return Calls().size(); }
  PageCall Last() const { return Calls().back(); }
  // True once `count` pages were shown; gives up after `limit`.
  bool WaitForCount(std::size_t count, std::chrono::milliseconds limit = 5000ms) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (Count() < count) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }

 private:
  mutable std::mutex mLock;
  std::vector<PageCall> mCalls;
};

// Holds the next pass open at its start once armed, until released.
class PassGate {
 public:
  void Arm() {
    const std::lock_guard<std::mutex> hold(mLock);
    mArmed = true;
    mEntered = false;
    mReleased = false;
  }
  void AtPassStart() {
    std::unique_lock<std::mutex> hold(mLock);
    if (!mArmed) return;
    mArmed = false;
    mEntered = true;
    mChanged.notify_all();
    mChanged.wait(hold, [this] { return mReleased; });
  }
  bool WaitEntered() {
    std::unique_lock<std::mutex> hold(mLock);
    return mChanged.wait_for(hold, 5s, [this] { return mEntered; });
  }
  void Release() {
    const std::lock_guard<std::mutex> hold(mLock);
    mReleased = true;
    mChanged.notify_all();
  }

 private:
  std::mutex mLock;
  std::condition_variable mChanged;
  bool mArmed = false, mEntered = false, mReleased = false;
};

std::string Utf8(const std::string& cp932) { return platform::text::Cp932ToUtf8(cp932); }

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    console_.SetPassHook([this] { gate_.AtPassStart(); });
    // Before Resume no pass has run, so this is the stream that swallows writes.
    discard_ = &console_.GetDebugStream("");
  }
  void TearDown() override { gate_.Release(); }

  // Resumes the thread and waits for its first pass, after which writes are taken.
  void Start() {
    console_.Resume();
    ASSERT_TRUE(pages_.WaitForCount(1));
  }
  // Waits until the pass in progress is over, so that a write to `name` is kept.
  void WaitIdle(const std::string& name) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (&console_.GetDebugStream(name) == discard_) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the pass never ends";
      std::this_thread::sleep_for(1ms);
    }
  }
  // Requests a redraw once the running pass is over and waits for it (a flush made
  // during a pass is part of that pass, so it is repeated until a new one starts).
  void FlushAndWait() {
    const std::size_t next = pages_.Count() + 1;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    for (;;) {
      console_.Flush();
      if (pages_.WaitForCount(next, 200ms)) return;
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "no redraw";
    }
  }

  RecordingPages pages_;
  PassGate gate_;
  UsingConsoleC console_{pages_};  // destroyed first: the thread never outlives the others
  std::ostream* discard_ = nullptr;
};

TEST_F(ConsoleTest, DebugPageShowsLinesSortedByNameAndReplacesThem) {
  Start();
  EXPECT_FALSE(pages_.Last().debug);  // mode 0 at first: the standard page
  console_.ShowDebug();
  WaitIdle("FPS");
  console_.Write("FPS", "60");
  FlushAndWait();
  EXPECT_TRUE(pages_.Last().debug);
  EXPECT_EQ(pages_.Last().page, "FPS: 60\n");

  WaitIdle("FPS");
  console_.Write("FPS", "59");
  FlushAndWait();
  EXPECT_EQ(pages_.Last().page, "FPS: 59\n");

  WaitIdle("a");
  console_.Clear();
  console_.Write("a", "3");
  console_.Write("B", "2");
  console_.Write("A", "1");
  FlushAndWait();
  EXPECT_EQ(pages_.Last().page, "A: 1\nB: 2\na: 3\n");  // byte order: capitals first
}

TEST_F(ConsoleTest, PagesCarryTheirJapaneseTitles) {
  Start();
  EXPECT_EQ(Utf8(pages_.Last().title), "標準出力モード");
  console_.ShowDebug();
  FlushAndWait();
  EXPECT_EQ(Utf8(pages_.Last().title), "デバッグ情報出力モード");
  console_.ShowStandard();
  FlushAndWait();
  EXPECT_FALSE(pages_.Last().debug);
  EXPECT_EQ(Utf8(pages_.Last().title), "標準出力モード");
}

TEST_F(ConsoleTest, ModeChangeShowsOnlyAtTheNextFlush) {
  Start();
  console_.ShowDebug();
  // Nothing is due: several idle turns of the thread (16 ms each) must draw nothing.
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(pages_.Count(), 1u);
  FlushAndWait();
  EXPECT_EQ(pages_.Count(), 2u);
  EXPECT_TRUE(pages_.Last().debug);
}

TEST_F(ConsoleTest, WriteDuringAPassIsLostAndWriteAfterItIsKept) {
  Start();
  console_.ShowDebug();
  WaitIdle("A");
  console_.Write("A", "1");
  gate_.Arm();
  console_.Flush();
  ASSERT_TRUE(gate_.WaitEntered());
  console_.Write("B", "lost");  // the pass owns the lines now
  gate_.Release();
  ASSERT_TRUE(pages_.WaitForCount(2));
  EXPECT_EQ(pages_.Last().page, "A: 1\n");

  WaitIdle("C");
  console_.Write("C", "kept");
  FlushAndWait();
  EXPECT_EQ(pages_.Last().page, "A: 1\nC: kept\n");
}

TEST_F(ConsoleTest, ClearDuringAPassWaitsForItsEnd) {
  Start();
  console_.ShowDebug();
  WaitIdle("A");
  console_.Write("A", "1");
  console_.Write("B", "2");
  gate_.Arm();
  console_.Flush();
  ASSERT_TRUE(gate_.WaitEntered());
  console_.Clear();
  gate_.Release();
  ASSERT_TRUE(pages_.WaitForCount(2));
  EXPECT_EQ(pages_.Last().page, "A: 1\nB: 2\n");  // that pass is whole
  FlushAndWait();
  EXPECT_TRUE(pages_.Last().debug);
  EXPECT_EQ(pages_.Last().page, "");  // and the lines are gone after it
}

// Reports the page calls on standard error, where a death test can see them.
class ReportingPages : public platform::console::Pages {
 public:
  void ShowDebugPage(std::string_view, std::string_view) override {
    std::fputs("[debug page]", stderr);
    mShown = true;
  }
  void ShowStandardPage(std::string_view) override { std::fputs("[standard page]", stderr); }
  std::atomic<bool> mShown{false};
};

TEST(ConsoleEnd, RequestEndEndsTheProcessWithSuccessOnTheStandardPage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ReportingPages pages;
        UsingConsoleC console(pages);
        console.ShowDebug();
        console.Resume();
        for (int i = 0; i < 5000 && !pages.mShown; ++i) std::this_thread::sleep_for(1ms);
        console.RequestEnd();
        std::this_thread::sleep_for(5s);
        std::_Exit(3);  // the thread never ended the process
      },
      testing::ExitedWithCode(0), "\\[debug page\\]\\[standard page\\]");
}

// A destructor that ended the process with status 0 would pass an in-process test, so
// the process itself must be seen to go on.
TEST(ConsoleEnd, DestroyingAResumedConsoleLeavesTheProcessRunning) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        auto pages = std::make_unique<RecordingPages>();
        auto console = std::make_unique<UsingConsoleC>(*pages);
        console->ShowDebug();
        console->Resume();
        if (!pages->WaitForCount(1)) std::_Exit(4);
        std::promise<void> destroyed;
        std::future<void> done = destroyed.get_future();
        std::thread([&] {
          console.reset();
          destroyed.set_value();
        }).detach();
        if (done.wait_for(5s) != std::future_status::ready) std::_Exit(5);
        std::fputs("still running", stderr);
        std::_Exit(7);
      },
      testing::ExitedWithCode(7), "still running");
}

TEST(ConsoleEnd, DestroyingAConsoleNeverResumedReturns) {
  RecordingPages pages;
  { UsingConsoleC console(pages); }
  EXPECT_EQ(pages.Count(), 0u);
}

}  // namespace
