// THaupt: the switches that act inside the window, read once at the first activation right after
// the modem was connected. Saving and erasing never reach the window: the batch run does them.
#include "app/UHaupt.h"

namespace zarvo {

void THaupt::ProcessCommandLine()
{
    if (Request.autorun)
        showMinimized();
    if (Request.log)
        LogToFile = true;
}

} // namespace zarvo
