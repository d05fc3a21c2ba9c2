#include "app/FaxViewerStub.h"

namespace zarvo {

void InstallFaxViewer(TZarvo&) {}
void OpenFaxViewer(TZarvo&) {}

} // namespace zarvo
