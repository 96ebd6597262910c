// Typed access to script values, with the debug report for a wrong index or type.
#include "lua/LuaArgumentC.h"

#include <lua.hpp>

#include "base/FixedTexts.h"
#include "base/IniSettingsS.h"
#include "platform/console/StandardOutput.h"

namespace LuaN {
namespace {

void WriteLine(const char* text) {
  platform::console::Write(text);
  platform::console::Write("\n");
  platform::console::Flush();
}

}  // namespace

void LuaArgumentC::AddNil() { mValues.push_back(LuaValueS{}); }

void LuaArgumentC::AddBool(bool value) {
  mValues.push_back(LuaValueS{value ? 1.0 : 0.0, std::string(), LUA_TBOOLEAN});
}

void LuaArgumentC::AddNumber(double value) {
  mValues.push_back(LuaValueS{value, std::string(), LUA_TNUMBER});
}

void LuaArgumentC::AddString(const std::string& value) {
  // Script strings end at their first zero byte here, as C text does.
  mValues.push_back(LuaValueS{0.0, std::string(value.c_str()), LUA_TSTRING});
}

const LuaValueS* LuaArgumentC::Find(int index, int type, const char* place,
                                    const char* reason) const {
  const bool inRange = index >= 0 && static_cast<std::size_t>(index) < mValues.size();
  if (inRange && mValues[static_cast<std::size_t>(index)].mType == type) {
    return &mValues[static_cast<std::size_t>(index)];
  }
  if (BaseN::GetIniSettings().mDebugMode) {
    WriteLine(BaseN::FixedText::kErrorHeader);
    WriteLine(place);
    WriteLine(inRange ? reason : BaseN::FixedText::kReasonOutOfRange);
    WriteLine(BaseN::FixedText::kActionDefault);
  }
  return nullptr;
}

const char* LuaArgumentC::GetString(int index) const {
  const LuaValueS* value = Find(index, LUA_TSTRING, BaseN::FixedText::kPlaceGetString,
                                BaseN::FixedText::kReasonNotString);
  return value ? value->mText.c_str() : "";
}

bool LuaArgumentC::GetBool(int index) const {
  const LuaValueS* value = Find(index, LUA_TBOOLEAN, BaseN::FixedText::kPlaceGetBool,
                                BaseN::FixedText::kReasonNotBool);
  return value ? value->mNumber != 0.0 : false;
}

double LuaArgumentC::GetNumber(int index) const {
  const LuaValueS* value = Find(index, LUA_TNUMBER, BaseN::FixedText::kPlaceGetNumber,
                                BaseN::FixedText::kReasonNotNumber);
  return value ? value->mNumber : 0.0;
}

}  // namespace LuaN
