#include "vd/video/capture_graph.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "vd/nested_loop.h"
#include "vd/settings/settings_store.h"
#include "vd/trace.h"
#include "vd/tuning/tuning_context.h"
#include "vd/video/capture_pipeline.h"

VD_DEFINE_TRACE(TraceGraph, "video")

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
              } else if (self->router_.IsDeviceInUse(event.device)) {
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
      router_(
          devices_, store_, tuning_, settings_, host_,
          [this](const std::string& text) { Fail(text); }, stills_.UnheardHandler()),
      preview_(settings_, router_, [this](const std::string& text) { Fail(text); }),
      recorder_(settings_, host_, lifecycle_, router_,
                [this](const std::string& text) { Fail(text); }),
      self_(std::make_shared<CaptureGraph*>(this)) {
  gst_init(nullptr, nullptr);
}

CaptureGraph::~CaptureGraph() {
  watch_.reset();
  self_.reset();
  if (lifecycle_.IsCapturing()) EndRecording();
  preview_.StopAudio();
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

bool CaptureGraph::Init(vd::VideoFrameSink* video, vd::FilePlayerHost* playerHost) {
  video_sink_ = video;
  settings_ = vd::CaptureSettings::Load(store_, router_.RememberedFamily());
  if (video_sink_ != nullptr) video_sink_->SetKeepPictureAspect(settings_.keepPictureAspect);
  if (playerHost != nullptr) player_ = std::make_unique<FilePlayer>(video, playerHost);
  const std::string folder = tuning_.DataFolder();
  recorder_.File().Open(folder);
  stills_.Start(folder);

  router_.Enumerate();
  if (router_.VideoIndex() < 0) {
    Fail("Sorry, you have no video capture hardware");
    return false;
  }
  watch_ = std::make_unique<DeviceWatch>(devices_, self_);
  router_.SetWorkMode(tuning_.WorkMode());
  const int32_t chosen = router_.VideoIndex();
  const int32_t audio = router_.AudioIndex();
  router_.Select(-1, audio);  // so that ChooseDevices sees a change
  ChooseDevices(chosen, audio, false);
  if (router_.WorkMode() == vd::WorkMode::kRadio) router_.SetWantPreview(false);
  // The main window shows the live picture (or plays the radio) as soon as it opens.
  StartLive();
  return true;
}

bool CaptureGraph::ChooseDevices(int32_t videoIndex, int32_t audioIndex, bool startPreview) {
  if (videoIndex == router_.VideoIndex() && audioIndex == router_.AudioIndex() &&
      router_.Video() != nullptr)
    return true;
  router_.Select(videoIndex, audioIndex);
  settings_.audioDevice = audioIndex;
  return ReopenDevices(startPreview);
}

bool CaptureGraph::ChooseCardSound(int32_t audioIndex, bool startPreview) {
  if (!router_.Sound().Remember(audioIndex)) return false;
  return ReopenDevices(startPreview);
}

bool CaptureGraph::ReopenDevices(bool startPreview) {
  const bool recording = lifecycle_.IsCapturing();
  preview_.StopAudio();
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
  preview_.StartAudio();
  bool soundOnlyInPreview = router_.AudioOnCaptureFilter() && !preview_.HasAudio();
  if ((router_.WantPreview() || soundOnlyInPreview) && BuildPreviewGraph()) StartPreview();
}

bool CaptureGraph::ApplyWorkMode(vd::WorkMode mode) {
  if (mode == router_.WorkMode() && router_.Video() != nullptr) return true;
  router_.SetWorkMode(mode);
  const bool recording = lifecycle_.IsCapturing();
  preview_.StopAudio();
  StopPreview(true);
  TearDownGraph();
  FreeCapFilters();
  bool ok = InitCapFilters();
  if (ok) StartLive();
  if (recording) host_.OnCaptureAborted();
  return ok;
}

bool CaptureGraph::ForceCaptureFormat() {
  return router_.ForceCaptureFormat();
}

// Pictures are painted by the video area from the frame sink: there is no overlay mixer.
bool CaptureGraph::CreateOverlayMixer() {
  return true;
}

bool CaptureGraph::InitCapFilters() {
  bool sound = false;
  if (!router_.Open(&sound)) return false;
  CreateOverlayMixer();
  if (sound) preview_.BuildAudio();
  return true;
}

void CaptureGraph::FreeCapFilters() {
  preview_.ReleaseAudio();
  access_.Close();
  router_.Close();
}

bool CaptureGraph::SetVideoStandard(int32_t family) {
  return router_.SetVideoStandard(family);
}

vd::Capabilities CaptureGraph::GetCapabilities() const {
  vd::Capabilities caps;
  caps.audio = (router_.CardInUse() || router_.AudioIndex() >= 0) && router_.HasSound();
  caps.video = router_.Video() != nullptr;
  caps.still = stills_.Sink() != nullptr;
  caps.tuner = router_.Tuner() != nullptr;
  caps.crossbar = router_.HasCrossbar();
  return caps;
}

bool CaptureGraph::SignalPresent() {
  return router_.SignalPresent();
}

bool CaptureGraph::PlayFile(const std::string& path) {
  if (player_ == nullptr || lifecycle_.IsCapturing()) return false;
  // The live picture goes on until the file is known to play, so that one which cannot
  // leaves it running. Only the live sound stops first: a sound card that cannot mix may
  // refuse the clip a second user.
  const bool sound = preview_.AudioRunning();
  preview_.StopAudio();
  if (!player_->OpenAndShow(path)) {
    if (sound) preview_.StartAudio();
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
