#include "file_player_pipeline.h"

#include <gst/app/gstappsink.h>
#include <gst/audio/audio.h>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <gst/video/video.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "audio_sink.h"
#include "frame_output.h"
#include "vd/gst_elements.h"
#include "vd/gst_ptr.h"
#include "vd/gst_state_wait.h"
#include "vd/trace.h"

VD_DEFINE_TRACE(PlayerTrace, "player")

namespace vd {
namespace {

// The window waits on the open. A film on a local disk shows its first picture in a
// fraction of this; one that has not by then never will (a demuxer whose picture stream
// never decodes fills its queues with sound and stops, posting nothing), and the window
// must not freeze on it for long. Errors end the wait at once: the state change fails.
constexpr GstClockTime kPrerollTimeout = 3 * GST_SECOND;
constexpr GstClockTime kStateTimeout = 5 * GST_SECOND;

struct GFree {
  void operator()(gpointer p) const { g_free(p); }
};

void Deliver(VideoFrameSink* sink, GstSample* sample) {
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  GstCaps* caps = gst_sample_get_caps(sample);
  GstVideoInfo info;
  if (buffer == nullptr || caps == nullptr || !gst_video_info_from_caps(&info, caps)) return;
  GstVideoFrame mapped;
  if (!gst_video_frame_map(&mapped, &info, buffer, GST_MAP_READ)) return;
  VideoFrame frame;
  frame.width = GST_VIDEO_FRAME_WIDTH(&mapped);
  frame.height = GST_VIDEO_FRAME_HEIGHT(&mapped);
  frame.stride = GST_VIDEO_FRAME_PLANE_STRIDE(&mapped, 0);
  frame.data = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&mapped, 0));
  FrameOutput::TakePixelAspect(caps, &frame);
  guint64 running = GST_CLOCK_TIME_NONE;
  if (const GstSegment* segment = gst_sample_get_segment(sample);
      segment != nullptr && GST_BUFFER_PTS_IS_VALID(buffer)) {
    running = gst_segment_to_running_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
  }
  frame.timestampNs = GST_CLOCK_TIME_IS_VALID(running) ? running : 0;
  sink->OnVideoFrame(frame);
  gst_video_frame_unmap(&mapped);
}

GstFlowReturn OnNewSample(GstAppSink* appsink, gpointer data) {
  const SamplePtr sample(gst_app_sink_pull_sample(appsink));
  if (sample) Deliver(static_cast<VideoFrameSink*>(data), sample.get());
  return GST_FLOW_OK;
}

// The prerolled picture is shown too, so an opened or rewound clip shows its first frame.
GstFlowReturn OnNewPreroll(GstAppSink* appsink, gpointer data) {
  const SamplePtr sample(gst_app_sink_pull_preroll(appsink));
  if (sample) Deliver(static_cast<VideoFrameSink*>(data), sample.get());
  return GST_FLOW_OK;
}

std::string ErrorText(GstMessage* message) {
  ErrorPtr error;
  gchar* debugRaw = nullptr;
  gst_message_parse_error(message, ErrorOut(error), &debugRaw);
  std::unique_ptr<gchar, GFree> debug(debugRaw);
  std::string text = error ? error->message : "unknown error";
  if (debug) text += std::string(" (") + debug.get() + ")";
  return text;
}

struct Watcher {
  FilePlayerPipeline::MessageHandler handler;
};

gboolean OnBusMessage(GstBus*, GstMessage* message, gpointer data) {
  auto* watcher = static_cast<Watcher*>(data);
  switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
      watcher->handler(FilePlayerPipeline::Message::kEndOfStream);
      break;
    case GST_MESSAGE_ERROR:
      PlayerTrace("Error: %s\n", ErrorText(message).c_str());
      watcher->handler(FilePlayerPipeline::Message::kError);
      break;
    case GST_MESSAGE_REQUEST_STATE: {
      // A sink asks to be shut down when its window is closed under it: the user aborted.
      GstState wanted = GST_STATE_VOID_PENDING;
      gst_message_parse_request_state(message, &wanted);
      if (wanted <= GST_STATE_READY) watcher->handler(FilePlayerPipeline::Message::kUserAbort);
      break;
    }
    default:
      break;
  }
  // The handler may have removed this watch; GLib keeps `watcher` alive until we return.
  return G_SOURCE_CONTINUE;
}

void DeleteWatcher(gpointer data) {
  delete static_cast<Watcher*>(data);
}

// A stream whose header claims pictures far beyond any real film (30000 x 30000) would have
// the decoder and the converter allocate gigabytes before a single picture shows: it is
// refused at its caps, before anything is allocated for it.
// 8192 on a side and 4096 x 4096 pixels hold every film a desktop plays (4K, DCI 4K, 5K);
// a converted 4096 x 4096 picture is 64 MB, and the pipeline holds a few.
constexpr int kMaxPictureSide = 8192;
constexpr int64_t kMaxPicturePixels = int64_t{4096} * 4096;

}  // namespace

// The probes run on streaming threads; an error posted from there can reach the bus after
// the failed state change, so the text is kept here as well. What the demuxer said its
// streams are is kept too, for what the decoded streams alone cannot tell.
struct StreamGuard {
  std::mutex mutex;
  std::string refused;
  // The first picture stream the file holds, decodable or not (empty: none).
  std::string storedPictures;
  // The sound's bytes per second when the file holds it as PCM (0: compressed or none).
  int64_t pcmBytesPerSecond = 0;
};

namespace {

GstPadProbeReturn OnStreamCaps(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
  if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
  GstCaps* caps = nullptr;
  gst_event_parse_caps(event, &caps);
  for (guint i = 0; caps != nullptr && i < gst_caps_get_size(caps); ++i) {
    const GstStructure* s = gst_caps_get_structure(caps, i);
    const gchar* name = gst_structure_get_name(s);
    int width = 0;
    int height = 0;
    if ((!g_str_has_prefix(name, "video/") && !g_str_has_prefix(name, "image/")) ||
        !gst_structure_get_int(s, "width", &width) || !gst_structure_get_int(s, "height", &height))
      continue;
    if (width <= kMaxPictureSide && height <= kMaxPictureSide &&
        int64_t{width} * height <= kMaxPicturePixels)
      continue;
    const std::string text = "its pictures claim " + std::to_string(width) + " x " +
                             std::to_string(height) + " pixels, more than a film can have";
    {
      auto* guard = static_cast<StreamGuard*>(data);
      std::lock_guard lock(guard->mutex);
      if (guard->refused.empty()) guard->refused = text;
    }
    const ElementPtr element(gst_pad_get_parent_element(pad));
    if (element != nullptr) {
      const ErrorPtr error(
          g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_FORMAT, text.c_str()));
      gst_element_post_message(
          element.get(),
          gst_message_new_error(GST_OBJECT(element.get()), error.get(), "picture size refused"));
    }
    return GST_PAD_PROBE_DROP;
  }
  return GST_PAD_PROBE_OK;
}

// The name a user knows a format by, with the AVI's four-character code when GStreamer has
// no name of its own for it.
std::string CodecName(const GstCaps* caps) {
  std::unique_ptr<gchar, GFree> described(gst_pb_utils_get_codec_description(caps));
  std::string name = described ? described.get() : "an unknown format";
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  int fourcc = 0;
  if (gst_structure_has_name(s, "video/x-avi-unknown") &&
      gst_structure_get_int(s, "fourcc", &fourcc)) {
    std::string code;
    for (int shift = 0; shift < 32; shift += 8) {
      const char c = static_cast<char>((static_cast<uint32_t>(fourcc) >> shift) & 0xFF);
      code += g_ascii_isprint(c) ? c : '?';
    }
    name = "the unknown format " + code;
  }
  return name;
}

GstPadProbeReturn OnDemuxedCaps(GstPad*, GstPadProbeInfo* info, gpointer data) {
  GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
  if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
  GstCaps* caps = nullptr;
  gst_event_parse_caps(event, &caps);
  if (caps == nullptr || gst_caps_is_empty(caps)) return GST_PAD_PROBE_OK;
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  const gchar* name = gst_structure_get_name(s);
  auto* guard = static_cast<StreamGuard*>(data);
  if (g_str_has_prefix(name, "video/") || g_str_has_prefix(name, "image/")) {
    const std::string codec = CodecName(caps);
    std::lock_guard lock(guard->mutex);
    if (guard->storedPictures.empty()) guard->storedPictures = codec;
  } else if (std::strcmp(name, "audio/x-raw") == 0) {
    GstAudioInfo audio;
    if (gst_audio_info_from_caps(&audio, caps) && GST_AUDIO_INFO_BPF(&audio) > 0) {
      std::lock_guard lock(guard->mutex);
      guard->pcmBytesPerSecond = int64_t{GST_AUDIO_INFO_RATE(&audio)} * GST_AUDIO_INFO_BPF(&audio);
    }
  }
  return GST_PAD_PROBE_OK;
}

void NoteDemuxedPad(GstElement*, GstPad* pad, gpointer guard) {
  if (GST_PAD_IS_SRC(pad))
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, OnDemuxedCaps, guard, nullptr);
}

void GuardPad(GstElement*, GstPad* pad, gpointer guard) {
  if (GST_PAD_IS_SRC(pad))
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, OnStreamCaps, guard, nullptr);
}

// Demuxers, parsers and decoders are where a size is first claimed and then believed.
void GuardElement(GstBin*, GstBin*, GstElement* element, gpointer guard) {
  GstElementFactory* factory = gst_element_get_factory(element);
  const gchar* klass = factory != nullptr
                           ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS)
                           : nullptr;
  if (klass == nullptr ||
      (std::strstr(klass, "Demux") == nullptr && std::strstr(klass, "Parser") == nullptr &&
       std::strstr(klass, "Decoder") == nullptr))
    return;
  gst_element_foreach_src_pad(
      element,
      [](GstElement* e, GstPad* pad, gpointer data) -> gboolean {
        GuardPad(e, pad, data);
        return TRUE;
      },
      guard);
  g_signal_connect(element, "pad-added", G_CALLBACK(GuardPad), guard);
  if (std::strstr(klass, "Demux") != nullptr)
    g_signal_connect(element, "pad-added", G_CALLBACK(NoteDemuxedPad), guard);
}

}  // namespace

std::unique_ptr<FilePlayerPipeline> FilePlayerPipeline::Open(const std::string& path,
                                                             VideoFrameSink* sink,
                                                             MessageHandler handler,
                                                             std::string* why) {
  std::unique_ptr<FilePlayerPipeline> pipeline(new FilePlayerPipeline());
  if (!pipeline->Build(path, sink, why) || !pipeline->Preroll(why)) return nullptr;
  pipeline->Watch(std::move(handler));
  return pipeline;
}

void FilePlayerPipeline::PipelineRelease::operator()(GstElement* element) const {
  gst_element_set_state(element, GST_STATE_NULL);
  const ElementPtr last(element);
}

FilePlayerPipeline::~FilePlayerPipeline() {
  if (watchId_ != 0) g_source_remove(watchId_);
}

bool FilePlayerPipeline::Build(const std::string& path, VideoFrameSink* sink, std::string* why) {
  if (!gst_is_initialized()) {
    *why = "GStreamer is not initialised";
    return false;
  }
  // A name like "take:2.avi" would pass as a URI of scheme "take"; only "scheme://" counts.
  std::string uri;
  if (path.find("://") != std::string::npos && gst_uri_is_valid(path.c_str())) {
    uri = path;
  } else {
    ErrorPtr error;
    std::unique_ptr<gchar, GFree> converted(gst_filename_to_uri(path.c_str(), ErrorOut(error)));
    if (!converted) {
      *why = error ? error->message : "not a file name";
      return false;
    }
    uri = converted.get();
  }
  // The file source opens on this thread: a FIFO or a device in the film's place would hold
  // the whole program until a writer came.
  std::unique_ptr<gchar, GFree> local(g_filename_from_uri(uri.c_str(), nullptr, nullptr));
  struct stat st {};
  if (local && ::stat(local.get(), &st) == 0 && !S_ISREG(st.st_mode)) {
    *why = "not a plain file";
    return false;
  }
  if (local && S_ISREG(st.st_mode)) fileBytes_ = static_cast<int64_t>(st.st_size);

  // The codec names in the reasons come from here.
  gst_pb_utils_init();
  ElementPtr playbin = AdoptElement(vd::MakeElement<"playbin">());
  if (playbin == nullptr) {
    *why = "no playbin element";
    return false;
  }
  playbin_.reset(playbin.release());
  streamGuard_ = std::make_unique<StreamGuard>();
  g_signal_connect(playbin_.get(), "deep-element-added", G_CALLBACK(GuardElement),
                   streamGuard_.get());

  const ElementPtr videoSink = AdoptElement(vd::MakeElement<"appsink">());
  const ElementPtr audioSink = AdoptElement(MakeAudioSink(AudioSinkClock::kKeepTime));
  if (videoSink == nullptr || audioSink == nullptr) {
    *why = "no appsink or audio sink element";
    return false;
  }
  videoSink_ = videoSink.get();
  const CapsPtr caps(gst_caps_from_string("video/x-raw,format=BGRx"));
  g_object_set(videoSink_, "caps", caps.get(), "enable-last-sample", FALSE, "max-buffers", 2u,
               nullptr);
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = OnNewSample;
  callbacks.new_preroll = OnNewPreroll;
  gst_app_sink_set_callbacks(GST_APP_SINK(videoSink_), &callbacks, sink, nullptr);

  // playbin holds both sinks from here on.
  g_object_set(playbin_.get(), "uri", uri.c_str(), "video-sink", videoSink.get(), "audio-sink",
               audioSink.get(), nullptr);
  return true;
}

bool FilePlayerPipeline::Preroll(std::string* why) {
  GstStateChangeReturn result = gst_element_set_state(playbin_.get(), GST_STATE_PAUSED);
  if (result != GST_STATE_CHANGE_FAILURE) {
    result = WaitForState(playbin_.get(), nullptr, kPrerollTimeout);
  }
  if (result == GST_STATE_CHANGE_SUCCESS || result == GST_STATE_CHANGE_NO_PREROLL) {
    gint videoStreams = 0;
    g_object_get(playbin_.get(), "n-video", &videoStreams, nullptr);
    hasVideo_ = videoStreams > 0;
    std::lock_guard lock(streamGuard_->mutex);
    // Played as sound only, a film whose pictures are lost would pass for a radio recording.
    if (!hasVideo_ && !streamGuard_->storedPictures.empty()) {
      *why = "its pictures are stored as " + streamGuard_->storedPictures +
             ", which cannot be decoded here";
      return false;
    }
    pcmBytesPerSecond_ = streamGuard_->pcmBytesPerSecond;
    return true;
  }
  {
    std::lock_guard lock(streamGuard_->mutex);
    if (!streamGuard_->refused.empty()) {
      *why = streamGuard_->refused;
      return false;
    }
  }
  const BusPtr bus(gst_element_get_bus(playbin_.get()));
  const MessagePtr error(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
  if (error) {
    // The user reads the reason; the element's details go to the trace.
    PlayerTrace("Preroll: %s\n", ErrorText(error.get()).c_str());
    ErrorPtr parsed;
    gst_message_parse_error(error.get(), ErrorOut(parsed), nullptr);
    *why = parsed ? parsed->message : "unknown error";
  } else {
    *why = result == GST_STATE_CHANGE_ASYNC
               ? "it does not start within " + std::to_string(kPrerollTimeout / GST_SECOND) +
                     " seconds; it may be damaged"
               : "state change failed";
  }
  return false;
}

void FilePlayerPipeline::Watch(MessageHandler handler) {
  auto watcher = std::make_unique<Watcher>();
  watcher->handler = std::move(handler);
  const BusPtr bus(gst_element_get_bus(playbin_.get()));
  // The watch owns the watcher from here on; GLib frees it when the watch goes.
  watchId_ = gst_bus_add_watch_full(bus.get(), G_PRIORITY_DEFAULT, OnBusMessage, watcher.get(),
                                    DeleteWatcher);
  if (watchId_ != 0) watcher.release();
}

bool FilePlayerPipeline::GetVideoSize(int32_t* width, int32_t* height) const {
  if (!hasVideo_) return false;
  GstPad* raw = nullptr;
  g_signal_emit_by_name(playbin_.get(), "get-video-pad", 0, &raw);
  const PadPtr pad(raw);
  CapsPtr caps(pad ? gst_pad_get_current_caps(pad.get()) : nullptr);
  if (!caps) {
    // Without the decoder's pad the converted pictures still carry the stored size.
    const PadPtr sinkPad(gst_element_get_static_pad(videoSink_, "sink"));
    if (sinkPad) caps.reset(gst_pad_get_current_caps(sinkPad.get()));
  }
  GstVideoInfo info;
  if (!caps || !gst_video_info_from_caps(&info, caps.get())) return false;
  *width = GST_VIDEO_INFO_WIDTH(&info);
  *height = GST_VIDEO_INFO_HEIGHT(&info);
  return true;
}

bool FilePlayerPipeline::GetDuration(int64_t* nanoseconds) const {
  // The stream on show sets the length: asked as a whole, the pipeline answers with its
  // longest stream, and a sound header that misstates its rate makes that hours long.
  gint64 duration = -1;
  if (!gst_element_query_duration(hasVideo_ ? videoSink_ : playbin_.get(), GST_FORMAT_TIME,
                                  &duration) ||
      duration < 0) {
    return false;
  }
  // Sound stored as PCM cannot last longer than the file's bytes take to play.
  if (!hasVideo_ && pcmBytesPerSecond_ > 0 && fileBytes_ > 0) {
    duration = std::min<gint64>(duration,
                                gst_util_uint64_scale(static_cast<guint64>(fileBytes_), GST_SECOND,
                                                      static_cast<guint64>(pcmBytesPerSecond_)));
  }
  *nanoseconds = duration;
  return true;
}

bool FilePlayerPipeline::Play() {
  return gst_element_set_state(playbin_.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

bool FilePlayerPipeline::Pause(bool wait) {
  GstStateChangeReturn result = gst_element_set_state(playbin_.get(), GST_STATE_PAUSED);
  if (result == GST_STATE_CHANGE_FAILURE) return false;
  if (wait && result == GST_STATE_CHANGE_ASYNC) {
    result = WaitForState(playbin_.get(), nullptr, kStateTimeout);
    if (result == GST_STATE_CHANGE_FAILURE) return false;
  }
  return true;
}

bool FilePlayerPipeline::Rewind() {
  return gst_element_seek_simple(playbin_.get(), GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, 0) != FALSE;
}

bool FilePlayerPipeline::Seek(int64_t nanoseconds) {
  const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT);
  return gst_element_seek_simple(playbin_.get(), GST_FORMAT_TIME, flags, nanoseconds) != FALSE;
}

}  // namespace vd
