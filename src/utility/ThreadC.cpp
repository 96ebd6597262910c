// The suspended-start thread wrapper.
#include "utility/ThreadC.h"

namespace UtilityN {

ThreadC::ThreadC() : mThreadHandle(&ThreadC::Entry, this) {}

ThreadC::~ThreadC() {
  Cancel();
  Join();
}

void ThreadC::Resume() {
  const std::lock_guard<std::mutex> hold(mLock);
  mResumed = true;
  mWake.notify_all();
}

void ThreadC::Cancel() {
  const std::lock_guard<std::mutex> hold(mLock);
  if (!mResumed) mCancelled = true;
  mWake.notify_all();
}

void ThreadC::Join() {
  if (mThreadHandle.joinable() && mThreadHandle.get_id() != std::this_thread::get_id()) {
    mThreadHandle.join();
  }
}

void ThreadC::Entry() {
  {
    std::unique_lock<std::mutex> hold(mLock);
    mWake.wait(hold, [this] { return mResumed || mCancelled; });
    if (mCancelled) {
      mRunning = false;
      return;
    }
  }
  Run();
  mRunning = false;
}

}  // namespace UtilityN
