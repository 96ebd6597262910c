// The debug console: a standard-output page and a debug page of named lines that scripts
// overwrite and redraw on request. Its own thread draws the debug page so that a frame
// never waits for the terminal, and at the normal end of a debug run it ends the process.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "platform/console/StandardOutput.h"
#include "utility/ThreadC.h"

namespace UtilityN {

class UsingConsoleC : public ThreadC {
 public:
  /// The console of the game, drawing on the terminal; created suspended.
  static UsingConsoleC& GetInstance();

  /// A console drawing on `pages`; its thread waits for Resume.
  explicit UsingConsoleC(platform::console::Pages& pages);
  ~UsingConsoleC() override;

  /// The stream of a named line, emptied; the discard stream while a redraw is requested
  /// or running (what is written there is lost).
  std::ostream& GetDebugStream(const std::string& name);
  /// Sets a named line to `text` (behind the script's DebugOut).
  void Write(const std::string& name, const std::string& text);
  /// Requests one redraw (behind DebugFlush).
  void Flush();
  /// The page shown from the next redraw on.
  void ShowStandard() { mMode = 0; }
  void ShowDebug() { mMode = 1; }
  /// Removes every named line; during a redraw, right after it, so that pass is whole.
  void Clear();
  /// Shutdown in debug mode: the thread ends the process with status 0 after its current
  /// sleep or pass.
  void RequestEnd() { mEnd = true; }

  /// Runs on the drawing thread at the start of every pass; lets tests hold a pass open.
  void SetPassHook(std::function<void()> hook) { mPassHook = std::move(hook); }

 protected:
  void Run() override;

 private:
  void ClearIfRequested();

  platform::console::Pages& mPages;
  std::map<std::string, std::ostringstream> mEntries;
  std::ostringstream mDiscard;
  std::atomic<bool> mIdle{false};
  std::atomic<bool> mEnd{false};
  std::atomic<int> mMode{0};
  std::atomic<bool> mStop{false};          // teardown at an abnormal end: leave Run quietly
  std::atomic<bool> mClearRequested{false};
  std::atomic<bool> mDebugPageDrawn{false};
  std::function<void()> mPassHook;
};

}  // namespace UtilityN
