#include "capture_graph.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "capture_pipeline.h"
#include "radio_tuner_control.h"
#include "settings_store.h"
#include "settings_table.h"
#include "tuning_context.h"
#include "tv_tuner_control.h"
#include "vd/device_props.h"
#include "vd/nested_loop.h"
#include "vd/trace.h"
#include "vd/virtual_tv_box.h"
#include "video_standards.h"

VD_DEFINE_TRACE(TraceGraph, "video")

namespace {
constexpr size_t kPreferredNameLength = 23;
constexpr size_t kMaxDevices = 10;
constexpr size_t kMaxName = 80;
}  // namespace

// Hands device arrivals and removals from the back-end's thread to the UI thread.
class CaptureGraph::DeviceWatch final : public vd::DeviceEventSink {
 public:
  DeviceWatch(vd::DeviceEnumerator& devices, std::weak_ptr<CaptureGraph*> graph)
      : devices_(devices), graph_(std::move(graph)) {
    devices_.Subscribe(this);
  }
  ~DeviceWatch() override { devices_.Unsubscribe(this); }

  void OnDeviceArrived(const vd::DeviceInfo& device) override { Post(device, true); }
  void OnDeviceRemoved(const vd::DeviceInfo& device) override { Post(device, false); }

 private:
  struct Event {
    std::weak_ptr<CaptureGraph*> graph;
    vd::DeviceInfo device;
    bool arrived;
  };

  void Post(const vd::DeviceInfo& device, bool arrived) {
    const unsigned type = arrived ? 0x8000u : 0x8004u;  // arrival, removal complete
    TraceGraph("\n\n\n####DEVICE\n");
    TraceGraph("EventType - %u   : 0x%x", type, type);
    TraceGraph("\n\nWin proc\n");
    if (device.category != vd::DeviceCategory::kVideoInput) return;
    // Always through an idle source, even from the UI thread: the enumerator is still
    // delivering, and the engine must not rebuild devices underneath it. Then through the
    // command gate: inside a nested loop (a station change settling, a dialog) the tuner and
    // its table are still in use on the stack.
    GSource* source = g_idle_source_new();
    g_source_set_callback(
        source,
        [](gpointer data) -> gboolean {
          const Event event = *static_cast<Event*>(data);
          vd::CommandGate::Submit([event] {
            if (auto graph = event.graph.lock()) {
              CaptureGraph* self = *graph;
              if (event.arrived) {
                self->OnDeviceChange(kDeviceArrival);
              } else if (self->IsDeviceInUse(event.device)) {
                self->OnDeviceChange(kDeviceNodesChanged);
              }
            }
          });
          return G_SOURCE_REMOVE;
        },
        new Event{graph_, device, arrived},
        [](gpointer data) { delete static_cast<Event*>(data); });
    g_source_attach(source, nullptr);
    g_source_unref(source);
  }

  vd::DeviceEnumerator& devices_;
  std::weak_ptr<CaptureGraph*> graph_;
};

CaptureGraph::CaptureGraph(vd::DeviceEnumerator& devices, vd::SettingsStore& settings,
                           vd::TuningContext& tuning, vd::CaptureHost& host)
    : devices_(devices),
      store_(settings),
      tuning_(tuning),
      host_(host),
      stills_(
          settings_, store_,
          [this](std::function<void()> work) {
            Post([work = std::move(work)](CaptureGraph&) { work(); });
          },
          [this](const std::string& text) { Fail(text); }),
      recorder_(settings_, host_, lifecycle_, video_, audio_,
                [this](const std::string& text) { Fail(text); }),
      self_(std::make_shared<CaptureGraph*>(this)) {
  gst_init(nullptr, nullptr);
}

CaptureGraph::~CaptureGraph() {
  watch_.reset();
  self_.reset();
  if (lifecycle_.IsCapturing()) EndRecording();
  StopAudioPreview();
  StopPreview(true);
  TearDownGraph();
  // A recording in the capture file that nobody saved goes to the album before the file
  // goes; if that fails, the file stays and the next start finds it.
  KeepUnsaved(false);
  recorder_.File().RemoveScratch();
  player_.reset();
  FreeCapFilters();
  settings_.numStillImages = stills_.NumStillImages();
  if (!recorder_.File().Path().empty()) settings_.Save(store_);
  stills_.Release();
}

void CaptureGraph::Fail(const std::string& text) {
  TraceGraph("%s\n", text.c_str());
  host_.ShowMessage(text);
}

void CaptureGraph::FailF(const char* format, uint32_t value) {
  char text[256];
  std::snprintf(text, sizeof text, format, value);
  Fail(text);
}

bool CaptureGraph::Init(vd::VideoFrameSink* video, vd::FilePlayerHost* playerHost) {
  video_sink_ = video;
  settings_ = vd::CaptureSettings::Load(store_, rememberedFamily_);
  if (video_sink_ != nullptr) video_sink_->SetKeepPictureAspect(settings_.keepPictureAspect);
  if (playerHost != nullptr) player_ = std::make_unique<FilePlayer>(video, playerHost);
  const std::string folder = tuning_.DataFolder();
  recorder_.File().Open(folder);
  stills_.Start(folder);

  EnumerateDevices();
  if (videoIndex_ < 0) {
    Fail("Sorry, you have no video capture hardware");
    return false;
  }
  watch_ = std::make_unique<DeviceWatch>(devices_, self_);
  workMode_ = tuning_.WorkMode();
  int32_t chosen = videoIndex_;
  videoIndex_ = -1;  // so that ChooseDevices sees a change
  ChooseDevices(chosen, audioIndex_, false);
  if (workMode_ == vd::WorkMode::kRadio) wantPreview_ = false;
  // The main window shows the live picture (or plays the radio) as soon as it opens.
  StartLive();
  return true;
}

bool CaptureGraph::IsDeviceInUse(const vd::DeviceInfo& device) const {
  // Two cards of one model share their name: only the back-end's own path tells them apart.
  return !videoDevice_.path.empty() && device.backend == videoDevice_.backend &&
         device.path == videoDevice_.path;
}

bool CaptureGraph::DeviceUsable(const vd::DeviceInfo& info) {
  if (!settings_.onlyCorvalenDevices) return true;
  // The driver-description list of the other platform is empty here, so only the product
  // property decides.
  std::unique_ptr<vd::CaptureDevice> device = devices_.Open(info);
  if (device == nullptr) return false;
  const vd::KsPropertySetPtr props(device->QueryPropertySet());
  if (props == nullptr) return false;
  uint32_t support = 0;
  return vd::Succeeded(props->QuerySupported(vd::kPropSetProduct, vd::kProductPropId, &support));
}

void CaptureGraph::ReadVideoDevices() {
  videoNames_.clear();
  videoUsable_.clear();
  videoInfos_ = devices_.VideoInputDevices();
  if (videoInfos_.size() > kMaxDevices) videoInfos_.resize(kMaxDevices);
  for (const vd::DeviceInfo& info : videoInfos_) {
    videoNames_.push_back(info.friendlyName.substr(0, kMaxName - 1));
    videoUsable_.push_back(DeviceUsable(info));
  }
}

void CaptureGraph::EnumerateDevices() {
  ReadVideoDevices();
  std::string preferred = store_.ReadVfwDriverName("");
  bool matched = false;
  videoIndex_ = -1;
  for (size_t i = 0; i < videoInfos_.size(); ++i) {
    const std::string& name = videoNames_[i];
    if (!videoUsable_[i]) continue;
    if (!preferred.empty() &&
        std::strncmp(name.c_str(), preferred.c_str(), kPreferredNameLength) == 0) {
      videoIndex_ = static_cast<int32_t>(i);
      matched = true;
    } else if (!matched) {
      videoIndex_ = static_cast<int32_t>(i);
    }
  }
  audioNames_.clear();
  audioInfos_ = devices_.AudioInputDevices();
  if (audioInfos_.size() > kMaxDevices) audioInfos_.resize(kMaxDevices);
  int32_t product = vd::setting::kDefaultAudioDevice;
  for (size_t i = 0; i < audioInfos_.size(); ++i) {
    audioNames_.push_back(audioInfos_[i].friendlyName.substr(0, kMaxName - 1));
    if (audioInfos_[i].friendlyName == vd::VirtualTvBox::kAudioName)
      product = static_cast<int32_t>(i);
  }
  settings_.ReadAudioDevice(store_, product);
  audioIndex_ = settings_.audioDevice;
}

bool CaptureGraph::ChooseDevices(int32_t videoIndex, int32_t audioIndex, bool startPreview) {
  if (videoIndex == videoIndex_ && audioIndex == audioIndex_ && video_ != nullptr) return true;
  videoIndex_ = videoIndex;
  audioIndex_ = audioIndex;
  settings_.audioDevice = audioIndex;
  const bool recording = lifecycle_.IsCapturing();
  StopAudioPreview();
  StopPreview(true);
  TearDownGraph();
  FreeCapFilters();
  bool ok = InitCapFilters();
  if (ok && startPreview) StartLive();
  // The teardown finished the recording: the window leaves its capture state.
  if (recording) host_.OnCaptureAborted();
  return ok;
}

void CaptureGraph::StartLive() {
  // A clip or a still keeps the video area, and its sound is not mixed with the live one: a
  // new device's live picture starts when the file is closed (ReturnToLive).
  if (FileShown()) return;
  // Sound plays in every mode; the video runs where there is a picture to show, or where
  // its graph is the only one that carries the card's sound.
  StartAudioPreview();
  bool soundOnlyInPreview = audioOnCaptureFilter_ && audioPreview_ == nullptr;
  if ((wantPreview_ || soundOnlyInPreview) && BuildPreviewGraph()) StartPreview();
}

bool CaptureGraph::ApplyWorkMode(vd::WorkMode mode) {
  if (mode == workMode_ && video_ != nullptr) return true;
  workMode_ = mode;
  const bool recording = lifecycle_.IsCapturing();
  StopAudioPreview();
  StopPreview(true);
  TearDownGraph();
  FreeCapFilters();
  bool ok = InitCapFilters();
  if (ok) StartLive();
  if (recording) host_.OnCaptureAborted();
  return ok;
}

bool CaptureGraph::ForceCaptureFormat() {
  vd::VideoFormat format;
  if (video_ == nullptr || vd::Failed(video_->GetVideoFormat(vd::PinKind::kCapture, &format)))
    return false;
  if (format.width == 320 && format.height == 240 && format.fourcc == vd::kFourccYuy2 &&
      format.bitCount == 16)
    return true;
  format.width = 320;
  format.height = 240;
  format.fourcc = vd::kFourccYuy2;
  format.bitCount = 16;
  return vd::Succeeded(video_->SetVideoFormat(vd::PinKind::kCapture, format));
}

// Pictures are painted by the video area from the frame sink: there is no overlay mixer.
bool CaptureGraph::CreateOverlayMixer() {
  return true;
}

int64_t CaptureGraph::ComputeFrameInterval() {
  int64_t interval = 0;
  if (video_ == nullptr) return 0;
  video_->MaxAvailableFrameInterval(vd::PinKind::kCapture, 320, 240, &interval);
  uint32_t standard = 0;
  video_->TvFormat(&standard);
  interval = std::max(interval, vd::standard::FrameIntervalOf(standard));
  if (captureInterval_ > interval) interval = captureInterval_;
  return interval;
}

void CaptureGraph::MatchPreviewPin() {
  if (!video_->HasPin(vd::PinKind::kPreview)) return;
  vd::VideoFormat capture;
  vd::VideoFormat preview;
  if (vd::Failed(video_->GetVideoFormat(vd::PinKind::kCapture, &capture)) ||
      vd::Failed(video_->GetVideoFormat(vd::PinKind::kPreview, &preview)))
    return;
  captureInterval_ = capture.frameInterval;
  preview.width = capture.width;
  preview.height = capture.height;
  preview.frameInterval = ComputeFrameInterval();
  video_->SetVideoFormat(vd::PinKind::kPreview, preview);
}

void CaptureGraph::CreateTunerControl() {
  tuner_.reset();
  vd::KsPropertySet* props = video_->QueryPropertySet();
  if (props == nullptr) return;
  if (workMode_ == vd::WorkMode::kRadio) {
    tuner_ = std::make_unique<RadioTunerControl>(props, tuning_);
    wantPreview_ = false;
  } else {
    tuner_ = std::make_unique<TvTunerControl>(props, tuning_);
    wantPreview_ = true;
  }
  if (!tuner_->Activate()) tuner_.reset();
}

bool CaptureGraph::OpenVideoDevice() {
  if (videoIndex_ < 0 || static_cast<size_t>(videoIndex_) >= videoInfos_.size()) {
    Fail("Error: Cannot create video capture filter");
    return false;
  }
  video_ = devices_.Open(videoInfos_[static_cast<size_t>(videoIndex_)]);
  if (video_ == nullptr) {
    Fail("Error: Cannot create video capture filter");
    return false;
  }
  videoDevice_ = videoInfos_[static_cast<size_t>(videoIndex_)];
  videoName_ = videoDevice_.friendlyName;
  video_->SetUnheardSnapshotHandler(stills_.UnheardHandler());
  return true;
}

void CaptureGraph::ApplyModeStandard() {
  if (workMode_ == vd::WorkMode::kTv) {
    rememberedFamily_ = DetectStandardFamily();
    SetVideoStandard(rememberedFamily_);
  } else if (workMode_ == vd::WorkMode::kSVideo) {
    SetVideoStandard(settings_.videoStandard0);
  } else if (workMode_ == vd::WorkMode::kComposite) {
    SetVideoStandard(settings_.videoStandard1);
  }
}

bool CaptureGraph::InitCapFilters() {
  if (!OpenVideoDevice()) return false;
  vd::VideoFormat format;
  vd::HResult hr = video_->GetVideoFormat(vd::PinKind::kCapture, &format);
  if (vd::Failed(hr)) {
    FailF("Error %x: Cannot find VCapture:IAMStreamConfig", static_cast<uint32_t>(hr));
  } else {
    ForceCaptureFormat();
    MatchPreviewPin();
  }

  if (video_->HasFacility(vd::DeviceFacility::kTvTuner)) {
    CreateTunerControl();
  } else if (!vd::IsExternalInput(workMode_)) {
    workMode_ = vd::WorkMode::kComposite;
    host_.OnWorkModeForced(vd::WorkMode::kComposite);
    wantPreview_ = true;
  } else {
    wantPreview_ = true;
  }
  ApplyModeStandard();

  int32_t outputs = 0;
  int32_t inputs = 0;
  crossbar_ = video_->HasPin(vd::PinKind::kAnalogVideoIn) &&
              video_->HasFacility(vd::DeviceFacility::kCrossbar) &&
              vd::Succeeded(video_->CrossbarPinCounts(&outputs, &inputs));
  RouteVideoInput(workMode_);
  RouteAudioInput(workMode_);
  CreateOverlayMixer();
  audioOnCaptureFilter_ = video_->HasPin(vd::PinKind::kAudioPreview);

  // The other platform primed the sound pins of the capture filter with a 50 ms throw-away
  // recording; the device layer's sources need no such warm-up.
  if (!audioOnCaptureFilter_) {
    if (audioIndex_ < 0 || static_cast<size_t>(audioIndex_) >= audioInfos_.size() ||
        (audio_ = devices_.Open(audioInfos_[static_cast<size_t>(audioIndex_)])) == nullptr) {
      Fail("Cannot create audio capture filter");
      settings_.captureAudio = false;
      return true;
    }
    audio_->SetAudioFormat(vd::PinKind::kAudioCapture, vd::AudioFormat{2, 16000, 16});
  }
  BuildAudioPreview();
  return true;
}

void CaptureGraph::BuildAudioPreview() {
  bool failed = false;
  // Its own pipeline, so that radio and recording have sound too.
  const vd::DeviceInfo& video = videoInfos_[static_cast<size_t>(videoIndex_)];
  audioPreview_ = vd::AudioPreview::Create(
      devices_,
      vd::AudioPreview::Candidates(audioInfos_, video, audioOnCaptureFilter_, audioIndex_), video,
      *video_, &failed);
  if (failed) Fail("Cannot Initialize audio preview filtergraph");
}

void CaptureGraph::StartAudioPreview() {
  if (audioPreview_ != nullptr && !audioPreview_->IsRunning()) audioPreview_->Start();
}

bool CaptureGraph::AudioPreviewRunning() const {
  return audioPreview_ != nullptr && audioPreview_->IsRunning();
}

void CaptureGraph::StopAudioPreview() {
  if (audioPreview_ != nullptr) audioPreview_->Stop();
}

void CaptureGraph::FreeCapFilters() {
  audioPreview_.reset();
  // The tuner control writes its channel file as it goes.
  tuner_.reset();
  access_.Close();
  audio_.reset();
  if (video_ != nullptr) video_->SetUnheardSnapshotHandler(nullptr);
  video_.reset();
  crossbar_ = false;
}

int32_t CaptureGraph::DetectStandardFamily() const {
  return vd::VideoStandards::DetectFamily(tuning_.Country());
}

bool CaptureGraph::SetVideoStandard(int32_t family) {
  if (video_ == nullptr) return false;
  uint32_t bits = vd::VideoStandards::StandardOf(family, tuning_.Country());
  return bits != 0 && vd::Succeeded(video_->SetTvFormat(bits));
}

void CaptureGraph::RouteVideoInput(vd::WorkMode mode) {
  if (!crossbar_) return;
  int32_t wanted = !vd::IsExternalInput(mode)      ? vd::physical::kVideoTuner
                   : mode == vd::WorkMode::kSVideo ? vd::physical::kVideoSVideo
                                                   : vd::physical::kVideoComposite;
  video_->Route(0, std::max(0, video_->CrossbarInputOf(wanted)));
}

void CaptureGraph::RouteAudioInput(vd::WorkMode mode) {
  if (!crossbar_) return;
  int32_t wanted =
      !vd::IsExternalInput(mode) ? vd::physical::kAudioTuner : vd::physical::kAudioLine;
  int32_t skip = mode == vd::WorkMode::kRadio ? 1 : 0;  // radio takes the second tuner input
  video_->Route(1, std::max(0, video_->CrossbarInputOf(wanted, skip)));
}

vd::Capabilities CaptureGraph::GetCapabilities() const {
  vd::Capabilities caps;
  caps.audio = audioIndex_ >= 0 && (audio_ != nullptr || audioOnCaptureFilter_);
  caps.video = video_ != nullptr;
  caps.still = stills_.Sink() != nullptr;
  caps.tuner = tuner_ != nullptr;
  caps.crossbar = crossbar_;
  return caps;
}

bool CaptureGraph::SignalPresent() {
  if (video_ == nullptr) return true;
  bool locked = false;
  if (vd::Failed(video_->HorizontalLocked(&locked))) return true;
  return locked;
}

bool CaptureGraph::PlayFile(const std::string& path) {
  if (player_ == nullptr || lifecycle_.IsCapturing()) return false;
  // The live picture goes on until the file is known to play, so that one which cannot
  // leaves it running. Only the live sound stops first: a sound card that cannot mix may
  // refuse the clip a second user.
  const bool sound = AudioPreviewRunning();
  StopAudioPreview();
  if (!player_->OpenAndShow(path)) {
    if (sound) StartAudioPreview();
    return false;
  }
  StopPreview(true);
  stillOnDisplay_ = false;
  TearDownGraph();
  // A live picture may have reached the video area after the clip's first one.
  player_->Seek(0);
  return true;
}

bool CaptureGraph::FileShown() const {
  return stillOnDisplay_ || (player_ != nullptr && player_->IsActive());
}

void CaptureGraph::StopPlayer() {
  if (player_ != nullptr && player_->IsActive()) player_->StopAndRewind(true);
}

bool CaptureGraph::GetVideoFormats(vd::PinKind pin, std::vector<vd::VideoFormat>* formats) {
  return video_ != nullptr && vd::Succeeded(video_->VideoFormatCaps(pin, formats));
}
