// Windows file names as scripts pass them, opened on a case-sensitive file system.
#pragma once

#include <string>
#include <string_view>

namespace platform::path {

/// The path to open for a Windows file name: CP932 converted to UTF-8 and '\' turned
/// into '/'. When that path does not exist, each component is matched case-insensitively
/// against the entries of its directory (the first match in directory order wins); the
/// part that cannot be matched is kept as written, so opening it fails normally.
std::string Resolve(std::string_view windowsName);

/// Case-insensitive equality of two UTF-8 file name components, as Windows compares them.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

}  // namespace platform::path
