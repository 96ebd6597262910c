// The script host: protected calls with a traceback, the uniform error report, and the
// retry loops that let the user fix a script while its error box is open.
#include "lua/LuaUtilityC.h"

#include <cstdlib>

#include "base/FixedTexts.h"
#include "base/FramePacerC.h"
#include "base/IniSettingsS.h"
#include "base/MemoryFailure.h"
#include "bind/Registration.h"
#include "lua/ScriptFiles.h"
#include "platform/Platform.h"
#include "platform/clock/SimulatedTime.h"
#include "platform/console/StandardOutput.h"
#include "platform/dialog/Dialog.h"
#include "platform/window/Window.h"
#include "utility/UsingConsoleC.h"

namespace LuaN {
namespace {

namespace fixed = BaseN::FixedText;

// The size of the per-frame collector step, in the collector's own units (about KiB of
// allocation it pays for).
constexpr int kCollectStepKiB = 16;

bool DebugMode() { return BaseN::GetIniSettings().mDebugMode; }

void WriteDebugLine(const char* line) {
  platform::console::Write(line);
  platform::console::Write("\n");
  platform::console::Flush();
}

// The script's print and the panic function: every value through tostring, each followed
// by a tab, then a line end. Nothing at all outside debug mode.
int PrintToConsole(lua_State* L) {
  if (!DebugMode()) return 0;
  const int count = lua_gettop(L);
  lua_getglobal(L, "tostring");
  for (int i = 1; i <= count; ++i) {
    lua_pushvalue(L, -1);
    lua_pushvalue(L, i);
    lua_call(L, 1, 1);
    std::size_t length = 0;
    const char* s = lua_type(L, -1) == LUA_TSTRING ? lua_tolstring(L, -1, &length) : "";
    platform::console::Write(std::string_view(s, length));
    platform::console::Write("\t");
    lua_pop(L, 1);
  }
  platform::console::Write("\n");
  platform::console::Flush();
  return 0;
}

const char* KindText(int status) {
  switch (status) {
    case LUA_ERRRUN: return fixed::kKindRuntime;
    case LUA_ERRSYNTAX: return fixed::kKindSyntax;
    case LUA_ERRMEM: return fixed::kKindMemory;
    case LUA_ERRFILE: return fixed::kKindFile;
    default: return "";
  }
}

std::string FileHeader(const char* file, const char* close) {
  return std::string(fixed::kErrorHeader) + "\n" + fixed::kPlaceFileOpen +
         (file ? file : fixed::kStandardInput) + close;
}

// CP932 lead bytes; a cut must not separate one from its trail byte.
bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Keeps at most `limit` bytes, ending on a character boundary.
void TruncateCp932(std::string& s, std::size_t limit) {
  if (s.size() <= limit) return;
  std::size_t i = 0;
  while (i < limit) {
    const std::size_t width = IsLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
    if (i + width > limit) break;
    i += width;
  }
  s.resize(i);
}

// Under a simulated clock os.time(), os.clock() and os.date(format) read it, so a replayed
// session sees the times it saw when recorded. Calls that name a time keep Lua's own
// functions: os.time(table) converts, os.date(format, t) formats t.
int SimulatedOsTime(lua_State* L) {
  if (lua_isnoneornil(L, 1)) {
    lua_pushnumber(L, static_cast<lua_Number>(platform::SimulatedTimeSource()->CalendarSeconds()));
    return 1;
  }
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
  return lua_gettop(L);
}

int SimulatedOsClock(lua_State* L) {
  lua_pushnumber(L, platform::SimulatedTimeSource()->ProcessorSeconds());
  return 1;
}

int SimulatedOsDate(lua_State* L) {
  if (lua_isnoneornil(L, 2)) {
    if (lua_isnone(L, 1)) lua_pushstring(L, "%c");
    lua_settop(L, 1);
    lua_pushnumber(L, static_cast<lua_Number>(platform::SimulatedTimeSource()->CalendarSeconds()));
  }
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
  return lua_gettop(L);
}

void InstallSimulatedTime(lua_State* L) {
  if (!platform::SimulatedTimeSource()) return;
  lua_getglobal(L, "os");
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    return;
  }
  lua_getfield(L, -1, "time");
  lua_pushcclosure(L, SimulatedOsTime, 1);
  lua_setfield(L, -2, "time");
  lua_getfield(L, -1, "date");
  lua_pushcclosure(L, SimulatedOsDate, 1);
  lua_setfield(L, -2, "date");
  lua_pushcfunction(L, SimulatedOsClock);
  lua_setfield(L, -2, "clock");
  lua_pop(L, 1);
}

}  // namespace

LuaUtilityC& LuaUtilityC::GetInstance() {
  static LuaUtilityC instance;
  // The settings script may reach the host itself (LuaN.LUA()); it finds it created.
  if (!instance.mSettingsStarted) {
    instance.mSettingsStarted = true;
    instance.RunSettingsScript(kSettingsScript);
  }
  return instance;
}

LuaUtilityC::LuaUtilityC() {
  mState = luaL_newstate();
  if (!mState) {
    BaseN::ShowFatalErrorBox(fixed::kLuaStateFailure, false);
    std::exit(-1);
  }
  luaL_openlibs(mState);
  InstallWindowsFileNames(mState);
  InstallSimulatedTime(mState);
  lua_getglobal(mState, "debug");
  if (!lua_isnil(mState, -1)) {
    lua_getfield(mState, -1, "traceback");
    mErrorHandler = lua_tocfunction(mState, -1);
    lua_pop(mState, 1);
  }
  lua_pop(mState, 1);
  lua_register(mState, "print", PrintToConsole);
  lua_atpanic(mState, PrintToConsole);
  bind::RegisterScriptInterface(mState);
}

LuaUtilityC::~LuaUtilityC() {
  mErrorMessage.clear();
  mLoadPath.clear();
  if (mState) lua_close(mState);
  mState = nullptr;
}

void LuaUtilityC::RunSettingsScript(const char* file) {
  for (;;) {
    LuaArgumentC results;
    if (!RunScriptFile(file, nullptr, 2, &results)) {
      ErrorMessageBox(mErrorMessage.c_str(), fixed::kSettingsScriptInvalid);
      continue;
    }
    if (results.GetBool(0)) return;
    ErrorMessageBox(results.GetString(1), fixed::kFixSettingsFile);
  }
}

void LuaUtilityC::FillResults(int resultCount, LuaArgumentC* results) {
  if (!results) return;
  for (int i = resultCount; i >= 1; --i) {
    const int index = -i;
    switch (lua_type(mState, index)) {
      case LUA_TBOOLEAN: results->AddBool(lua_toboolean(mState, index) != 0); break;
      case LUA_TNUMBER: results->AddNumber(lua_tonumber(mState, index)); break;
      case LUA_TSTRING: results->AddString(lua_tostring(mState, index)); break;
      default: results->AddNil(); break;  // tables, functions and the like
    }
  }
}

void LuaUtilityC::ComposeErrorReport(const std::string& header, int status) {
  mErrorMessage += header;
  mErrorMessage += "\n";
  mErrorMessage += fixed::kReasonPrefix;
  mErrorMessage += KindText(status);
  mErrorMessage += "\n";
  mErrorMessage += fixed::kDetailPrefix;
  if (lua_isstring(mState, -1)) {
    std::size_t length = 0;
    const char* detail = lua_tolstring(mState, -1, &length);
    mErrorMessage.append(detail, length);
  } else {
    // A table or nil raised as an error has no text; name its type instead.
    mErrorMessage += fixed::kErrorValueNotText;
    mErrorMessage += luaL_typename(mState, -1);
  }
}

bool LuaUtilityC::CallGlobalFunction(const char* name, LuaArgumentC* results, int resultCount) {
  mErrorMessage.clear();
  const int top = lua_gettop(mState);
  if (results) results->mValues.clear();
  lua_pushcfunction(mState, mErrorHandler);
  lua_getglobal(mState, name);
  if (lua_type(mState, -1) != LUA_TFUNCTION) {
    mErrorMessage = std::string(fixed::kErrorHeader) + "\n" + fixed::kPlaceFunctionOpen + name +
                    fixed::kPlaceFunctionUndefinedClose + "\n" + fixed::kReasonPrefix +
                    fixed::kUndefinedFunction;
    lua_settop(mState, top);
    return false;
  }
  const int status = lua_pcall(mState, 0, resultCount, top + 1);
  if (status != 0) {
    ComposeErrorReport(std::string(fixed::kErrorHeader) + "\n" + fixed::kPlaceFunctionOpen + name +
                           fixed::kPlaceFunctionCallClose,
                       status);
  } else {
    FillResults(resultCount, results);
  }
  lua_settop(mState, top);
  return status == 0;
}

bool LuaUtilityC::RunScriptFile(const char* file, const LuaArgumentC* arguments,
                                int resultCount, LuaArgumentC* results) {
  mErrorMessage.clear();
  const int top = lua_gettop(mState);
  if (results) results->mValues.clear();
  lua_pushcfunction(mState, mErrorHandler);
  int status = LoadScriptFile(mState, file);
  if (status != 0) {
    ComposeErrorReport(FileHeader(file, fixed::kPlaceFileLoadClose), status);
    lua_settop(mState, top);
    return false;
  }
  int argumentCount = 0;
  if (arguments) {
    for (const LuaValueS& value : arguments->mValues) {
      switch (value.mType) {
        case LUA_TBOOLEAN: lua_pushboolean(mState, value.mNumber != 0.0); break;
        case LUA_TNUMBER: lua_pushnumber(mState, value.mNumber); break;
        case LUA_TSTRING: lua_pushstring(mState, value.mText.c_str()); break;
        default: lua_pushnil(mState); break;
      }
      ++argumentCount;
    }
  }
  status = lua_pcall(mState, argumentCount, resultCount, top + 1);
  if (status != 0) {
    ComposeErrorReport(FileHeader(file, fixed::kPlaceFileRunClose), status);
  } else {
    FillResults(resultCount, results);
  }
  lua_settop(mState, top);
  return status == 0;
}

LuaArgumentC LuaUtilityC::CallFunction(const char* name) {
  LuaArgumentC results;
  if (!CallGlobalFunction(name, &results, 20)) {
    results.mValues.clear();
    if (DebugMode()) WriteDebugLine(fixed::kCallFunctionFailed);
  }
  return results;
}

void LuaUtilityC::ReloadLuaFile(const char* argument) {
  LuaArgumentC arguments;
  arguments.AddString(argument ? argument : "");
  for (;;) {
    LuaArgumentC results;
    if (!RunScriptFile(mLoadPath.c_str(), &arguments, 2, &results)) {
      ErrorMessageBox(mErrorMessage.c_str(), fixed::kFixScript);
      continue;
    }
    if (results.GetBool(0)) return;
    ErrorMessageBox(results.GetString(1), fixed::kFixScript);
  }
}

void LuaUtilityC::Initialize() {
  ReloadLuaFile("init");
  while (!CallGlobalFunction("ScriptInitialize", nullptr, 0)) {
    ErrorMessageBox(mErrorMessage.c_str(), fixed::kFixScript);
    ReloadLuaFile("init");
  }
}

void LuaUtilityC::Frame() {
  while (!CallGlobalFunction("ScriptFrame", nullptr, 0)) {
    ErrorMessageBox(mErrorMessage.c_str(), fixed::kFixScript);
    ReloadLuaFile("all");
  }
}

void LuaUtilityC::Exit() {
  if (!CallGlobalFunction("ScriptExit", nullptr, 0) && DebugMode()) {
    WriteDebugLine(fixed::kScriptExitFailed);
  }
}

void LuaUtilityC::CollectStep() { lua_gc(mState, LUA_GCSTEP, kCollectStepKiB); }

bool LuaUtilityC::RunLuaFile(const char* file) {
  const bool ok = RunScriptFile(file, nullptr, 0, nullptr);
  if (!ok && DebugMode()) WriteDebugLine(mErrorMessage.c_str());
  return ok;
}

void LuaUtilityC::ErrorMessageBox(const char* text, const char* advice) {
  // The box text is composed in a buffer of 1024 bytes: what does not fit is cut off,
  // at a character boundary so the rest still reads.
  std::string message = std::string(text ? text : "") + "\r\n\n" + (advice ? advice : "");
  TruncateCp932(message, 1023);
  platform::DialogRequest request;
  request.title = fixed::kScriptErrorTitle;
  request.text = message;
  request.ownedByMainWindow = true;
  if (platform::Dialog* dialog = platform::Installed().dialog) dialog->Show(request);
  // A player who closed the window while the box was open wants out, not another try
  // of a script that may fail again: the game ends the normal way from here.
  platform::Window* window = platform::Installed().window;
  if (mEndAfterClose && window && window->CloseRequested()) mEndAfterClose();
}

float LuaUtilityC::GetFPS(float period) { return BaseN::MeasureFPS(period); }

void LuaUtilityC::Quit() {
  if (platform::Window* window = platform::Installed().window) window->PostQuit();
}

// The debug channels: outside debug mode nothing at all happens and no console is made.
// A nil name or text counts as empty text.
void LuaUtilityC::DebugOut(const char* name, const char* text) {
  if (DebugMode()) UtilityN::UsingConsoleC::GetInstance().Write(name ? name : "", text ? text : "");
}

void LuaUtilityC::DebugFlush() {
  if (DebugMode()) UtilityN::UsingConsoleC::GetInstance().Flush();
}

void LuaUtilityC::DebugShowStandard() {
  if (DebugMode()) UtilityN::UsingConsoleC::GetInstance().ShowStandard();
}

void LuaUtilityC::DebugShowDebug() {
  if (DebugMode()) UtilityN::UsingConsoleC::GetInstance().ShowDebug();
}

void LuaUtilityC::DebugClear() {
  if (DebugMode()) UtilityN::UsingConsoleC::GetInstance().Clear();
}

}  // namespace LuaN
