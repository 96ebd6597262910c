// The debug console's hand-over between the main thread and the drawing thread.
// The main thread touches the entries only while mIdle is true; the drawing thread only
// while it is false. Clearing that arrives during a pass is left to whoever owns the
// entries next.
#include "utility/UsingConsoleC.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "base/FixedTexts.h"

namespace UtilityN {

UsingConsoleC& UsingConsoleC::GetInstance() {
  static UsingConsoleC console(platform::console::TerminalPages());
  return console;
}

UsingConsoleC::UsingConsoleC(platform::console::Pages& pages) : mPages(pages) {}

UsingConsoleC::~UsingConsoleC() {
  // Reached only at the teardown of an abnormal end: the thread must not keep the
  // process alive, nor end it with a success status.
  mStop = true;
  Cancel();
  Join();
  // A terminal left on the debug page goes back to the user's screen, with everything
  // written meanwhile.
  if (mDebugPageDrawn.load()) mPages.ShowStandardPage(BaseN::FixedText::kConsoleStandardTitle);
}

void UsingConsoleC::ClearIfRequested() {
  if (mClearRequested.exchange(false)) mEntries.clear();
}

std::ostream& UsingConsoleC::GetDebugStream(const std::string& name) {
  if (!mIdle.load()) return mDiscard;
  ClearIfRequested();
  std::ostringstream& stream = mEntries[name];
  stream.str(std::string());
  stream.clear();
  return stream;
}

void UsingConsoleC::Write(const std::string& name, const std::string& text) {
  GetDebugStream(name) << text << '\n' << std::flush;
}

void UsingConsoleC::Flush() {
  mDiscard.str(std::string());
  mDiscard.clear();
  bool idle = true;
  mIdle.compare_exchange_strong(idle, false);
}

void UsingConsoleC::Clear() {
  mClearRequested = true;
  if (mIdle.load()) ClearIfRequested();
}

void UsingConsoleC::Run() {
  for (;;) {
    if (mStop.load()) return;
    if (mEnd.load()) {
      // Leave the terminal as the user had it, with everything written shown.
      mPages.ShowStandardPage(BaseN::FixedText::kConsoleStandardTitle);
      std::fflush(nullptr);
      _exit(0);
    }
    if (mIdle.load()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(16));
      continue;
    }
    if (mPassHook) mPassHook();
    std::string page;
    for (const auto& [name, text] : mEntries) page += name + ": " + text.str();
    if (mMode.load() == 1) {
      mPages.ShowDebugPage(page, BaseN::FixedText::kConsoleDebugTitle);
      mDebugPageDrawn = true;
    } else {
      mPages.ShowStandardPage(BaseN::FixedText::kConsoleStandardTitle);
    }
    ClearIfRequested();
    mIdle = true;
  }
}

}  // namespace UtilityN
