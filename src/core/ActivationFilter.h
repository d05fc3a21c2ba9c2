// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which focus changes are an activation of the main window: its first showing, and its return to
// the front from another window of the program (a dialog, the voice window, a message box, a fax
// viewer). A return from another program is not one: the check that follows an activation opens
// the serial port, so it must not run on every desktop focus change.
namespace zarvo {

class ActivationFilter {
  public:
    // Called with each newly focused window of the program (nullptr: the program lost the focus)
    // and the main window. True when this focus change activates the main window.
    bool FocusChanged(const void* window, const void* mainWindow)
    {
        if (!window)
            return false; // focus left the program: remember who had it
        const bool activation = window == mainWindow && m_last != mainWindow;
        m_last = window;
        return activation;
    }

  private:
    const void* m_last = nullptr; // the last window of ours that had the focus
};

} // namespace zarvo
