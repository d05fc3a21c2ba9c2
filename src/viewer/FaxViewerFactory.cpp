// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/FaxViewerFactory.h"

#include "modem/FaxViewerOpener.h"
#include "modem/Zarvo.h"
#include "viewer/FRHaupt.h"

#include <QObject>

#include <memory>
#include <vector>

namespace zarvo {

namespace {

// Holds the viewers of one modem component: a child object of it, so the viewers are destroyed
// with the component. Windows cannot have a non-widget parent, hence this holder.
class ViewerHolder : public QObject, public FaxViewerOpener {
  public:
    explicit ViewerHolder(TZarvo& owner) : QObject(&owner) { setObjectName(QStringLiteral("FaxViewers")); }

    TFaxView* Create()
    {
        m_views.push_back(std::make_unique<TFaxView>());
        return m_views.back().get();
    }

    void OpenFaxViewer(TZarvo&, FaxBytes faxData) override
    {
        TFaxView* view = Create();
        view->show();
        view->DecodeFax(std::move(faxData));
    }

    void OpenEmptyViewer(TZarvo&) override { Create()->show(); }

  private:
    std::vector<std::unique_ptr<TFaxView>> m_views;
};

ViewerHolder& HolderOf(TZarvo& zarvo)
{
    QObject* found = zarvo.findChild<QObject*>(QStringLiteral("FaxViewers"), Qt::FindDirectChildrenOnly);
    if (auto* holder = dynamic_cast<ViewerHolder*>(found))
        return *holder;
    return *new ViewerHolder(zarvo);
}

} // namespace

void InstallFaxViewer(TZarvo& zarvo)
{
    zarvo.SetViewerOpener(&HolderOf(zarvo));
}

TFaxView* OpenFaxViewer(TZarvo& zarvo)
{
    TFaxView* view = HolderOf(zarvo).Create();
    view->show();
    return view;
}

} // namespace zarvo
