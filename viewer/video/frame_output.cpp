#include "frame_output.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>
#include <initializer_list>

#include "vd/gst_elements.h"

namespace vd {

namespace {
GstFlowReturn OnSample(GstAppSink* appsink, gpointer data) {
  GstSample* sample = gst_app_sink_pull_sample(appsink);
  if (sample == nullptr) return GST_FLOW_EOS;
  GstVideoInfo info;
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  GstMapInfo map;
  if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) && buffer != nullptr &&
      gst_buffer_map(buffer, &map, GST_MAP_READ)) {
    VideoFrame frame;
    frame.width = GST_VIDEO_INFO_WIDTH(&info);
    frame.height = GST_VIDEO_INFO_HEIGHT(&info);
    frame.stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
    frame.data = map.data;
    GstSegment* segment = gst_sample_get_segment(sample);
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
  gst_sample_unref(sample);
  return GST_FLOW_OK;
}
}  // namespace

GstElement* FrameOutput::Create(VideoFrameSink* sink) {
  GstElement* bin = gst_bin_new(nullptr);
  GstElement* convert = vd::MakeElement<"videoconvert">();
  GstElement* filter = vd::MakeElement<"capsfilter">();
  GstElement* appsink = vd::MakeElement<"appsink">();
  if (convert == nullptr || filter == nullptr || appsink == nullptr) {
    for (GstElement* e : {convert, filter, appsink}) {
      if (e != nullptr) gst_object_unref(gst_object_ref_sink(e));
    }
    gst_object_unref(gst_object_ref_sink(bin));
    return nullptr;
  }
  GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr);
  g_object_set(filter, "caps", caps, nullptr);
  gst_caps_unref(caps);
  // A picture that waits is already late: the window shows the newest one.
  g_object_set(appsink, "sync", FALSE, "max-buffers", 1u, "drop", TRUE, "enable-last-sample", FALSE,
               nullptr);
  GstAppSinkCallbacks callbacks = {};
  callbacks.new_sample = OnSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(appsink), &callbacks, sink, nullptr);
  gst_bin_add_many(GST_BIN(bin), convert, filter, appsink, nullptr);
  gst_element_link_many(convert, filter, appsink, nullptr);
  GstPad* pad = gst_element_get_static_pad(convert, "sink");
  gst_element_add_pad(bin, gst_ghost_pad_new("sink", pad));
  gst_object_unref(pad);
  return bin;
}

}  // namespace vd
