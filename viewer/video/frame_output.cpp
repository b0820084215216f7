#include "frame_output.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include "vd/gst_elements.h"
#include "vd/gst_ptr.h"

namespace vd {

namespace {
GstFlowReturn OnSample(GstAppSink* appsink, gpointer data) {
  const SamplePtr sample(gst_app_sink_pull_sample(appsink));
  if (sample == nullptr) return GST_FLOW_EOS;
  GstVideoInfo info;
  GstBuffer* buffer = gst_sample_get_buffer(sample.get());
  GstMapInfo map;
  if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample.get())) && buffer != nullptr &&
      gst_buffer_map(buffer, &map, GST_MAP_READ)) {
    VideoFrame frame;
    frame.width = GST_VIDEO_INFO_WIDTH(&info);
    frame.height = GST_VIDEO_INFO_HEIGHT(&info);
    frame.stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
    frame.data = map.data;
    FrameOutput::TakePixelAspect(gst_sample_get_caps(sample.get()), &frame);
    GstSegment* segment = gst_sample_get_segment(sample.get());
    GstClockTime pts = GST_BUFFER_PTS(buffer);
    if (segment != nullptr && GST_CLOCK_TIME_IS_VALID(pts)) {
      GstClockTime running = gst_segment_to_running_time(segment, GST_FORMAT_TIME, pts);
      if (GST_CLOCK_TIME_IS_VALID(running)) frame.timestampNs = running;
    }
    if (map.size >= static_cast<size_t>(frame.stride) * static_cast<size_t>(frame.height)) {
      static_cast<VideoFrameSink*>(data)->OnVideoFrame(frame);
    }
    gst_buffer_unmap(buffer, &map);
  }
  return GST_FLOW_OK;
}
}  // namespace

GstElement* FrameOutput::Create(VideoFrameSink* sink) {
  // Held until the bin has them, so that a missing one drops the others.
  const ElementPtr convert = AdoptElement(vd::MakeElement<"videoconvert">());
  const ElementPtr filter = AdoptElement(vd::MakeElement<"capsfilter">());
  const ElementPtr appsink = AdoptElement(vd::MakeElement<"appsink">());
  if (convert == nullptr || filter == nullptr || appsink == nullptr) return nullptr;
  const CapsPtr caps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr));
  g_object_set(filter.get(), "caps", caps.get(), nullptr);
  // A picture that waits is already late: the window shows the newest one.
  g_object_set(appsink.get(), "sync", FALSE, "max-buffers", 1u, "drop", TRUE, "enable-last-sample",
               FALSE, nullptr);
  GstAppSinkCallbacks callbacks = {};
  callbacks.new_sample = OnSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(appsink.get()), &callbacks, sink, nullptr);
  GstElement* bin = gst_bin_new(nullptr);  // floating: the caller's pipeline takes it
  gst_bin_add_many(GST_BIN(bin), convert.get(), filter.get(), appsink.get(), nullptr);
  gst_element_link_many(convert.get(), filter.get(), appsink.get(), nullptr);
  const PadPtr pad(gst_element_get_static_pad(convert.get(), "sink"));
  gst_element_add_pad(bin, gst_ghost_pad_new("sink", pad.get()));
  return bin;
}

void FrameOutput::TakePixelAspect(GstCaps* caps, VideoFrame* frame) {
  if (caps == nullptr || gst_caps_get_size(caps) == 0) return;
  gint n = 0;
  gint d = 0;
  if (gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "pixel-aspect-ratio", &n, &d) &&
      n > 0 && d > 0) {
    frame->parN = n;
    frame->parD = d;
  }
}

GstElement* FrameOutput::CreateDeinterlacer(const char* name) {
  GstElement* deinterlace = vd::MakeElement<"deinterlace">(name);
  if (deinterlace == nullptr) return nullptr;
  // Linear interpolation of one field keeps up at 640 x 480 on two cores beside the
  // conversion to BGRx; the motion-adaptive methods do not. One picture per frame period,
  // from the top field, keeps the window's repaint rate that of the device.
  gst_util_set_object_arg(G_OBJECT(deinterlace), "mode", "interlaced");
  gst_util_set_object_arg(G_OBJECT(deinterlace), "method", "linear");
  gst_util_set_object_arg(G_OBJECT(deinterlace), "fields", "top");
  return deinterlace;
}

}  // namespace vd
