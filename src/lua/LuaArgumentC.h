// Values crossing between engine and scripts: arguments of script calls and their results.
#pragma once

#include <string>
#include <vector>

namespace LuaN {

/// One script value: nil, boolean (in mNumber), number or string.
struct LuaValueS {
  double mNumber = 0.0;
  std::string mText;
  int mType = 0;  ///< the Lua type code: 0 nil, 1 boolean, 3 number, 4 string
};

class LuaArgumentC {
 public:
  void AddNil();
  void AddBool(bool value);
  void AddNumber(double value);
  void AddString(const std::string& value);

  /// The text of a string value (valid while the list lives), else the empty text.
  const char* GetString(int index) const;
  /// The value of a boolean, else false.
  bool GetBool(int index) const;
  /// The value of a number, else 0.0. A numeric string is not a number.
  double GetNumber(int index) const;

  std::vector<LuaValueS> mValues;

 private:
  // The value at `index` when it has exactly `type`; else null, after the debug report.
  const LuaValueS* Find(int index, int type, const char* place, const char* reason) const;
};

}  // namespace LuaN
