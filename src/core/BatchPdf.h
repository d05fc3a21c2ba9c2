// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/BatchSave.h"

namespace zarvo {

// The batch's writer of MESS<n>.PDF beside each fax's MESS<n>.TIF (switch /PDF): every page of the
// fax as the viewer shows it, on the user's paper. A name that exists is never replaced; holding
// exactly these bytes it counts as saved.
MessageFileWriter PdfFaxWriter();

} // namespace zarvo
