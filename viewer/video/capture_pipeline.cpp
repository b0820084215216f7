#include "vd/video/capture_pipeline.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <gst/audio/audio.h>

#include <algorithm>
#include <cmath>

#include "avi_mend.h"
#include "frame_output.h"
#include "vd/frame_rate.h"
#include "vd/gst_elements.h"
#include "vd/gst_state_wait.h"
#include "vd/video/disk_budget.h"

namespace vd {

namespace {
// Bytes a chunk of `size` takes in the AVI: its header and the padding to an even length.
int64_t ChunkBytes(int64_t size) {
  return 8 + size + (size & 1);
}

bool LinkToRequest(GstElement* from, GstElement* mux, const char* templ) {
  PadPtr sink(gst_element_request_pad_simple(mux, templ));
  if (sink == nullptr) return false;
  PadPtr src(gst_element_get_static_pad(from, "src"));
  if (gst_pad_link(src.get(), sink.get()) == GST_PAD_LINK_OK) return true;
  gst_element_release_request_pad(mux, sink.get());
  return false;
}

void AddProbe(GstElement* element, const char* pad, GstPadProbeType type, GstPadProbeCallback cb,
              void* self) {
  PadPtr p(gst_element_get_static_pad(element, pad));
  gst_pad_add_probe(p.get(), type, cb, self, nullptr);
}

// The folder must take a new file (or the file be writable) before a pipeline is built.
bool CanCreate(const std::string& path) {
  if (::access(path.c_str(), W_OK) == 0) return true;
  std::string folder = path.substr(0, path.find_last_of('/') + 1);
  return ::access(folder.empty() ? "." : folder.c_str(), W_OK) == 0;
}

GstElement* MakeQueue(bool leaky) {
  GstElement* queue = vd::MakeElement<"queue">();
  // Up to three seconds wait for a slow disk; a video queue that overflows drops its oldest
  // pictures rather than stall the device, and those count as dropped.
  g_object_set(queue, "max-size-buffers", 0u, "max-size-bytes", 0u, "max-size-time",
               static_cast<guint64>(3 * GST_SECOND), nullptr);
  if (leaky) g_object_set(queue, "leaky", 2 /* downstream: old buffers */, nullptr);
  return queue;
}

// The video brought to one picture every `frameInterval` (100 ns); null when it cannot be.
GstElement* AddRate(GstBin* bin, GstElement* last, int64_t frameInterval) {
  GstElement* rate = vd::MakeElement<"videorate">();
  GstElement* filter = vd::MakeElement<"capsfilter">();
  int num = 0;
  int den = 1;
  // 333333 stands for 30 frames a second, not for 30.00003; 333667 for NTSC's 30000/1001.
  if (!ExactFrameRateOf(frameInterval, &num, &den))
    gst_util_double_to_fraction(1e7 / static_cast<double>(frameInterval), &num, &den);
  const CapsPtr caps(
      gst_caps_new_simple("video/x-raw", "framerate", GST_TYPE_FRACTION, num, den, nullptr));
  g_object_set(rate, "drop-only", TRUE, nullptr);
  g_object_set(filter, "caps", caps.get(), nullptr);
  gst_bin_add_many(bin, rate, filter, nullptr);
  if (!gst_element_link_many(last, rate, filter, nullptr)) return nullptr;
  return filter;
}

// The video teed to the picture shown while recording; the tee, null when it cannot be.
GstElement* AddPreview(GstBin* bin, GstElement* last, VideoFrameSink* preview, bool deinterlace) {
  GstElement* tee = vd::MakeElement<"tee">();
  GstElement* previewQueue = MakeQueue(true);
  g_object_set(previewQueue, "max-size-time", static_cast<guint64>(GST_SECOND / 5), nullptr);
  GstElement* output = FrameOutput::Create(preview);
  GstElement* shown = previewQueue;
  gst_bin_add_many(bin, tee, previewQueue, output, nullptr);
  if (deinterlace) {
    GstElement* deinterlacer = FrameOutput::CreateDeinterlacer();
    if (deinterlacer != nullptr) {
      gst_bin_add(bin, deinterlacer);
      if (gst_element_link(previewQueue, deinterlacer)) shown = deinterlacer;
    }
  }
  if (!gst_element_link(last, tee) || !gst_element_link(tee, previewQueue) ||
      !gst_element_link(shown, output))
    return nullptr;
  return tee;
}
}  // namespace

std::unique_ptr<CapturePipeline> CapturePipeline::Create(const CapturePipelineConfig& config,
                                                         std::string* failure) {
  auto self = std::unique_ptr<CapturePipeline>(new CapturePipeline);
  self->pipeline_ = AdoptElement(gst_pipeline_new("capture"));
  GstBin* bin = GST_BIN(self->pipeline_.get());

  const ElementPtr muxHeld = AdoptElement(vd::MakeElement<"avimux">());
  const ElementPtr writerHeld = AdoptElement(vd::MakeElement<"fdsink">());
  if (muxHeld == nullptr || writerHeld == nullptr || !CanCreate(config.path)) {
    *failure = "Cannot set output file";
    return nullptr;
  }
  // The bin keeps its own references; the holders' go at the end of Create.
  GstElement* mux = muxHeld.get();
  GstElement* writer = writerHeld.get();
  self->path_ = config.path;
  self->reserveBytes_ = config.reserveBytes;
  self->largestFile_ = config.largestFile > 0 ? config.largestFile : INT64_MAX;
  g_object_set(writer, "sync", FALSE, "async", FALSE, nullptr);
  gst_bin_add_many(bin, mux, writer, nullptr);
  gst_element_link(mux, writer);
  self->writer_ = writer;
  AddProbe(writer, "sink", GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, OnWriterEvent, self.get());

  if (!self->AddVideo(bin, mux, config, failure)) return nullptr;
  if (config.audio != nullptr) {
    if (!self->AddSound(bin, mux, config.audio, failure)) return nullptr;
  } else {
    self->audioStart_ = 0;
  }
  return self;
}

// Video: source -> [rate] -> [tee -> picture] -> queue -> filler -> [encoder] -> muxer.
bool CapturePipeline::AddVideo(GstBin* bin, GstElement* mux, const CapturePipelineConfig& config,
                               std::string* failure) {
  GstElement* source = config.video->CreateSourceBin(PinKind::kCapture);
  if (source == nullptr) {
    *failure = "Cannot render video capture stream";
    return false;
  }
  gst_bin_add(bin, source);
  GstElement* last = source;
  if (config.frameInterval > 0) {
    last = AddRate(bin, last, config.frameInterval);
    if (last == nullptr) {
      *failure = "Cannot set frame rate for capture";
      return false;
    }
  }
  videoQueue_ = MakeQueue(true);
  gst_bin_add(bin, videoQueue_);
  if (config.preview != nullptr) {
    last = AddPreview(bin, last, config.preview, config.deinterlacePreview);
    if (last == nullptr) {
      *failure = "Cannot render video preview stream";
      return false;
    }
  }
  // An AVI has one picture per frame period: where the device or the queue lost pictures,
  // the one before is repeated, so the film spans the time its sound does.
  filler_ = vd::MakeElement<"videorate">();
  g_object_set(filler_, "skip-to-first", TRUE, nullptr);
  gst_bin_add(bin, filler_);
  if (!gst_element_link_many(last, videoQueue_, filler_, nullptr)) {
    *failure = "Cannot render video capture stream";
    return false;
  }
  if (!AddVideoTail(bin, mux, config, failure)) return false;
  AddProbe(videoQueue_, "sink", GST_PAD_PROBE_TYPE_BUFFER, OnEntry, this);
  AddProbe(videoQueue_, "src", GST_PAD_PROBE_TYPE_BUFFER, OnDequeued, this);
  AddProbe(filler_, "src", GST_PAD_PROBE_TYPE_BUFFER, OnFilled, this);
  AddProbe(videoTail_, "src", GST_PAD_PROBE_TYPE_BUFFER, OnGuard, this);
  return true;
}

bool CapturePipeline::AddVideoTail(GstBin* bin, GstElement* mux,
                                   const CapturePipelineConfig& config, std::string* failure) {
  // The repeated pictures are encoded too (as almost nothing, with a compression), so the
  // file keeps one picture per period whatever it stores.
  videoTail_ = filler_;
  std::string chainFailure;
  if (GstElement* chain =
          config.recording.CreateVideoChain(config.framesPerSecond, &chainFailure)) {
    gst_bin_add(bin, chain);
    if (!gst_element_link(filler_, chain)) {
      *failure = "Cannot render video capture stream";
      return false;
    }
    videoTail_ = chain;
  } else if (!chainFailure.empty()) {
    *failure = chainFailure;
    return false;
  }
  if (!LinkToRequest(videoTail_, mux, "video_%u")) {
    *failure = "Cannot render video capture stream";
    return false;
  }
  return true;
}

bool CapturePipeline::AddSound(GstBin* bin, GstElement* mux, CaptureDevice* audio,
                               std::string* failure) {
  GstElement* sound = audio->CreateSourceBin(PinKind::kAudioCapture);
  audioQueue_ = MakeQueue(false);
  if (sound != nullptr) gst_bin_add(bin, sound);
  gst_bin_add(bin, audioQueue_);
  if (sound == nullptr || !gst_element_link(sound, audioQueue_) ||
      !LinkToRequest(audioQueue_, mux, "audio_%u")) {
    *failure = "ERROR: Could not render audio capture stream";
    return false;
  }
  // First the sound is brought to its time, then the guard counts what is written.
  AddProbe(audioQueue_, "src", GST_PAD_PROBE_TYPE_BUFFER, OnSound, this);
  AddProbe(audioQueue_, "src", GST_PAD_PROBE_TYPE_BUFFER, OnGuard, this);
  AddProbe(audioQueue_, "sink", GST_PAD_PROBE_TYPE_BUFFER, OnEntry, this);
  return true;
}

CapturePipeline::~CapturePipeline() {
  if (pipeline_ != nullptr) gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
  pipeline_.reset();
  if (fd_ >= 0) ::close(fd_);
}

bool CapturePipeline::Owns(GstObject* object) const {
  for (GstObject* o = object; o != nullptr; o = GST_OBJECT_PARENT(o)) {
    if (o == GST_OBJECT(pipeline_.get())) return true;
  }
  return false;
}

bool CapturePipeline::Start() {
  // The file is emptied only now: a recording that never starts leaves the last one alone.
  // It is truncated, then (pre-allocation) reserved beyond its end, so the recording fills
  // blocks set aside for it and the AVI ends where the muxer stops writing.
  if (fd_ < 0) {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) return false;
    if (reserveBytes_ > 0)
      ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(reserveBytes_));
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
      sizeLimit_ = static_cast<int64_t>(limit.rlim_cur);
    g_object_set(writer_, "fd", fd_, nullptr);
  }
  if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
    return false;
  GstState state = GST_STATE_NULL;
  return WaitForState(pipeline_.get(), &state, 5 * GST_SECOND) != GST_STATE_CHANGE_FAILURE &&
         state == GST_STATE_PLAYING;
}

bool CapturePipeline::Finish(std::chrono::milliseconds timeout) {
  if (finished_) return true;
  // Both streams end at the running time of now: each stream ends itself with its first
  // buffer from then on (a source that lags under load still delivers what it has). One
  // that does not get there soon is ended where it is.
  GstClockTime now = GST_CLOCK_TIME_NONE;
  if (const GstPtr<GstClock> clock{gst_element_get_clock(pipeline_.get())}) {
    GstClockTime base = gst_element_get_base_time(pipeline_.get());
    GstClockTime time = gst_clock_get_time(clock.get());
    if (time >= base) now = time - base;
  }
  bool done = false;
  auto ended = [this] { return eos_; };
  if (now != GST_CLOCK_TIME_NONE) {
    {
      std::lock_guard lock(audioEndMutex_);
      if (GST_CLOCK_TIME_IS_VALID(audioEnd_) && audioEnd_ > now) now = audioEnd_;
      const GstClockTime origin = filmStart_.load();
      const GstClockTime period = picturePeriod_.load();
      // Only as far ahead as the streams are waited for: with a period of several seconds (a
      // stored rate below one picture a second) the end stays at now, off the grid.
      if (GST_CLOCK_TIME_IS_VALID(origin) && period > 0 && now > origin) {
        const GstClockTime onGrid = origin + (now - origin + period - 1) / period * period;
        if (onGrid - now <= kCutWaitMs * GST_MSECOND / 2) now = onGrid;
      }
      stopAt_ = now;
    }
    const auto until =
        std::chrono::steady_clock::now() + std::min(timeout, std::chrono::milliseconds(kCutWaitMs));
    std::unique_lock lock(eosMutex_);
    eosCv_.wait_until(lock, until, [this] { return eos_ || videoCrossed_; });
    if (!eos_ && videoCrossed_) {
      lock.unlock();
      EndStream(videoQueue_);
      lock.lock();
    }
    done = eosCv_.wait_until(lock, until, ended);
  }
  if (!done) {
    EndStream(videoQueue_);
    EndStream(audioQueue_);
    std::unique_lock lock(eosMutex_);
    done = eosCv_.wait_for(lock, timeout, ended);
  }
  gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
  if (fd_ >= 0) ::fsync(fd_);
  // The guard stops both streams where they stand, and the sound stands ahead of the
  // pictures the encoder still held: it is cut back to the film's end (the index only
  // shrinks, so this needs no room the guard did not keep).
  if (full_.load() && fd_ >= 0) {
    std::string why;
    AviMend::Mend(path_, &why);
  }
  finished_ = true;
  return done;
}

int64_t CapturePipeline::FramesRepeated() const {
  return repeated_.load();
}

int64_t CapturePipeline::FramesLostSoFar() const {
  guint64 dropped = 0;
  if (!finished_) g_object_get(filler_, "drop", &dropped, nullptr);
  std::lock_guard lock(queuedMutex_);
  return leaked_ + static_cast<int64_t>(dropped);
}

void CapturePipeline::Enqueued(GstClockTime pts) {
  std::lock_guard lock(queuedMutex_);
  queuedTimes_.push_back(pts);
}

GstPadProbeReturn CapturePipeline::OnDequeued(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* self = static_cast<CapturePipeline*>(data);
  const GstClockTime pts = GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info));
  if (!GST_CLOCK_TIME_IS_VALID(pts)) return GST_PAD_PROBE_OK;
  std::lock_guard lock(self->queuedMutex_);
  auto& times = self->queuedTimes_;
  while (!times.empty() && times.front() < pts) {
    times.pop_front();
    ++self->leaked_;
  }
  if (!times.empty() && times.front() == pts) times.pop_front();
  return GST_PAD_PROBE_OK;
}

bool CapturePipeline::EndStream(GstElement* queue) {
  if (queue == nullptr) return false;
  std::atomic<bool>& ended = queue == videoQueue_ ? videoEnded_ : audioEnded_;
  if (ended.exchange(true)) return false;
  const PadPtr pad(gst_element_get_static_pad(queue, "sink"));
  gst_pad_send_event(pad.get(), gst_event_new_eos());
  return true;
}

GstPadProbeReturn CapturePipeline::OnEntry(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  auto* self = static_cast<CapturePipeline*>(data);
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  const bool video = GST_OBJECT_CAST(GST_PAD_PARENT(pad)) == GST_OBJECT(self->videoQueue_);
  // The copy given at the end has been placed already.
  if (video && buffer == self->inserted_) return GST_PAD_PROBE_OK;
  if (!GST_CLOCK_TIME_IS_VALID(pts)) {
    if (video) self->produced_.fetch_add(1);
    return GST_PAD_PROBE_OK;
  }
  if ((video ? self->videoEnded_ : self->audioEnded_).load()) return GST_PAD_PROBE_DROP;
  std::unique_lock audioLock(self->audioEndMutex_, std::defer_lock);
  if (!video) audioLock.lock();
  const GstClockTime stop = self->stopAt_.load();
  // A picture ends the film when most of its period lies past the end.
  const GstClockTime half =
      video && GST_BUFFER_DURATION_IS_VALID(buffer) ? GST_BUFFER_DURATION(buffer) / 2 : 0;
  if (GST_CLOCK_TIME_IS_VALID(stop) && pts + half >= stop)
    return self->EnterAtEnd(pad, info, buffer, video, stop, half);
  if (video) return self->EnterPicture(info, buffer, pts, half);
  return self->EnterSound(pad, info, buffer, pts, stop);
}

GstPadProbeReturn CapturePipeline::EnterAtEnd(GstPad* pad, GstPadProbeInfo* info, GstBuffer* buffer,
                                              bool video, GstClockTime stop, GstClockTime half) {
  // The filler gives each period the nearest picture it has, and when its stream ends only
  // the one it holds, once: after pictures lost near the end it would hold the last one for
  // an earlier period and the film would end a period or more before its sound. So the
  // first picture across the end is given at the end's time and again a period later: the
  // filler then fills every period up to the end, and what it makes from the end on is
  // cut (OnFilled).
  bool cross = false;
  if (video && half > 0 && GST_CLOCK_TIME_IS_VALID(lastVideoPts_)) {
    std::lock_guard lock(eosMutex_);
    cross = !videoCrossed_;
    videoCrossed_ = true;
  }
  if (cross) {
    GivePictureAcrossEnd(pad, info, buffer, stop, half);
    return GST_PAD_PROBE_OK;
  }
  if (!video && CarrySoundToEnd(pad, info, buffer, stop)) return GST_PAD_PROBE_OK;
  EndStream(video ? videoQueue_ : audioQueue_);
  return GST_PAD_PROBE_DROP;
}

void CapturePipeline::GivePictureAcrossEnd(GstPad* pad, GstPadProbeInfo* info, GstBuffer* buffer,
                                           GstClockTime stop, GstClockTime half) {
  // Where the last picture leaves periods before the end empty, this one fills them, a
  // picture the film was meant to hold.
  if (stop > 2 * half && stop - 2 * half > lastVideoPts_ + half) {
    produced_.fetch_add(1);
    Enqueued(stop);
  }
  GstBuffer* atEnd = gst_buffer_copy(buffer);
  GST_BUFFER_PTS(atEnd) = stop;
  inserted_ = atEnd;
  gst_pad_chain(pad, atEnd);
  inserted_ = nullptr;
  buffer = gst_buffer_make_writable(buffer);
  GST_BUFFER_PTS(buffer) = stop + 2 * half;
  GST_PAD_PROBE_INFO_DATA(info) = buffer;
  lastVideoPts_ = stop + 2 * half;
  std::lock_guard lock(eosMutex_);
  eosCv_.notify_all();
}

bool CapturePipeline::CarrySoundToEnd(GstPad* pad, GstPadProbeInfo* info, GstBuffer* buffer,
                                      GstClockTime stop) {
  // The sound stopped well short of the end, or began only after it (the process or the
  // device stood still, and a live source starts again at the time it wakes): one sample
  // just before the end is let through, and the follower closes the gap to it with
  // silence, so the sound spans the film, which the filler carries to the end with its
  // last picture.
  const GstClockTime soundUntil =
      GST_CLOCK_TIME_IS_VALID(audioEnd_) ? audioEnd_ : audioStart_.load();
  if (!GST_CLOCK_TIME_IS_VALID(soundUntil) || stop <= soundUntil + AudioClockFollower::kJump)
    return false;
  GstAudioInfo audio;
  const CapsPtr caps(gst_pad_get_current_caps(pad));
  if (caps == nullptr || !gst_audio_info_from_caps(&audio, caps.get()) ||
      GST_AUDIO_INFO_BPF(&audio) <= 0 || GST_AUDIO_INFO_RATE(&audio) <= 0 ||
      gst_buffer_get_size(buffer) < static_cast<gsize>(GST_AUDIO_INFO_BPF(&audio)))
    return false;
  const GstClockTime sample =
      gst_util_uint64_scale_int_ceil(GST_SECOND, 1, GST_AUDIO_INFO_RATE(&audio));
  buffer = gst_buffer_make_writable(buffer);
  gst_buffer_resize(buffer, 0, GST_AUDIO_INFO_BPF(&audio));
  GST_BUFFER_PTS(buffer) = stop - sample;
  GST_BUFFER_DURATION(buffer) = sample;
  GST_PAD_PROBE_INFO_DATA(info) = buffer;
  audioEnd_ = stop;
  return true;
}

GstPadProbeReturn CapturePipeline::EnterPicture(GstPadProbeInfo* info, GstBuffer* buffer,
                                                GstClockTime pts, GstClockTime half) {
  // The file begins with the sound: pictures from before it are left out (unless the
  // sound is long overdue), and the first one kept starts the film's frame periods.
  GstClockTime start = audioStart_.load();
  if (!GST_CLOCK_TIME_IS_VALID(start)) {
    if (pts < kSoundWaitNs) return GST_PAD_PROBE_DROP;
    // The film begins without its sound, which then begins with silence from here (unless
    // its first buffer passed this moment, and starts the film as usual).
    if (audioStart_.compare_exchange_strong(start, pts)) start = pts;
  }
  if (pts < start) {
    // The picture shown when the sound began starts the film at the sound's time.
    if (pts + 2 * half <= start) return GST_PAD_PROBE_DROP;
    buffer = gst_buffer_make_writable(buffer);
    GST_BUFFER_PTS(buffer) = start;
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
  } else if (pts > start && !GST_CLOCK_TIME_IS_VALID(filmStart_.load()) &&
             (pts - start < 4 * half || audioQueue_ != nullptr)) {
    // The picture shown when the sound began was lost, or the pictures began long after
    // it (the process stood still between the two, or the device is slow to send them):
    // the first one starts the film at the sound's time and is held until the next, since
    // a film that began later would play that much ahead of its sound and end short.
    buffer = gst_buffer_make_writable(buffer);
    GST_BUFFER_PTS(buffer) = start;
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
  }
  lastVideoPts_ = GST_BUFFER_PTS(buffer);
  if (half > 0) picturePeriod_ = 2 * half;
  GstClockTime noFilm = GST_CLOCK_TIME_NONE;
  filmStart_.compare_exchange_strong(noFilm, lastVideoPts_);
  // Only pictures the film was meant to hold count as produced (and so as lost if lost).
  produced_.fetch_add(1);
  Enqueued(lastVideoPts_);
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn CapturePipeline::EnterSound(GstPad* pad, GstPadProbeInfo* info, GstBuffer* buffer,
                                              GstClockTime pts, GstClockTime stop) {
  GstClockTime noStart = GST_CLOCK_TIME_NONE;
  audioStart_.compare_exchange_strong(noStart, pts);
  // The buffer across the end keeps only the samples before it.
  if (GST_CLOCK_TIME_IS_VALID(stop) && GST_BUFFER_DURATION_IS_VALID(buffer) &&
      pts + GST_BUFFER_DURATION(buffer) > stop) {
    GstAudioInfo audio;
    const CapsPtr caps(gst_pad_get_current_caps(pad));
    bool known = caps != nullptr && gst_audio_info_from_caps(&audio, caps.get());
    if (known && GST_AUDIO_INFO_BPF(&audio) > 0) {
      gsize bytes = gst_util_uint64_scale(stop - pts, GST_AUDIO_INFO_RATE(&audio), GST_SECOND) *
                    GST_AUDIO_INFO_BPF(&audio);
      buffer = gst_buffer_make_writable(buffer);
      gst_buffer_resize(buffer, 0,
                        static_cast<gssize>(std::min(bytes, gst_buffer_get_size(buffer))));
      GST_BUFFER_DURATION(buffer) = stop - pts;
      GST_PAD_PROBE_INFO_DATA(info) = buffer;
    }
  }
  if (GST_BUFFER_DURATION_IS_VALID(buffer)) audioEnd_ = pts + GST_BUFFER_DURATION(buffer);
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn CapturePipeline::OnFilled(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* self = static_cast<CapturePipeline*>(data);
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  const GstClockTime stop = self->stopAt_.load();
  // A period ends the film when most of it lies past the end, as a picture does on entry:
  // the filler's periods are exact fractions of a second, the end a whole number of
  // nanoseconds from the first one, so a period can begin a few nanoseconds before it.
  const GstClockTime half = self->picturePeriod_.load() / 2;
  if (GST_CLOCK_TIME_IS_VALID(stop) && GST_CLOCK_TIME_IS_VALID(pts) && pts + half >= stop)
    return GST_PAD_PROBE_DROP;
  // The filler marks the repeats it makes (its own count takes in those cut at the end); they
  // count once written, since the guard or an encoder may still keep one from the file.
  std::lock_guard lock(self->guardMutex_);
  self->leftFiller_.push_back(GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_GAP));
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn CapturePipeline::OnGuard(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  auto* self = static_cast<CapturePipeline*>(data);
  bool video = GST_OBJECT_CAST(GST_PAD_PARENT(pad)) == GST_OBJECT(self->videoTail_);
  return self->Admit(GST_PAD_PROBE_INFO_BUFFER(info), video) ? GST_PAD_PROBE_OK
                                                             : GST_PAD_PROBE_DROP;
}

GstPadProbeReturn CapturePipeline::OnSound(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  auto* self = static_cast<CapturePipeline*>(data);
  if (self->follower_ == nullptr) {
    GstAudioInfo audio;
    const CapsPtr caps(gst_pad_get_current_caps(pad));
    bool known = caps != nullptr && gst_audio_info_from_caps(&audio, caps.get());
    if (!known) return GST_PAD_PROBE_OK;
    const uint8_t silence = GST_AUDIO_INFO_IS_SIGNED(&audio) ? 0 : 0x80;
    self->follower_ = std::make_unique<AudioClockFollower>(GST_AUDIO_INFO_RATE(&audio),
                                                           GST_AUDIO_INFO_BPF(&audio), silence);
    // From the file's start: a sound that began after its film is preceded by silence.
    self->follower_->StartAt(self->audioStart_.load());
  }
  // The probe's reference stays with the buffer in `info` until it is replaced; a dropped
  // buffer is released by the pad.
  GstBuffer* original = GST_PAD_PROBE_INFO_BUFFER(info);
  GstBuffer* buffer = self->follower_->Follow(gst_buffer_ref(original));
  if (buffer == nullptr) return GST_PAD_PROBE_DROP;
  const BufferPtr replaced(original);  // the probe's reference leaves `info` with it
  GST_PAD_PROBE_INFO_DATA(info) = buffer;
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn CapturePipeline::OnWriterEvent(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* self = static_cast<CapturePipeline*>(data);
  if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS) {
    std::lock_guard lock(self->eosMutex_);
    self->eos_ = true;
    self->eosCv_.notify_all();
  }
  return GST_PAD_PROBE_OK;
}

int64_t CapturePipeline::Capacity() const {
  struct stat st {};
  struct statvfs fs {};
  if (::fstat(fd_, &st) != 0 || ::fstatvfs(fd_, &fs) != 0)
    return std::min(sizeLimit_, largestFile_);
  int64_t held = std::max<int64_t>(st.st_size, static_cast<int64_t>(st.st_blocks) * 512);
  int64_t room = DiskBudget::FileCapacity(
      held, static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize));
  return std::min({room, sizeLimit_, largestFile_});
}

bool CapturePipeline::Admit(GstBuffer* buffer, bool video) {
  int64_t size = static_cast<int64_t>(gst_buffer_get_size(buffer));
  std::lock_guard lock(guardMutex_);
  // The pictures reach the file in the order they left the filler, one for one (an encoder
  // restamps them, so their times cannot say which was a repeat).
  bool repeat = false;
  if (video && !leftFiller_.empty()) {
    repeat = leftFiller_.front();
    leftFiller_.pop_front();
  }
  if (full_.load()) return false;
  int64_t projected = muxedBytes_ + ChunkBytes(size) + 16 * (chunks_ + 2) + kIndexMargin;
  // The room is asked for again every few chunks, and at once when the file nears it.
  if (chunks_ - checkedAt_ >= kCheckEvery || projected + kCheckSlack > capacity_) {
    capacity_ = Capacity();
    checkedAt_ = chunks_;
  }
  if (projected > capacity_) {
    largestReached_.store(capacity_ == largestFile_ && largestFile_ < sizeLimit_);
    marginReached_.store(capacity_ < std::min(sizeLimit_, largestFile_));
    full_.store(true);
    if (!fullPosted_) {
      fullPosted_ = true;
      const ErrorPtr error(g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NO_SPACE_LEFT,
                                               "No space left for the recording."));
      gst_element_post_message(
          writer_, gst_message_new_error(GST_OBJECT(writer_), error.get(), "capture file full"));
    }
    return false;
  }
  muxedBytes_ += ChunkBytes(size);
  ++chunks_;
  if (video) {
    written_.fetch_add(1);
    videoBytes_.fetch_add(size);
    if (repeat) repeated_.fetch_add(1);
  }
  return true;
}

}  // namespace vd
