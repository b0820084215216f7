// Waiting for a state change while the program catches signals, as the viewer and vdtool do.
#include "vd/gst_state_wait.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "vd/gst_ptr.h"

namespace {

extern "C" void IgnoreSignal(int) {}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A pipeline whose preroll takes `micros`: its one streaming thread sleeps on the first buffer.
vd::ElementPtr SlowPreroll(int micros) {
  return vd::AdoptElement(gst_parse_launch(
      ("fakesrc num-buffers=3 ! identity sleep-time=" + std::to_string(micros) + " ! fakesink")
          .c_str(),
      nullptr));
}

TEST(WaitForState, ASignalDuringTheWaitDoesNotFailTheChange) {
  gst_init(nullptr, nullptr);
  struct sigaction action {
  }, previous{};
  action.sa_handler = IgnoreSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);

  const vd::ElementPtr pipeline = SlowPreroll(800000);
  ASSERT_NE(pipeline, nullptr);
  ASSERT_EQ(gst_element_set_state(pipeline.get(), GST_STATE_PAUSED), GST_STATE_CHANGE_ASYNC);
  const pthread_t waiter = ::pthread_self();
  std::thread signaller([waiter] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::pthread_kill(waiter, SIGUSR1);
  });
  const auto start = std::chrono::steady_clock::now();
  GstState state = GST_STATE_VOID_PENDING;
  const GstStateChangeReturn result = vd::WaitForState(pipeline.get(), &state, 5 * GST_SECOND);
  const double waited = SecondsSince(start);
  signaller.join();
  ::sigaction(SIGUSR1, &previous, nullptr);
  EXPECT_EQ(result, GST_STATE_CHANGE_SUCCESS);
  EXPECT_EQ(state, GST_STATE_PAUSED);
  EXPECT_GT(waited, 0.5) << "it returned at the signal";
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
}

// A change that failed is reported at once, and one still under way at the bound as such.
TEST(WaitForState, FailuresAndTimeoutsAreReportedAsBefore) {
  gst_init(nullptr, nullptr);
  const vd::ElementPtr missing = vd::AdoptElement(
      gst_parse_launch("filesrc location=/nonexistent/film.avi ! fakesink", nullptr));
  ASSERT_NE(missing, nullptr);
  gst_element_set_state(missing.get(), GST_STATE_PAUSED);
  auto start = std::chrono::steady_clock::now();
  GstState state = GST_STATE_VOID_PENDING;
  EXPECT_EQ(vd::WaitForState(missing.get(), &state, 5 * GST_SECOND), GST_STATE_CHANGE_FAILURE);
  EXPECT_LT(SecondsSince(start), 2.0);
  gst_element_set_state(missing.get(), GST_STATE_NULL);

  const vd::ElementPtr slow = SlowPreroll(1500000);
  ASSERT_EQ(gst_element_set_state(slow.get(), GST_STATE_PAUSED), GST_STATE_CHANGE_ASYNC);
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(vd::WaitForState(slow.get(), &state, 200 * GST_MSECOND), GST_STATE_CHANGE_ASYNC);
  EXPECT_LT(SecondsSince(start), 1.2);
  gst_element_set_state(slow.get(), GST_STATE_NULL);
}

}  // namespace
