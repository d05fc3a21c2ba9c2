// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/StartMode.h"

namespace zarvo {

// The start-up's view of this machine: the process environment, and whether an X server or a
// Wayland compositor really answers where the variables point.
StartEnvironment SystemStartEnvironment();

} // namespace zarvo
