// SPDX-License-Identifier: GPL-3.0-or-later
// The X11 window lookup against a real X server: run under xvfb-run (scripts/test does); without a
// display the test is skipped.

#include "platform/XcbWindowFinder.h"

#include <xcb/xcb.h>

#include <cstring>

#include <gtest/gtest.h>

namespace zarvo {
namespace {

TEST(XcbWindowFinder, FindsATitledWindowWhileMapped)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "no X server";
    XcbWindowFinder finder;
    ASSERT_TRUE(finder.Connected());
    EXPECT_FALSE(finder.Find("Faxmonitor").Exists);

    // Another client's window, made with plain xcb as any other program would.
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    const char* title = "Faxmonitor";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(std::strlen(title)), title);
    xcb_map_window(c, w);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // round trip: all is done

    EXPECT_TRUE(finder.Find("Faxmonitor").Exists);
    EXPECT_TRUE(finder.Find("Faxmonitor").Visible);
    EXPECT_FALSE(finder.Find("Faxmonito").Exists); // exact titles only

    xcb_unmap_window(c, w);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    EXPECT_TRUE(finder.Find("Faxmonitor").Exists);
    EXPECT_FALSE(finder.Find("Faxmonitor").Visible);
    xcb_destroy_window(c, w);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    EXPECT_FALSE(finder.Find("Faxmonitor").Exists);
    xcb_disconnect(c);
}

} // namespace
} // namespace zarvo
