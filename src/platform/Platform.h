// The platform components the engine's singletons use. The executable installs the real
// backends at start; unit tests install fakes. Nothing here owns the components.
#pragma once

namespace platform {

class Clock;
class Dialog;
class Window;
class Input;
class Audio;
class Graphics;

struct Components {
  Clock* clock = nullptr;
  Dialog* dialog = nullptr;
  Window* window = nullptr;
  Input* input = nullptr;
  Audio* audio = nullptr;  ///< shared by the sound effect and music players
  Graphics* graphics = nullptr;
};

/// Makes these components the ones the engine uses from now on.
void Install(const Components& components);
/// The installed components; every member is set once Install has run.
const Components& Installed();

}  // namespace platform
