#include "app/Resources.h"

#include <QtGlobal>

#include "widgets/PngResource.h"

// Resources in a static library are dropped by the linker unless something refers to them;
// Q_INIT_RESOURCE is that reference. It must be used outside any namespace.
static void InitSkinOutsideNamespace() { Q_INIT_RESOURCE(skin); }

namespace orq {
void InitGuiResources() {
    InitSkinOutsideNamespace();
    InitPngResources();
}
}  // namespace orq
