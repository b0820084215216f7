// Recordings in every compression from a poor device (its sound clock fast, pictures lost):
// the AVI carries the codec chosen, decodes back to as many pictures as it holds, spans the
// time of its sound, and is as small as the codec promises.
#include "engine_fixture.h"

namespace vdtest {
namespace {

using namespace std::chrono_literals;

// Pictures that decode from the file's video stream.
int64_t DecodedFrames(const std::string& path) {
  std::string description = "filesrc location=\"" + path +
                            "\" ! avidemux name=d d.video_0 ! queue ! decodebin ! fakesink "
                            "name=out sync=false d.audio_0 ! queue ! fakesink sync=false";
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
  if (pipeline == nullptr) {
    g_clear_error(&error);
    return -1;
  }
  int64_t frames = 0;
  GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
  GstPad* pad = gst_element_get_static_pad(out, "sink");
  gst_pad_add_probe(
      pad, GST_PAD_PROBE_TYPE_BUFFER,
      [](GstPad*, GstPadProbeInfo*, gpointer n) {
        ++*static_cast<int64_t*>(n);
        return GST_PAD_PROBE_OK;
      },
      &frames, nullptr);
  gst_object_unref(pad);
  gst_object_unref(out);
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* message = gst_bus_timed_pop_filtered(
      bus, 30 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  bool ok = message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
  if (message != nullptr) gst_message_unref(message);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return ok ? frames : -1;
}

TEST_F(EngineTest, EveryCodecRecordsAPlayableAviInStepWithItsSound) {
  constexpr GstClockTime kFramePeriod = GST_SECOND / 30;
#if defined(__SANITIZE_ADDRESS__)
  // The instrumented virtual box stamps its pictures late and unevenly on a slow machine, and
  // the filler's rounding then loses one more picture at the end; this build checks memory,
  // the plain build keeps the one-period bound.
  constexpr GstClockTime kSyncTolerance = 2 * kFramePeriod;
#else
  constexpr GstClockTime kSyncTolerance = kFramePeriod;
#endif
  struct Case {
    vd::VideoCodec codec;
    const char* caps;
  };
  const Case cases[] = {{vd::VideoCodec::kNone, "video/x-raw"},
                        {vd::VideoCodec::kMjpeg, "image/jpeg"},
                        {vd::VideoCodec::kH264, "video/x-h264"},
                        {vd::VideoCodec::kHuffyuv, "video/x-huffyuv"}};
  auto engine = StartEngine();
  // 2 % fast: 60 ms more sound than picture in 3 s without a correction, two frame periods.
  vd::VirtualBoxFaults faults;
  faults.clockDriftPpm = 20000;
  faults.dropEveryNth = 10;
  box->SetFaults(faults);
  double rawRate = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(vd::RecordingFormat::NameOf(c.codec)));
    vd::CaptureOptions options = engine->GetCaptureOptions();
    options.recording.codec = c.codec;
    options.recording.h264Kbps = 1000;
    engine->SetCaptureOptions(options);
    Capture(*engine, 3000ms);
    vd::StatisticsRecord stats;
    ASSERT_TRUE(engine->GetStatistics(true, &stats));
    EXPECT_GT(stats.captured, 60);
    EXPECT_GT(stats.dropped, 5);
    AviContents avi = ReadAvi(engine->CaptureFilePath());
    ASSERT_TRUE(avi.opened);
    EXPECT_EQ(avi.videoCaps, c.caps);
    EXPECT_GE(avi.videoFrames, stats.captured + stats.dropped - 2);
    EXPECT_EQ(DecodedFrames(engine->CaptureFilePath()), avi.videoFrames);
    EXPECT_GT(avi.audioSpan, 2 * GST_SECOND);
    // An AVI plays one chunk per frame period, whatever times the demuxer puts on an H.264
    // stream's first pictures: the picture lasts its chunk count.
    const GstClockTime videoLength = avi.videoFrames * kFramePeriod;
    EXPECT_LE(std::max(videoLength, avi.audioSpan) - std::min(videoLength, avi.audioSpan),
              kSyncTolerance)
        << avi.videoFrames << " frames (" << stats.captured << " captured, " << stats.dropped
        << " dropped), audio " << avi.audioSpan << " ns";
    // The rate on the statistics bar is the file's picture, not the device's.
    const double fileRate =
        static_cast<double>(avi.videoBytes) / (static_cast<double>(videoLength) / GST_SECOND) / 1e6;
    // The bar counts the captured pictures, not the repeated ones.
    const double capturedRate = fileRate * static_cast<double>(stats.captured) /
                                static_cast<double>(std::max<int64_t>(1, avi.videoFrames));
    EXPECT_NEAR(stats.megabytesPerSecond, capturedRate, 0.1 * capturedRate + 0.001);
    if (c.codec == vd::VideoCodec::kNone) rawRate = stats.megabytesPerSecond;
    if (c.codec == vd::VideoCodec::kH264) {
      EXPECT_LT(stats.megabytesPerSecond, rawRate / 10);
    }
    if (c.codec == vd::VideoCodec::kHuffyuv) {
      EXPECT_LT(stats.megabytesPerSecond, rawRate);
    }
    engine->ReturnToLive();
  }
  EXPECT_TRUE(host.messages.empty()) << host.messages.front();
}

}  // namespace
}  // namespace vdtest
