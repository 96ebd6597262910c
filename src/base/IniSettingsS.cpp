// The runtime settings record.
#include "base/IniSettingsS.h"

namespace BaseN {

IniSettingsS& GetIniSettings() {
  static IniSettingsS settings;
  return settings;
}

}  // namespace BaseN
