// The installed platform components.
#include "platform/Platform.h"

namespace platform {
namespace {
Components gComponents;
}

void Install(const Components& components) { gComponents = components; }
const Components& Installed() { return gComponents; }

}  // namespace platform
