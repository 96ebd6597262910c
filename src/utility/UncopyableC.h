// Base of every engine class that must not be copied: the singletons and the objects
// that own device or script resources.
#pragma once

namespace UtilityN {

class UncopyableC {
 protected:
  UncopyableC() = default;
  ~UncopyableC() = default;

 public:
  UncopyableC(const UncopyableC&) = delete;
  UncopyableC& operator=(const UncopyableC&) = delete;
};

}  // namespace UtilityN
