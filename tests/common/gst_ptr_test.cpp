// The GStreamer holders: each drops exactly the one reference it owns, with its type's own
// function, and takes floating elements and GError out-parameters without a leak.
#include "vd/gst_ptr.h"

#include <gtest/gtest.h>

namespace {

template <typename T>
int MiniRefs(T* object) {
  return GST_MINI_OBJECT_REFCOUNT_VALUE(object);
}

int ObjectRefs(gpointer object) {
  return static_cast<int>(G_OBJECT(object)->ref_count);
}

TEST(GstPtr, EachHolderDropsTheOneReferenceItOwns) {
  gst_init(nullptr, nullptr);

  const vd::ElementPtr element = vd::AdoptElement(gst_element_factory_make("fakesink", nullptr));
  ASSERT_NE(element, nullptr);
  EXPECT_FALSE(g_object_is_floating(element.get()));
  EXPECT_EQ(ObjectRefs(element.get()), 1);
  {
    const vd::ElementPtr second = vd::RefObject(element.get());
    const vd::PadPtr pad(gst_element_get_static_pad(element.get(), "sink"));
    ASSERT_NE(pad, nullptr);
    EXPECT_EQ(ObjectRefs(element.get()), 2);
    EXPECT_EQ(ObjectRefs(pad.get()), 2);  // the element's and ours
  }
  EXPECT_EQ(ObjectRefs(element.get()), 1);

  const vd::CapsPtr caps(gst_caps_new_empty_simple("application/octet-stream"));
  const vd::BufferPtr buffer(gst_buffer_new_allocate(nullptr, 16, nullptr));
  {
    const vd::SamplePtr sample(gst_sample_new(buffer.get(), caps.get(), nullptr, nullptr));
    EXPECT_EQ(MiniRefs(caps.get()), 2);
    EXPECT_EQ(MiniRefs(buffer.get()), 2);
    const vd::CapsPtr again(gst_caps_ref(caps.get()));
    EXPECT_EQ(MiniRefs(caps.get()), 3);
  }
  EXPECT_EQ(MiniRefs(caps.get()), 1);
  EXPECT_EQ(MiniRefs(buffer.get()), 1);

  const vd::MessagePtr message(gst_message_new_eos(GST_OBJECT(element.get())));
  EXPECT_EQ(ObjectRefs(element.get()), 2);  // the message's source
  {
    const vd::MessagePtr again(gst_message_ref(message.get()));
    EXPECT_EQ(MiniRefs(message.get()), 2);
  }
  EXPECT_EQ(MiniRefs(message.get()), 1);

  // A GError filled through the out-parameter lands in the holder (ASan finds a leak if not).
  vd::ErrorPtr error;
  g_set_error(vd::ErrorOut(error), GST_CORE_ERROR, GST_CORE_ERROR_FAILED, "no %s", "graph");
  ASSERT_NE(error, nullptr);
  EXPECT_STREQ(error->message, "no graph");
  vd::ErrorPtr none;
  EXPECT_TRUE(gst_init_check(nullptr, nullptr, vd::ErrorOut(none)));
  EXPECT_EQ(none, nullptr);
}

// A new element is handed on still floating, dropped when nobody took it, and left to the bin
// that took it; a pipeline holder stops the pipeline before dropping it.
TEST(GstPtr, NewElementsAndPipelinesGoTheWayTheirOwnerExpects) {
  gst_init(nullptr, nullptr);

  // Handed on: still floating, so a bin that adds it takes it without a leak.
  vd::NewElementPtr handed(gst_element_factory_make("fakesink", nullptr));
  GstElement* raw = handed.release();
  EXPECT_TRUE(g_object_is_floating(raw));
  const vd::ElementPtr bin = vd::AdoptElement(gst_bin_new(nullptr));
  ASSERT_TRUE(gst_bin_add(GST_BIN(bin.get()), raw));
  EXPECT_EQ(ObjectRefs(raw), 1);

  // Nobody took it: dropped (a watcher's reference shows the holder's went).
  GstElement* watched = nullptr;
  {
    vd::NewElementPtr unclaimed(gst_element_factory_make("fakesink", nullptr));
    watched = GST_ELEMENT(gst_object_ref(unclaimed.get()));
  }
  EXPECT_EQ(ObjectRefs(watched), 1);
  EXPECT_FALSE(g_object_is_floating(watched));
  const vd::ElementPtr watcher(watched);

  // Taken by a bin while held: the bin's, untouched by the holder.
  GstElement* taken = nullptr;
  {
    vd::NewElementPtr child(gst_element_factory_make("fakesink", nullptr));
    taken = child.get();
    ASSERT_TRUE(gst_bin_add(GST_BIN(bin.get()), taken));
  }
  EXPECT_EQ(ObjectRefs(taken), 1);
  EXPECT_EQ(GST_OBJECT_PARENT(taken), GST_OBJECT(bin.get()));

  // A playing pipeline is stopped before its reference goes.
  GstElement* stopped = nullptr;
  {
    vd::PipelinePtr pipeline(gst_pipeline_new(nullptr));
    GstElement* source = gst_element_factory_make("fakesrc", nullptr);
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    gst_bin_add_many(GST_BIN(pipeline.get()), source, sink, nullptr);
    ASSERT_TRUE(gst_element_link(source, sink));
    ASSERT_NE(gst_element_set_state(pipeline.get(), GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
    stopped = GST_ELEMENT(gst_object_ref(pipeline.get()));
  }
  const vd::ElementPtr kept(stopped);
  GstState state = GST_STATE_VOID_PENDING;
  gst_element_get_state(stopped, &state, nullptr, 0);
  EXPECT_EQ(state, GST_STATE_NULL);
  // The bin finishes an asynchronous state change on a pool thread that holds the pipeline
  // for a moment after the change; on a loaded machine that moment outlives the holder.
  for (int i = 0; i < 500 && ObjectRefs(stopped) != 1; ++i) g_usleep(10000);
  EXPECT_EQ(ObjectRefs(stopped), 1);
}

}  // namespace
