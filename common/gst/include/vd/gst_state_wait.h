// Waiting for a state change that a signal cannot cut short. The viewer and vdtool catch the
// stop signals (Ctrl+C, SIGTERM) to end their work normally; a signal delivered to a thread
// waiting in gst_element_get_state wakes its wait, and GStreamer reports the state change
// as failed although it is still under way. A preview restarted as a recording stops, or a
// film opened as the window closes, would then be given up with an error of its own.
#pragma once

#include <glib.h>
#include <gst/gst.h>

namespace vd {

// gst_element_get_state(element, state, nullptr, timeout), except that a failure is only
// reported once the element says so itself: an interrupted wait goes on until the timeout.
inline GstStateChangeReturn WaitForState(GstElement* element, GstState* state,
                                         GstClockTime timeout) {
  const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(timeout / GST_USECOND);
  for (;;) {
    const gint64 left = deadline - g_get_monotonic_time();
    const GstClockTime wait = left > 0 ? static_cast<GstClockTime>(left) * GST_USECOND : 0;
    GstStateChangeReturn result = gst_element_get_state(element, state, nullptr, wait);
    if (result != GST_STATE_CHANGE_FAILURE) return result;
    // Without waiting, the element's own answer: a change still under way was interrupted.
    result = gst_element_get_state(element, state, nullptr, 0);
    if (result != GST_STATE_CHANGE_ASYNC || wait == 0) return result;
  }
}

}  // namespace vd
