// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace zarvo {

class TZarvo;
class TFaxView;

// Installs the viewer opener that TZarvo::ShowFax uses: every fax shown opens a new TFaxView that
// belongs to `zarvo` and lives as long as it. Call once after creating the component.
void InstallFaxViewer(TZarvo& zarvo);

// Opens a new, empty viewer that belongs to `zarvo`, as TZarvo::OpenFaxViewer does once the
// viewer is installed; returns it.
TFaxView* OpenFaxViewer(TZarvo& zarvo);

} // namespace zarvo
