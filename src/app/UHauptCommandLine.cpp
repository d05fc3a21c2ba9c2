// THaupt: the command line, read once at the first activation right after the modem was connected
// and before the first check for new messages. A switch that asks for batch work sets
// QuitAfterStart; the activation then closes the program instead of checking for messages.
#include "app/UHaupt.h"

namespace zarvo {

void THaupt::ProcessCommandLine()
{
    // The switches are not read yet: every start is interactive.
}

} // namespace zarvo
