// The script host: the one Lua state, the settings and load scripts, the three entry
// functions, and the error report and retry that keep a script error from ending the game.
// The same object is what scripts reach as LuaN.LUA().
#pragma once

#include <lua.hpp>

#include <string>

#include "lua/LuaArgumentC.h"
#include "utility/UncopyableC.h"

namespace LuaN {

class LuaUtilityC : private UtilityN::UncopyableC {
 public:
  /// The host; the first call creates the Lua state, registers the script interface and
  /// runs system\loset.lat until it returns true.
  static LuaUtilityC& GetInstance();

  /// Creates the state and registers the script interface; does not run any script.
  /// The game uses GetInstance; tests make their own hosts.
  LuaUtilityC();
  ~LuaUtilityC();

  /// Runs the settings script until it succeeds and returns true, showing the script
  /// error box after each failed attempt.
  void RunSettingsScript(const char* file);

  /// Calls a global function without arguments, asking for 20 results; empty on failure.
  LuaArgumentC CallFunction(const char* name);
  void SetLoadPath(const std::string& path) { mLoadPath = path; }
  /// The load script with "init", then ScriptInitialize, retried until both succeed.
  void Initialize();
  /// ScriptFrame once; on failure the error box, the load script with "all", and again.
  void Frame();
  /// ScriptExit once; a failure is only written to the debug output.
  void Exit();
  /// One small step of the script collector, once a frame. Handles scripts drop hold
  /// engine objects (sprites, textures) far larger than the collector sees, so without
  /// steady steps a game dropping handles every frame keeps megabytes of them alive.
  void CollectStep();
  /// Runs the load script with this argument until it returns true.
  void ReloadLuaFile(const char* argument);
  /// Runs a script file once (null: standard input); false when it failed.
  bool RunLuaFile(const char* file);
  /// Shows the script error box: the text, a blank line, the advice. When the player
  /// closed the game window while it was open, the end handler runs (no retry follows).
  void ErrorMessageBox(const char* text, const char* advice);
  /// What ends the game when its window was closed during a script error box: start-up
  /// sets the normal shutdown once the game runs. It does not return.
  void SetEndAfterClose(void (*end)()) { mEndAfterClose = end; }
  /// The report of the last failed call; empty when the last call succeeded.
  const char* GetLuaErrorMessage() const { return mErrorMessage.c_str(); }

  // Script operations beyond the host's own work.
  float GetFPS(float period);
  void Quit();
  void DebugOut(const char* name, const char* text);
  void DebugFlush();
  void DebugShowStandard();
  void DebugShowDebug();
  void DebugClear();

  lua_State* GetState() const { return mState; }

 private:
  bool CallGlobalFunction(const char* name, LuaArgumentC* results, int resultCount);
  bool RunScriptFile(const char* file, const LuaArgumentC* arguments, int resultCount,
                     LuaArgumentC* results);
  void ComposeErrorReport(const std::string& header, int status);
  void FillResults(int resultCount, LuaArgumentC* results);

  lua_State* mState = nullptr;
  std::string mErrorMessage;
  lua_CFunction mErrorHandler = nullptr;
  std::string mLoadPath;
  bool mSettingsStarted = false;
  void (*mEndAfterClose)() = nullptr;
};

/// The file the host runs for the settings, as the game names it.
inline constexpr char kSettingsScript[] = "system\\loset.lat";

}  // namespace LuaN
