// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <functional>

namespace zarvo {

// Shows `dialog` modally, or, when a test installed `hook`, shows it and lets the hook drive it
// instead of a user; either way the result the dialog ended with.
template <typename Dialog> int RunModal(Dialog& dialog, const std::function<int(Dialog&)>& hook)
{
    if (!hook)
        return dialog.exec();
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    const int result = hook(dialog);
    dialog.hide();
    return result;
}

} // namespace zarvo
