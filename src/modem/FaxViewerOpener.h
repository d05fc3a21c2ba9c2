// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fax/FaxDocument.h"

namespace zarvo {

class TZarvo;

// How the modem component opens a fax viewer without depending on widgets: the application
// installs an opener (TZarvo::SetViewerOpener); tests install one that records.
class FaxViewerOpener {
  public:
    virtual ~FaxViewerOpener() = default;

    // Creates a new viewer window that belongs to `owner` and lasts as long as it (closing the
    // window only hides it), makes `faxData` - the DLE-coded fax without the message's type letter
    // and page count - its FaxData, shows it (not modal) and decodes it: SplitPages, then page 0.
    // Returns once page 0 is shown. Every call opens another window.
    virtual void OpenFaxViewer(TZarvo& owner, FaxBytes faxData) = 0;

    // Creates and shows a new, empty viewer window that belongs to `owner`.
    virtual void OpenEmptyViewer(TZarvo& owner) { (void)owner; }
};

} // namespace zarvo
