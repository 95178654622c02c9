// The icons and the licence text, compiled into the desktop library.
#pragma once

namespace mailwright::desktop {

// Registers them with Qt's resource system; a static library's resources
// are not registered by themselves. Safe to call any number of times.
void RegisterDesktopResources();

}  // namespace mailwright::desktop
