// A thread that starts suspended and runs the virtual Run once it is resumed.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "utility/UncopyableC.h"

namespace UtilityN {

class ThreadC : private UncopyableC {
 public:
  virtual ~ThreadC();
  /// Lets the suspended thread run.
  void Resume();
  /// True from construction until Run has returned.
  bool HasThread() const { return mRunning.load(); }
  /// Blocks the caller until the thread has ended (it may end the process instead).
  void Join();

 protected:
  ThreadC();
  /// The thread's body.
  virtual void Run() = 0;
  /// Stops a thread that was never resumed; derived classes stop Run's loop first.
  void Cancel();

 private:
  void Entry();

  std::mutex mLock;
  std::condition_variable mWake;
  bool mResumed = false;
  bool mCancelled = false;
  std::atomic<bool> mRunning{true};
  std::thread mThreadHandle;
};

}  // namespace UtilityN
