// SPDX-License-Identifier: GPL-3.0-or-later
// The fax viewer on the demo three-page fax, fitted and at its own size, and its options dialog.

#include "Shots.h"

#include "MessageBuilder.h" // readFileBytes

#include "fax/FaxDocument.h"
#include "viewer/FRHaupt.h"
#include "viewer/UFROpt.h"

#include <QAction>

namespace {

const zarvo::shots::Register reg("viewer", [](zarvo::shots::Context& c) {
    std::vector<zarvo::FaxBytes> pages;
    for (int i = 1; i <= 3; ++i)
        pages.push_back(zarvo::emu::readFileBytes(
            (c.dataDir() + QStringLiteral("/demo/fax3-%1.g3").arg(i)).toStdString()));
    zarvo::TFaxView view;
    view.show();
    view.resize(760, 620);
    view.DecodeFax(zarvo::JoinFaxPages(pages));
    view.BreiteaufFenster->trigger();
    c.save(&view, QStringLiteral("fax-viewer"));
    view.InFenster->trigger();
    view.Next_Page->trigger();
    view.InFenster->trigger();
    c.save(&view, QStringLiteral("fax-viewer-page2-fit"));

    zarvo::TfrmFROpt& options = zarvo::EnsureFrmFROpt(&view);
    c.save(&options, QStringLiteral("fax-options"));
    options.hide();
});

} // namespace
