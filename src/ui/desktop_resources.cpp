#include "ui/desktop_resources.h"

#include <QtCore/qglobal.h>
#include <mutex>

// Q_INIT_RESOURCE names a function in the global namespace.
static void registerCompiledResources() {
    Q_INIT_RESOURCE(desktop);
}

namespace mailwright::desktop {

void RegisterDesktopResources() {
    static std::once_flag once;
    std::call_once(once, registerCompiledResources);
}

}  // namespace mailwright::desktop
