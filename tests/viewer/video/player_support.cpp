#include "player_support.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace playertest {

bool RunPipeline(const std::string& description) {
  if (!gst_is_initialized()) gst_init(nullptr, nullptr);
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
  if (error != nullptr) {
    ADD_FAILURE() << description << ": " << error->message;
    g_error_free(error);
    if (pipeline != nullptr) gst_object_unref(pipeline);
    return false;
  }
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* message = gst_bus_timed_pop_filtered(
      bus, 60 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  bool ok = message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
  if (message != nullptr) gst_message_unref(message);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return ok;
}

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  // Pictures are counted on streaming threads, which do not wake the main context; a short
  // timer does, so the condition is looked at again without sleeping blindly.
  guint waker = g_timeout_add(
      10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  const auto deadline = std::chrono::steady_clock::now() + limit;
  bool met = done();
  while (!met && std::chrono::steady_clock::now() < deadline) {
    g_main_context_iteration(nullptr, TRUE);
    met = done();
  }
  g_source_remove(waker);
  return met;
}

void CountingSink::OnVideoFrame(const vd::VideoFrame& frame) {
  Picture picture;
  picture.width = frame.width;
  picture.height = frame.height;
  picture.stride = frame.stride;
  const uint8_t* centre =
      frame.data + static_cast<size_t>(frame.height / 2) * static_cast<size_t>(frame.stride) +
      static_cast<size_t>(frame.width / 2) * 4;
  picture.blue = centre[0];
  picture.green = centre[1];
  picture.red = centre[2];
  std::lock_guard<std::mutex> lock(mutex_);
  ++count_;
  last_ = picture;
}

int CountingSink::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return count_;
}

CountingSink::Picture CountingSink::Last() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_;
}

void CountingSink::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  count_ = 0;
  last_ = Picture();
}

namespace {

std::string madeFolder;

// Tests must not depend on a sound card. Set before main, while no thread can read the
// environment at the same time.
const bool kFakeSound = setenv("VIEWDECK_AUDIO_SINK", "fake", 1) == 0;

Clips MakeClips() {
  EXPECT_TRUE(kFakeSound);
  Clips clips;
  std::string pattern = (std::filesystem::temp_directory_path() / "vd-player-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "no temporary folder";
    return clips;
  }
  clips.folder = pattern;
  madeFolder = pattern;
  clips.film = clips.folder + "/film.avi";
  clips.sound = clips.folder + "/sound only.avi";
  clips.longFilm = clips.folder + "/long.avi";
  clips.notAFilm = clips.folder + "/notes.avi";

  const std::string sound16k = "audio/x-raw,rate=16000,channels=1,format=S16LE";
  EXPECT_TRUE(
      RunPipeline("videotestsrc pattern=blue num-buffers=20 ! "
                  "video/x-raw,width=176,height=144,framerate=10/1 ! jpegenc ! mux. "
                  "audiotestsrc num-buffers=20 samplesperbuffer=1600 ! " +
                  sound16k + " ! mux. avimux name=mux ! filesink location=\"" + clips.film + "\""));
  EXPECT_TRUE(RunPipeline("audiotestsrc num-buffers=10 samplesperbuffer=1600 ! " + sound16k +
                          " ! avimux ! filesink location=\"" + clips.sound + "\""));
  EXPECT_TRUE(RunPipeline(
      "videotestsrc num-buffers=65 ! video/x-raw,width=32,height=24,framerate=1/1 ! jpegenc ! "
      "avimux ! filesink location=\"" +
      clips.longFilm + "\""));
  std::ofstream(clips.notAFilm) << "These are notes, not a film.\n";
  return clips;
}

class ClipsCleanup : public testing::Environment {
 public:
  void TearDown() override {
    std::error_code ignored;
    if (!madeFolder.empty()) std::filesystem::remove_all(madeFolder, ignored);
  }
};

const testing::Environment* const kCleanup = testing::AddGlobalTestEnvironment(new ClipsCleanup);

}  // namespace

const Clips& TestClips() {
  static const Clips clips = MakeClips();
  return clips;
}

}  // namespace playertest
