#include "vd/video/file_player.h"

#include <gst/gst.h>

#include <utility>

#include "file_player_pipeline.h"
#include "vd/trace.h"
#include "vd/video/playback_clock.h"

VD_DEFINE_TRACE(PlayerTrace, "player")

namespace {

constexpr char kCannotPlay[] = "Sorry, I do not know how to play this file.";
constexpr char kNoPreview[] = "This graph cannot preview properly";
constexpr char kRefusesPlay[] = "This file refuses to play!";
constexpr char kRefusesPause[] = "This file refuses to pause!";
constexpr char kRefusesStop[] = "This file refuses to stop playing!";

}  // namespace

struct FilePlayer::Impl : vd::PlaybackClock::Host {
  Impl(FilePlayer* owner, vd::VideoFrameSink* video, vd::FilePlayerHost* host)
      : owner(owner), video(video), host(host) {}

  void StartClockTimer(uint32_t id, uint32_t periodMs) override {
    if (host->StartPlaybackTimer(id, periodMs)) {
      hostTimer = true;
      return;
    }
    glibTimer = g_timeout_add(periodMs, &Impl::OnGlibTick, this);
  }

  void StopClockTimer(uint32_t id) override {
    if (glibTimer != 0) {
      g_source_remove(glibTimer);
      glibTimer = 0;
    }
    if (hostTimer) {
      hostTimer = false;
      host->StopPlaybackTimer(id);
    }
  }

  void ShowElapsed(const std::string& elapsed) override {
    host->ShowPlaybackTimes(lengthText, elapsed);
  }

  void OnClockEnded() override { owner->EndOfClip(); }

  static gboolean OnGlibTick(gpointer data) {
    static_cast<Impl*>(data)->clock.OnTimer(vd::PlaybackClock::kTimerId);
    // A tick that stopped or restarted the clock has already removed this source.
    return G_SOURCE_CONTINUE;
  }

  void OnPipelineMessage(vd::FilePlayerPipeline::Message message) {
    switch (message) {
      case vd::FilePlayerPipeline::Message::kEndOfStream:
        owner->OnPlayerEvent(kComplete);
        break;
      case vd::FilePlayerPipeline::Message::kUserAbort:
        owner->OnPlayerEvent(kUserAbort);
        break;
      case vd::FilePlayerPipeline::Message::kError:
        owner->OnPlayerEvent(kErrorAbort);
        break;
    }
  }

  // Puts the pipeline at the start of the clip, paused: what a stopped clip looks like.
  bool PauseAtStart() { return pipeline->Pause(true) && pipeline->Rewind(); }

  bool IsPlaying() const { return state == kPaused || state == kRunning; }

  FilePlayer* owner;
  vd::VideoFrameSink* video;
  vd::FilePlayerHost* host;
  std::unique_ptr<vd::FilePlayerPipeline> pipeline;
  vd::PlaybackClock clock{this};
  State state = kNoFile;
  std::string lastFile;
  std::string lengthText = vd::PlaybackClock::FormatTime(0);
  bool opened = false;
  bool active = false;
  bool looping = false;
  bool hostTimer = false;
  guint glibTimer = 0;
};

FilePlayer::FilePlayer(vd::VideoFrameSink* video, vd::FilePlayerHost* host)
    : impl_(std::make_unique<Impl>(this, video, host)) {
  GError* error = nullptr;
  if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, &error)) {
    // Every later OpenFile then fails with the usual message.
    PlayerTrace("gst_init failed: %s\n", error != nullptr ? error->message : "");
    g_clear_error(&error);
  }
}

// No texts on the way out: the host may be half torn down itself. Its timer must stop,
// though, or it would tick into a player that is gone.
FilePlayer::~FilePlayer() {
  impl_->pipeline.reset();
  impl_->clock.Hold();
}

bool FilePlayer::OpenFile(const std::string* path) {
  const std::string file = path != nullptr ? *path : impl_->lastFile;
  // Nothing was ever opened: there is no file to complain about.
  if (file.empty()) {
    ResetPlayer();
    return false;
  }

  // The clip on show stays until the new file is known to play: a file that is damaged or
  // gone leaves the video area as it was.
  std::string why;
  auto pipeline = vd::FilePlayerPipeline::Open(
      file, impl_->video,
      [impl = impl_.get()](vd::FilePlayerPipeline::Message message) {
        impl->OnPipelineMessage(message);
      },
      &why);
  if (!pipeline) {
    PlayerTrace("Cannot render %s: %s\n", file.c_str(), why.c_str());
    // Play reopens it and says so again, unless another clip stays open.
    if (!impl_->pipeline) impl_->lastFile = file;
    impl_->host->ShowPlayerMessage(std::string(kCannotPlay) + "\n" + file + ": " + why);
    return false;
  }
  ResetPlayer();
  impl_->lastFile = file;
  impl_->pipeline = std::move(pipeline);

  // Without a length (a stream still being written, say) the clock must not end the clip
  // after its first second; the pipeline's own end does it.
  int32_t seconds = vd::PlaybackClock::kUnknownLength;
  GetDuration(&seconds);
  impl_->clock.SetLength(seconds);
  impl_->lengthText = vd::PlaybackClock::FormatTime(seconds);

  int32_t width = 0;
  int32_t height = 0;
  if (!impl_->pipeline->HasVideo()) {
    impl_->host->ShowPlayerMessage(kNoPreview);
  } else if (GetVideoSize(&width, &height)) {
    impl_->host->ResizeVideoArea(width, height);
  }
  impl_->state = kStopped;
  impl_->opened = true;
  return true;
}

bool FilePlayer::OpenAndShow(const std::string& path) {
  if (!OpenFile(&path)) return false;
  impl_->active = true;
  impl_->clock.Stop();
  return true;
}

bool FilePlayer::PlayFile() {
  if (!impl_->pipeline && !OpenFile(nullptr)) return false;
  if (impl_->state != kStopped && impl_->state != kPaused) return false;

  int32_t width = 0;
  int32_t height = 0;
  if (GetVideoSize(&width, &height)) impl_->host->ResizeVideoArea(width, height);
  impl_->active = true;

  if (!impl_->opened) return false;
  if (!impl_->pipeline->Play()) {
    impl_->pipeline->Pause(false);
    impl_->host->ShowPlayerMessage(kRefusesPlay);
    return false;
  }
  // From stopped the count starts again; from paused it goes on where it was held.
  if (impl_->state == kStopped) {
    impl_->clock.Start();
  } else {
    impl_->clock.Resume();
  }
  impl_->state = kRunning;
  return true;
}

bool FilePlayer::PauseFile() {
  if (!impl_->IsPlaying()) return false;
  if (!impl_->pipeline->Pause(false)) {
    impl_->host->ShowPlayerMessage(kRefusesPause);
    return false;
  }
  impl_->state = kPaused;
  impl_->clock.Hold();
  return true;
}

bool FilePlayer::StopFile() {
  if (!impl_->IsPlaying()) return false;
  if (!impl_->PauseAtStart()) {
    impl_->host->ShowPlayerMessage(kRefusesStop);
    return false;
  }
  impl_->state = kStopped;
  impl_->clock.Stop();
  return true;
}

bool FilePlayer::StopAndRewind(bool close) {
  bool stopped = true;
  if (impl_->IsPlaying()) {
    if (impl_->PauseAtStart()) {
      impl_->state = kStopped;
      impl_->clock.Stop();
    } else {
      impl_->host->ShowPlayerMessage(kRefusesStop);
      stopped = false;
    }
  }
  // Closing releases the file even when it would not stop: the caller needs the video area.
  if (close) ResetPlayer();
  return stopped;
}

void FilePlayer::EndOfClip() {
  // An end that arrives after the user stopped (queued on the bus, or the clock's last tick)
  // must neither restart the clip nor report its end a second time.
  if (!impl_->IsPlaying()) return;
  if (impl_->looping && impl_->pipeline) {
    if (impl_->pipeline->Rewind() && impl_->pipeline->Play()) {
      impl_->state = kRunning;
      impl_->clock.Start();
      return;
    }
    PlayerTrace("Cannot rewind %s for the loop\n", impl_->lastFile.c_str());
  }
  StopFile();
  impl_->host->OnClipEnded();
}

bool FilePlayer::Seek(int32_t seconds) {
  if (impl_->state == kNoFile || !impl_->pipeline) return false;
  const int32_t length = impl_->clock.Length();
  if (seconds < 0) seconds = 0;
  if (length != vd::PlaybackClock::kUnknownLength && seconds > length) seconds = length;
  if (!impl_->pipeline->Seek(static_cast<int64_t>(seconds) * static_cast<int64_t>(GST_SECOND))) {
    PlayerTrace("Cannot seek %s to %d s\n", impl_->lastFile.c_str(), seconds);
    return false;
  }
  impl_->clock.Seek(seconds);
  if (impl_->state == kStopped && seconds > 0) impl_->state = kPaused;
  return true;
}

void FilePlayer::ToggleLoop() {
  impl_->looping = !impl_->looping;
}

bool FilePlayer::GetDuration(int32_t* seconds) {
  int64_t nanoseconds = 0;
  if (!impl_->pipeline || !impl_->pipeline->GetDuration(&nanoseconds)) return false;
  *seconds = static_cast<int32_t>(nanoseconds / static_cast<int64_t>(GST_SECOND));
  return true;
}

bool FilePlayer::GetVideoSize(int32_t* width, int32_t* height) {
  return impl_->pipeline && impl_->pipeline->GetVideoSize(width, height);
}

void FilePlayer::OnPlayerEvent(int32_t event) {
  switch (event) {
    case kComplete:
      EndOfClip();
      break;
    case kUserAbort:
    case kErrorAbort:
      StopFile();
      break;
    default:
      break;
  }
}

void FilePlayer::ResetPlayer() {
  // Destroying the pipeline stops it and joins its streaming threads, so no picture reaches
  // the sink after this.
  impl_->pipeline.reset();
  impl_->clock.SetLength(0);
  impl_->lengthText = vd::PlaybackClock::FormatTime(0);
  impl_->clock.Stop();
  impl_->state = kNoFile;
  impl_->opened = false;
  impl_->active = false;
}

void FilePlayer::OnPlaybackTimer(uint32_t id) {
  impl_->clock.OnTimer(id);
}

FilePlayer::State FilePlayer::GetState() const {
  return impl_->state;
}
bool FilePlayer::IsActive() const {
  return impl_->active;
}
bool FilePlayer::IsLooping() const {
  return impl_->looping;
}
const std::string& FilePlayer::LastFile() const {
  return impl_->lastFile;
}
