#pragma once
// The module's view of the shared records: the module author's kit, compiled here with the MSVC
// C++ ABI (member functions thiscall, a virtual destructor is the one-slot deleting destructor).
#include "tidemarch/controls.h"
#include "tidemarch/net.h"
#include "tidemarch/records.h"
#include "tidemarch/sprite_controls.h"

using namespace tidemarch;
