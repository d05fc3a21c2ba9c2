#pragma once

namespace zarvo {

class TZarvo;
class TFaxView;

// Installs the viewer opener that TZarvo::ShowFax uses: every fax shown opens a new TFaxView that
// belongs to `zarvo` and lives as long as it. Call once after creating the component.
void InstallFaxViewer(TZarvo& zarvo);

// Opens a new, empty viewer that belongs to `zarvo` (the main window's fax window command).
TFaxView* OpenFaxViewer(TZarvo& zarvo);

} // namespace zarvo
