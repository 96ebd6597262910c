// The debug console's drawing thread against recorded pages: what each pass draws, what
// a write or a clear during a pass does, and how the thread ends.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/console/StandardOutput.h"
#include "utility/UsingConsoleC.h"

namespace {

using namespace std::chrono_literals;
using UtilityN::UsingConsoleC;

// Records the pages drawn: a debug page as its text, the standard page as "[standard]";
// with `echo` also on standard error in angle brackets, for a death test to see.
class RecordingPages : public platform::console::Pages {
 public:
  explicit RecordingPages(bool echo = false) : mEcho(echo) {}
  void ShowDebugPage(std::string_view page, std::string_view) override { Add(std::string(page)); }
  void ShowStandardPage(std::string_view) override { Add("[standard]"); }
  std::size_t Count() const {
    const std::lock_guard<std::mutex> hold(mLock);
    return mPages.size();
  }
  std::string Last() const {
    const std::lock_guard<std::mutex> hold(mLock);
    return mPages.back();
  }
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
  void Add(const std::string& page) {
    const std::lock_guard<std::mutex> hold(mLock);
    mPages.push_back(page);
    if (mEcho) std::fputs(("<" + page + ">").c_str(), stderr);
  }
  const bool mEcho;
  mutable std::mutex mLock;
  std::vector<std::string> mPages;
};

// Holds the next pass open at its start once armed, until released.
class PassGate {
 public:
  enum State { kIdle, kArmed, kEntered, kReleased };
  void Set(State state) {
    const std::lock_guard<std::mutex> hold(mLock);
    mState = state;
    mChanged.notify_all();
  }
  bool WaitFor(State state) {
    std::unique_lock<std::mutex> hold(mLock);
    return mChanged.wait_for(hold, 5s, [&] { return mState == state; });
  }
  void AtPassStart() {
    std::unique_lock<std::mutex> hold(mLock);
    if (mState != kArmed) return;
    mState = kEntered;
    mChanged.notify_all();
    mChanged.wait(hold, [&] { return mState == kReleased; });
  }

 private:
  std::mutex mLock;
  std::condition_variable mChanged;
  State mState = kIdle;
};

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    console_.SetPassHook([this] { gate_.AtPassStart(); });
    // Before Resume no pass has run, so this is the stream that swallows writes.
    discard_ = &console_.GetDebugStream("");
  }
  void TearDown() override { gate_.Set(PassGate::kReleased); }

  // Resumes the thread, waits for its first pass and asks for the debug page.
  void Start() {
    console_.Resume();
    ASSERT_TRUE(pages_.WaitForCount(1));
    EXPECT_EQ(pages_.Last(), "[standard]");  // mode 0 at first
    console_.ShowDebug();
  }
  // Waits until the pass in progress is over, so that a write to `name` is kept; writes.
  void Put(const std::string& name, const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (&console_.GetDebugStream(name) == discard_) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the pass never ends";
      std::this_thread::sleep_for(1ms);
    }
    console_.Write(name, text);
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

  // Puts `name`, then runs `during` while the next pass is held; returns what it drew.
  std::string HeldPass(const std::string& name, const std::function<void()>& during) {
    Put(name, "1");
    const std::size_t next = pages_.Count() + 1;
    gate_.Set(PassGate::kArmed);
    console_.Flush();
    EXPECT_TRUE(gate_.WaitFor(PassGate::kEntered));
    during();
    gate_.Set(PassGate::kReleased);
    EXPECT_TRUE(pages_.WaitForCount(next));
    return pages_.Last();
  }

  RecordingPages pages_;
  PassGate gate_;
  UsingConsoleC console_{pages_};  // destroyed first: the thread never outlives the others
  std::ostream* discard_ = nullptr;
};

TEST_F(ConsoleTest, DebugPageShowsAtAFlushWithLinesSortedByNameAndReplaced) {
  Start();
  Put("FPS", "60");
  // Idle turns of the thread (16 ms each) draw nothing, not even the change of mode.
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(pages_.Count(), 1u);
  FlushAndWait();
  EXPECT_EQ(pages_.Count(), 2u);
  EXPECT_EQ(pages_.Last(), "FPS: 60\n");
  Put("FPS", "59");
  FlushAndWait();
  EXPECT_EQ(pages_.Last(), "FPS: 59\n");
  Put("a", "3");
  console_.Write("B", "2");
  console_.Write("A", "1");
  FlushAndWait();
  EXPECT_EQ(pages_.Last(), "A: 1\nB: 2\nFPS: 59\na: 3\n");  // byte order: capitals first
}

TEST_F(ConsoleTest, WriteDuringAPassIsLostAndClearWaitsForItsEnd) {
  Start();
  Put("B", "2");
  // The pass owns the lines once it started.
  EXPECT_EQ(HeldPass("A", [&] { console_.Write("C", "lost"); }), "A: 1\nB: 2\n");
  Put("D", "kept");
  FlushAndWait();
  EXPECT_EQ(pages_.Last(), "A: 1\nB: 2\nD: kept\n");
  // That pass is whole, and the lines are gone after it.
  EXPECT_EQ(HeldPass("E", [&] { console_.Clear(); }), "A: 1\nB: 2\nD: kept\nE: 1\n");
  FlushAndWait();
  EXPECT_EQ(pages_.Last(), "");
}

TEST(ConsoleEnd, RequestEndEndsTheProcessWithSuccessOnTheStandardPage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        RecordingPages pages(true);
        UsingConsoleC console(pages);
        console.ShowDebug();
        console.Resume();
        pages.WaitForCount(1);
        console.RequestEnd();
        std::this_thread::sleep_for(5s);
        std::_Exit(3);  // the thread never ended the process
      },
      testing::ExitedWithCode(0), "<><\\[standard\\]>");  // the debug page, then the standard
}

// A destructor ending the process with status 0 would pass an in-process test.
TEST(ConsoleEnd, DestroyingAResumedConsoleLeavesTheProcessRunning) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        auto pages = std::make_unique<RecordingPages>();
        auto console = std::make_unique<UsingConsoleC>(*pages);
        console->ShowDebug();
        console->Resume();
        if (!pages->WaitForCount(1)) std::_Exit(4);
        auto done = std::async(std::launch::async, [&] { console.reset(); });
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
