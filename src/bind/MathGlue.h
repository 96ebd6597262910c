// What the generated math bindings include, and the registrations the generator cannot
// express for them.
#pragma once

#include "bind/BindingGlue.h"
#include "math/AngleC.h"
#include "math/D3DARGB.h"
#include "math/MatrixC.h"
#include "math/RandomC.h"
#include "math/SmoothCurve.h"
#include "math/Vector3C.h"

namespace bind {

/// Adds `.float*` and `.const float*` to the vector and matrix classes: the address of
/// the components, as a light userdata.
void AddArrayConversions(lua_State* L);

/// Adds `.const DegreeC&` to AngleC. It gives a copy of the degrees: a reference into the
/// angle would share the angle's address, and the binding would then retype the angle's
/// own script value as a DegreeC.
void AddDegreeConversion(lua_State* L);

/// Refuses a vector or matrix made from a single number. Such a call would read three or
/// sixteen floats where only one was given; scripts get a clear error instead.
void RefuseSingleNumberConstructors(lua_State* L);

}  // namespace bind
