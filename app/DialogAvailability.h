// Whether the configuration dialog has somewhere to appear: a display (X11 or Wayland), or a
// Qt platform chosen explicitly (QT_QPA_PLATFORM, e.g. offscreen for tests).
#pragma once

#include <cstdlib>

inline bool DialogCanShow() {
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
}
