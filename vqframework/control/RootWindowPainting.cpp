// How a root window draws its control tree into the dirty region.
#include "vqframework/control/RootWindow.h"

#include "vqframework/control/Control.h"

namespace VQ {

void LRootWindow::Paint(const RectRegion&) {}

void LRootWindow::RenderTree(const RCPtr<LControl>&, const RectRegion&, bool) {}

} // namespace VQ
