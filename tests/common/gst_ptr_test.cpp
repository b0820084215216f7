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

}  // namespace
