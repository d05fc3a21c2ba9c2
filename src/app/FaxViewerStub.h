#pragma once

// Stand-in for the fax viewer's entry points until the viewer library provides them.
namespace zarvo {

class TZarvo;

// Installs the opener that ShowFax uses; called once at creation.
void InstallFaxViewer(TZarvo& zarvo);
// Opens a new empty viewer window owned by zarvo.
void OpenFaxViewer(TZarvo& zarvo);

} // namespace zarvo
