// SPDX-License-Identifier: GPL-3.0-or-later
// THaupt: the archive window, made on first use and shown beside the main window.
#include "app/UArchiv.h"
#include "app/UHaupt.h"

namespace zarvo {

void THaupt::AC_ArchivExecute()
{
    auto* archiv = findChild<TArchiv*>(QString(), Qt::FindDirectChildrenOnly);
    if (!archiv)
        archiv = new TArchiv(Zarvo1, Wave, this);
    if (archiv->isMinimized())
        archiv->showNormal();
    else
        archiv->show();
    archiv->raise();
    archiv->activateWindow();
}

} // namespace zarvo
