#include "app/Resources.h"

#include <QtGlobal>

// Resources in a static library are dropped by the linker unless something refers to them;
// Q_INIT_RESOURCE is that reference. It must be used outside any namespace.
static void InitResourcesOutsideNamespace() {
    Q_INIT_RESOURCE(skin);
    Q_INIT_RESOURCE(orq);
}

namespace orq {
void InitGuiResources() { InitResourcesOutsideNamespace(); }
}  // namespace orq
