// Random walks through the whole viewer: every step is one thing a user or the hardware does
// (keys, the panel, the remote through the box's bulk stream, recordings and their save
// dialogs, stills, the album's files, unplugs, lost signal, a restart), and after every step
// the invariants below are checked. A walk is drawn from a seed, so a failure can be run
// again; it is shrunk to the shortest walk that still fails the same way, printed, and written
// as a replay file.
//
//   VD_WALK_SEEDS=1,2,3   the seeds of the suite's run (default: three fixed ones)
//   VD_WALK_STEPS=N       steps per walk (default 50)
//   VD_SOAK_SECONDS=S     walk new seeds until S seconds have passed (`make soak`)
//   VD_WALK_REPLAY=FILE   run the walk in FILE (one "action argument" per line) instead
//   VD_WALK_OUT=FOLDER    where a failing walk's replay file goes (default: the temp folder)
//   VD_WALK_SHRINK_RUNS=N, VD_WALK_SHRINK_SECONDS=S   the shrink's budget (40 runs, 150 s)
//
// Each walk a failure was shrunk to is kept in tests/whole/walks/ and run by the suite.
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "album_prop_sheet.h"
#include "audio_sink.h"
#include "avi_mend.h"
#include "vd/albumui/album_frame.h"
#include "vd/layout/command_ids.h"
#include "vd/layout/panel_ids.h"
#include "vd/layout/panel_rules.h"
#include "vd/layout/work_modes.h"
#include "vd/mainwnd/viewer_album_host.h"
#include "vd/nested_loop.h"
#include "vd/panel/control_panel.h"
#include "vd/settings/reg_document.h"
#include "vd/tuning/channel_file.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/tuner_control.h"
#include "vd/virtual_tv_box.h"
#include "video_area.h"
#include "view_state_strip.h"
#include "whole_fixture.h"

namespace vdtest {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
namespace pid = vd::panel_id;
namespace rk = vd::remote_key;

struct Step {
  std::string action;
  uint32_t arg = 0;
};
using Walk = std::vector<Step>;

std::string Text(const Walk& walk) {
  std::ostringstream out;
  for (const Step& step : walk) out << step.action << ' ' << step.arg << '\n';
  return out.str();
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

size_t Entries(const char* folder) {
  std::error_code ec;
  size_t n = 0;
  for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
       it.increment(ec))
    ++n;
  return n;
}

// A step that never ends (a box nobody answers, a loop that never returns) would hold the
// walk until ctest's timeout and say nothing: past its limit the step is named and the
// process ends, so the seed printed before the walk and this line lead to the replay.
class StepWatchdog {
 public:
  explicit StepWatchdog(std::chrono::seconds limit) : limit_(limit), thread_([this] { Watch(); }) {}
  ~StepWatchdog() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  void Arm(std::string what) {
    std::lock_guard lock(mutex_);
    what_ = std::move(what);
    since_ = std::chrono::steady_clock::now();
    armed_ = true;
  }
  void Disarm() {
    std::lock_guard lock(mutex_);
    armed_ = false;
  }

 private:
  void Watch() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
      wake_.wait_for(lock, 1s);
      if (armed_ && std::chrono::steady_clock::now() - since_ > limit_) {
        std::fprintf(stderr, "walk: %s has not ended in %lld s: the walk hangs there\n",
                     what_.c_str(), static_cast<long long>(limit_.count()));
        std::abort();
      }
    }
  }

  const std::chrono::seconds limit_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::string what_;
  std::chrono::steady_clock::time_point since_;
  bool armed_ = false;
  bool stop_ = false;
  std::thread thread_;  // last: it starts once the rest is there
};

class WholeWalkTest : public WholeViewerTest {
 protected:
  struct Action {
    const char* name;
    int weight;
    void (WholeWalkTest::*run)(uint32_t arg);
  };
  static const std::vector<Action>& Actions();

  static Walk Generate(uint32_t seed, int steps) {
    std::mt19937 rng(seed);
    int total = 0;
    for (const Action& a : Actions()) total += a.weight;
    Walk walk;
    for (int i = 0; i < steps; ++i) {
      int pick = static_cast<int>(rng() % static_cast<uint32_t>(total));
      for (const Action& a : Actions()) {
        if ((pick -= a.weight) < 0) {
          walk.push_back({a.name, static_cast<uint32_t>(rng())});
          break;
        }
      }
    }
    return walk;
  }

  // One viewer on a fresh home through the whole walk: empty when every invariant held,
  // else "step N (action arg): what broke".
  std::string Run(const Walk& walk) {
    if (startAndCloseFds_ < 0) {
      const std::string warmUp = MeasureStartAndClose();
      if (!warmUp.empty()) return warmUp;
    }
    TearDown();
    SetUp();
    ForgetRemoteToggles();
    saves_ = 0;
    failure_.clear();
    files_.clear();
    replaceable_.clear();
    gone_.clear();
    signalLost_ = false;
    heldUnsaved_ = false;
    films_.clear();
    capturePath_.clear();
    DiskRoom(false);
    std::filesystem::create_directories(root_ / "junk");
    std::ofstream(root_ / "junk" / "damaged.avi") << "RIFF\x04\0\0\0AVI torn in the middle";
    vd::ViewerAlbumHost::SetSavePathFunction(
        [this](const vd::SaveDialogRequest& request) { return AnswerSave(request); });
    closedFds_ = Entries("/proc/self/fd");
    if (!StartViewer()) return "the viewer did not start";
    baseFds_ = Entries("/proc/self/fd");
    baseThreads_ = Entries("/proc/self/task");
    for (size_t i = 0; i < walk.size() && failure_.empty(); ++i) {
      const Step& step = walk[i];
      const Action* action = Find(step.action);
      if (action == nullptr) return "unknown action " + step.action;
      arg_ = step.arg;
      watchdog_.Arm("step " + std::to_string(i + 1) + " (" + step.action + " " +
                    std::to_string(step.arg) + ")");
      (this->*action->run)(step.arg);
      PumpFor(std::chrono::milliseconds(100 + step.arg % 200));
      if (std::getenv("VD_WALK_VERBOSE") != nullptr) Trace(i + 1, step);
      CheckInvariants();
      watchdog_.Disarm();
      if (!failure_.empty())
        failure_ = "step " + std::to_string(i + 1) + " (" + step.action + " " +
                   std::to_string(step.arg) + "): " + failure_;
    }
    if (failure_.empty()) CheckEnd();
    watchdog_.Arm("closing the viewer after the walk");
    StopViewer();
    watchdog_.Disarm();
    if (failure_.empty()) RecordingNotLostAfter(true);
    DiskRoom(false);
    if (failure_.empty()) CheckFilmsPlay();
    if (failure_.empty()) CheckNothingLeftOpen();
    vd::ViewerAlbumHost::SetSavePathFunction({});
    return failure_;
  }

  // Removes steps while the walk still fails the same way (the invariant's name), chunks
  // first, then single steps, within a budget of runs.
  Walk Shrink(Walk walk, const std::string& failure, int budget) {
    const std::string kind = KindOf(failure);
    // Nothing after the failing step is needed to reach it.
    if (failure.rfind("step ", 0) == 0) {
      const size_t failing = std::strtoul(failure.c_str() + 5, nullptr, 10);
      if (failing > 0 && failing < walk.size()) walk.resize(failing);
    }
    const auto deadline = std::chrono::steady_clock::now() + ShrinkSeconds();
    for (size_t chunk = walk.size() / 2; chunk >= 1 && budget > 0; chunk /= 2) {
      for (size_t at = 0; at + chunk <= walk.size() && budget > 0;) {
        Walk shorter = walk;
        shorter.erase(shorter.begin() + static_cast<std::ptrdiff_t>(at),
                      shorter.begin() + static_cast<std::ptrdiff_t>(at + chunk));
        if (std::chrono::steady_clock::now() > deadline) budget = 0;
        if (budget-- <= 0) break;
        const std::string again = Run(shorter);
        if (!again.empty() && KindOf(again) == kind) {
          walk = std::move(shorter);
        } else {
          at += chunk;
        }
      }
      if (chunk == 1) break;
    }
    return walk;
  }

  static std::string KindOf(const std::string& failure) {
    const size_t colon = failure.find("): ");
    const std::string rest = colon == std::string::npos ? failure : failure.substr(colon + 3);
    return rest.substr(0, rest.find(':'));
  }

  // Fails the test with the seed, the shrunk walk and its replay file.
  void Report(const std::string& origin, const Walk& walk, const std::string& failure) {
    const char* out = std::getenv("VD_WALK_OUT");
    const fs::path folder = out != nullptr ? fs::path(out) : fs::temp_directory_path();
    // Kept and said before the shrinking, which takes minutes: a run ended by a time limit
    // on the way still leaves the walk that failed.
    const fs::path whole = folder / ("viewdeck-walk-" + origin + "-unshrunk.txt");
    std::ofstream(whole) << Text(walk);
    std::printf("walk: %s: %s\nwalk: unshrunk: VD_WALK_REPLAY=%s\n", origin.c_str(),
                failure.c_str(), whole.c_str());
    std::fflush(stdout);
    const Walk shortest = Shrink(walk, failure, ShrinkBudget());
    const std::string last = Run(shortest);
    const fs::path replay = folder / ("viewdeck-walk-" + origin + ".txt");
    std::ofstream(replay) << Text(shortest);
    ADD_FAILURE() << origin << ": " << failure << "\nshrunk to " << shortest.size() << " of "
                  << walk.size() << " steps, which fail with: " << last << "\n"
                  << Text(shortest) << "replay: VD_WALK_REPLAY=" << replay.string();
  }

  static std::chrono::seconds ShrinkSeconds() {
    const char* env = std::getenv("VD_WALK_SHRINK_SECONDS");
    return std::chrono::seconds(env != nullptr ? std::atoi(env) : 150);
  }

  static int ShrinkBudget() {
    const char* env = std::getenv("VD_WALK_SHRINK_RUNS");
    return env != nullptr ? std::atoi(env) : 40;
  }

 private:
  void Trace(size_t number, const Step& step) {
    CaptureGraph* engine = window_ ? window_->Parts().Engine() : nullptr;
    std::printf("walk: %zu %s %u: pending %zu, view %d, mode %d%s%s%s%s\n", number,
                step.action.c_str(), step.arg, vd::CommandGate::Pending(),
                window_ ? static_cast<int>(window_->ViewState()) : -1,
                window_ ? vd::StoredNumber(window_->WorkModeValue()) : -1,
                engine && engine->Lifecycle().IsCapturing() ? ", recording" : "",
                engine && engine->Lifecycle().IsPreviewing() ? ", live graph" : "",
                engine && engine->Player()->IsActive() ? ", clip" : "",
                engine && engine->IsDeviceLost() ? ", device lost" : "");
  }

  static const Action* Find(const std::string& name) {
    for (const Action& a : Actions())
      if (name == a.name) return &a;
    return nullptr;
  }

  bool StartViewer() {
    if (!Launch()) return false;
    window_->SetMessageSink({});  // real boxes, answered by the walk
    answerer_ = std::make_unique<QTimer>();
    QObject::connect(answerer_.get(), &QTimer::timeout, [this] { AnswerModal(); });
    answerer_->start(60);
    return PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s);
  }

  // The answerer stays until the window is gone: a box the close itself raises (a station
  // list that cannot be stored) is answered as a user answers it.
  void StopViewer() {
    vd::VirtualTvBox::Shared()->Plug();
    vd::VirtualTvBox::Shared()->SetFaults({});
    signalLost_ = false;
    if (window_ != nullptr && window_->Parts().Engine() != nullptr)
      capturePath_ = window_->Parts().Engine()->File().Path();
    Close();
    answerer_.reset();
  }

  // --- what the walk does

  // A panel button as a user presses it: only one that is shown and enabled.
  void Click(int id) {
    QWidget* control = window_->Parts().Panel()->Controls().Control(id);
    if (control != nullptr && control->isVisible() && control->isEnabled())
      window_->Parts().Panel()->Press(id);
  }
  void ChannelStep(uint32_t arg) { Click(arg % 2 ? pid::kChannelUp : pid::kChannelDown); }
  void Digits(uint32_t arg) {
    if (arg % 5 == 0) Click(pid::kKeypad);
    Click(pid::kKey0 + static_cast<int>(arg % 10));
    if (arg % 3 == 0) Click(pid::kKey0 + static_cast<int>(arg / 10 % 10));
    if (arg % 4 != 0) Click(pid::kKeyEnter);
  }
  // The number of a channel the user knows a station on, typed on the keypad: a walk of
  // channel steps alone mostly meets snow, where a wrong tuning does not show.
  void Station(uint32_t arg) {
    CChannelTable* table = TunedTable();
    const auto box = vd::VirtualTvBox::Shared();
    if (table == nullptr || window_->WorkModeValue() != vd::WorkMode::kTv) return;
    std::vector<uint32_t> numbers;
    for (int32_t i = 0; i < table->Count(); ++i)
      if (box->Sky().TvStationAt(table->Get(i)->frequency))
        numbers.push_back(table->Get(i)->number);
    if (numbers.empty()) return;
    const QWidget* zero = window_->Parts().Panel()->Controls().Control(pid::kKey0);
    if (zero == nullptr || !zero->isVisible()) Click(pid::kKeypad);
    for (const char digit : std::to_string(numbers[arg % numbers.size()]))
      Click(pid::kKey0 + (digit - '0'));
    Click(pid::kKeyEnter);
  }
  void Remote(uint32_t arg) {
    static constexpr vd::RemoteKey kKeys[] = {rk::kChannelUp,
                                              rk::kChannelDown,
                                              rk::kTvRadio,
                                              rk::kVideoSource,
                                              rk::kMute,
                                              rk::kFineTuneUp,
                                              rk::kRecall,
                                              rk::kPanel,
                                              rk::kFmMemory,
                                              3,
                                              rk::kFineTuneDown,
                                              rk::kVolumeUp,
                                              rk::kVolumeDown,
                                              rk::kSoundMode,
                                              rk::kSnapshot,
                                              rk::kFullScreen,
                                              rk::kEnter,
                                              0,
                                              7};
    PressRemote(kKeys[arg % std::size(kKeys)], arg / 16 % 4 == 0);
  }
  void Input(uint32_t) { Click(pid::kInput); }
  void Mode(uint32_t arg) {
    static constexpr int kModes[] = {pid::kModeTv, pid::kModeTv, pid::kModeRadio,
                                     pid::kModeComposite, pid::kModeSVideo};
    Click(kModes[arg % std::size(kModes)]);
  }
  // The F key's command, with its refusals (radio, a running capture), as a user reaches it.
  void FullScreen(uint32_t) { window_->OnCommand(vd::command_id::kFullScreenKey); }
  void Escape(uint32_t) { window_->OnCommand(vd::command_id::kEscape); }
  // The strip beside the video, as a user clicks it: only while it is shown (not in radio or
  // full screen, where the panel's buttons do the same).
  void StripClick(int id) {
    QToolButton* button = window_->Parts().Strip()->Button(id);
    if (button->isVisible() && button->isEnabled()) button->click();
  }
  void Capture(uint32_t arg) {
    if (arg % 4 == 0)
      Click(pid::kCapture);
    else
      StripClick(ViewStateStrip::kCapture);
  }
  void Snapshot(uint32_t) { StripClick(ViewStateStrip::kSnapshot); }
  void StillButton(uint32_t) { vd::VirtualTvBox::Shared()->PressSnapshotButton(); }
  void Album(uint32_t) { window_->ToggleAlbumWindow(); }
  void OpenFilm(uint32_t arg) { OpenAlbumFile(".avi", arg, false); }
  void OpenPicture(uint32_t arg) { OpenAlbumFile(".bmp", arg, true); }
  void DamagedFilm(uint32_t) {
    window_->OpenAlbumFile((root_ / "junk" / "damaged.avi").string(), false);
  }
  vd::AlbumStore* Store() {
    CAlbumFrame* album = window_->Parts().AlbumWindow();
    return album != nullptr && album->Sheet() != nullptr ? &album->Sheet()->Store() : nullptr;
  }
  // A file of the current album, empty when it has none.
  std::string AlbumFileName(vd::AlbumStore& store, uint32_t arg) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(store.AlbumFolder(store.CurrentAlbum()), ec))
      if (entry.is_regular_file(ec)) names.push_back(entry.path().filename().string());
    if (names.empty()) return {};
    std::sort(names.begin(), names.end());
    return names[arg % names.size()];
  }
  void ForgetFolder(const fs::path& folder) {
    for (const auto& [file, was] : files_)
      if (file.parent_path() == folder) gone_.push_back(file);
  }
  void AlbumTab(uint32_t arg) {
    vd::AlbumStore* store = Store();
    if (store != nullptr && !store->Albums().empty())
      store->SetCurrent(arg % store->Albums().size());
  }
  // A file of the current album, marked as going, handed to `act`.
  void WithAlbumFile(uint32_t arg,
                     const std::function<void(vd::AlbumStore&, const std::string&)>& act) {
    vd::AlbumStore* store = Store();
    if (store == nullptr) return;
    const std::string name = AlbumFileName(*store, arg);
    if (name.empty()) return;
    gone_.push_back(store->AlbumFolder(store->CurrentAlbum()) / name);
    const size_t replaceable = replaceable_.size();
    answers_.clear();
    act(*store, name);
    // Said No: the file stays where it was and nothing is replaced, which the shadow
    // model then checks.
    if (std::any_of(answers_.begin(), answers_.end(),
                    [](const std::string& a) { return a == "No" || a == "Cancel"; })) {
      gone_.pop_back();
      replaceable_.resize(replaceable);
    }
  }
  void AlbumDeleteFile(uint32_t arg) {
    WithAlbumFile(arg, [](vd::AlbumStore& store, const std::string& name) {
      store.DeleteFiles(store.CurrentAlbum(), std::vector<std::string>{name});
    });
  }
  void AlbumRenameFile(uint32_t arg) {
    WithAlbumFile(arg, [arg](vd::AlbumStore& store, const std::string& name) {
      store.RenameFile(store.CurrentAlbum(), name, "renamed " + std::to_string(arg % 1000));
    });
  }
  void AlbumNew(uint32_t arg) {
    if (vd::AlbumStore* store = Store()) store->NewAlbum("Walk " + std::to_string(arg % 100));
  }
  void AlbumRename(uint32_t arg) {
    vd::AlbumStore* store = Store();
    if (store == nullptr || store->Albums().empty()) return;
    ExcusedUnlessRefused(store->AlbumFolder(store->CurrentAlbum()), [&] {
      store->RenameAlbum(store->CurrentAlbum(), "Renamed " + std::to_string(arg % 100));
    });
  }
  void AlbumDelete(uint32_t) {
    vd::AlbumStore* store = Store();
    if (store == nullptr || store->Albums().size() < 2) return;
    ExcusedUnlessRefused(store->AlbumFolder(store->CurrentAlbum()),
                         [&] { store->DeleteAlbum(store->CurrentAlbum()); });
  }
  // The files of an album the walk deletes or renames may go, unless the user said No or
  // Cancel to it: then every one of them must still be there.
  void ExcusedUnlessRefused(const fs::path& folder, const std::function<void()>& act) {
    const size_t excused = gone_.size();
    ForgetFolder(folder);
    answers_.clear();
    act();
    if (std::any_of(answers_.begin(), answers_.end(),
                    [](const std::string& a) { return a == "No" || a == "Cancel"; }))
      gone_.resize(excused);
  }
  void Pad(uint32_t arg) {
    static constexpr int kKeys[] = {pid::kPlay, pid::kPause,  pid::kStop,
                                    pid::kLive, pid::kRecord, pid::kCapture};
    Click(kKeys[arg % std::size(kKeys)]);
  }
  void Sound(uint32_t arg) {
    static constexpr int kKeys[] = {pid::kVolumeUp, pid::kVolumeDown, pid::kMute, pid::kUnmute};
    Click(kKeys[arg % std::size(kKeys)]);
  }
  void Unplug(uint32_t arg) {
    auto box = vd::VirtualTvBox::Shared();
    box->Unplug();
    PumpFor(std::chrono::milliseconds(200 + arg % 600));
    box->Plug();
    // The device comes back within seconds, as a user waits for it after plugging it in.
    CaptureGraph* engine = window_->Parts().Engine();
    if (!PumpUntil([&] { return engine != nullptr && !engine->IsDeviceLost(); }, 10s))
      failure_ = "replug: the device was not taken back within 10 s";
  }
  // The signal drops for a moment (an aerial knocked) or until the next signal step.
  void Signal(uint32_t arg) {
    signalLost_ = !signalLost_;
    vd::VirtualBoxFaults faults;
    faults.signalLoss = signalLost_;
    vd::VirtualTvBox::Shared()->SetFaults(faults);
    if (signalLost_ && arg % 3 != 0) {
      PumpFor(std::chrono::milliseconds(300 + arg % 1500));
      Signal(0);
    }
  }
  // The settings sheet, where the answerer changes a few controls on random pages (boxes,
  // lists, numbers, names, the page's own buttons such as the channel search and its Cancel)
  // before it answers OK or Cancel.
  void Sheet(uint32_t arg) {
    sheetChanges_ = static_cast<int>(arg % 6);
    window_->OnCommand(vd::command_id::kSettings);
    sheetChanges_ = 0;
  }
  // The panel's Power: the viewer ends (after its questions, which may keep it open) and the
  // user starts it again.
  void Power(uint32_t) {
    const Kept before = Keep();
    Click(pid::kPower);
    // In radio the main window is hidden already: the viewer has ended once it says so.
    if (!PumpUntil([&] { return Closed(); }, 5s)) return;
    StopViewer();
    if (!StartViewer()) {
      failure_ = "power: the viewer did not start again";
      return;
    }
    ComeBackAsClosed(before, "power");
  }
  // The disk under the album fills, or gets room again. A full disk is a file-size limit on
  // the process, with SIGXFSZ ignored, so writes past it fail as they would on a full disk.
  void FullDisk(uint32_t arg) { DiskRoom(!diskFull_, arg % 2 ? 256 * 1024 : 4 * 1024 * 1024); }
  void DiskRoom(bool full, rlim_t bytes = RLIM_INFINITY) {
    static const rlimit kStart = [] {
      rlimit r{};
      ::getrlimit(RLIMIT_FSIZE, &r);
      return r;
    }();
    rlimit limit = kStart;
    if (full) limit.rlim_cur = std::min(bytes, kStart.rlim_max);
    ::signal(SIGXFSZ, full ? SIG_IGN : SIG_DFL);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    diskFull_ = full;
  }
  // A file dragged onto another album's tab.
  void AlbumMoveFile(uint32_t arg) {
    vd::AlbumStore* store = Store();
    if (store == nullptr || store->Albums().size() < 2) return;
    const std::string to = store->Albums()[arg / 3 % store->Albums().size()];
    WithAlbumFile(arg, [this, &to](vd::AlbumStore& store, const std::string& name) {
      // A file of that name there is replaced only once the user says yes to it.
      replaceable_.push_back(store.AlbumFolder(to) / name);
      store.MoveFileToAlbum(store.AlbumFolder(store.CurrentAlbum()) / name, to);
    });
  }
  void Teletext(uint32_t) { window_->OnCommand(vd::command_id::kTeletext); }
  void Restart(uint32_t) {
    const Kept before = Keep();
    StopViewer();
    if (!StartViewer()) {
      failure_ = "restart: the viewer did not start again";
      return;
    }
    ComeBackAsClosed(before, "restart");
  }

  // What a viewer closed in this state shows when it starts again.
  struct Kept {
    int mode = 0;
    int32_t station = -1;  // in TV only: radio comes back as TV
    int32_t albumPage = 0;
    int32_t mute = 0;
    int32_t tileMode = 0;
  };
  Kept Keep() {
    Kept k;
    const vd::MainSettings& s = window_->Settings();
    k.mode = vd::StoredNumber(s.workMode == vd::WorkMode::kRadio ? vd::WorkMode::kTv : s.workMode);
    if (s.workMode == vd::WorkMode::kTv && window_->Parts().Engine() != nullptr &&
        window_->Parts().Engine()->Tuner() != nullptr)
      k.station = Table()->Current();
    // The album window keeps its page while it lives and hands it over when it goes.
    CAlbumFrame* album = window_->Parts().AlbumWindow();
    k.albumPage = album != nullptr && album->Sheet() != nullptr
                      ? std::max(album->Sheet()->currentIndex(), 0)
                      : s.albumPageNum;
    // The mixer holds the mute while the viewer runs; the panel shows it.
    k.mute = window_->Parts().Panel() != nullptr ? window_->Parts().Panel()->state().muted : s.mute;
    k.tileMode = s.tileMode;
    return k;
  }
  // The station, mode, album page, mute and tiling come back as they were: else the user
  // finds the viewer somewhere else than where it was left.
  void ComeBackAsClosed(const Kept& before, const std::string& how) {
    const Kept after = Keep();
    auto differs = [&](const char* what, int32_t was, int32_t now) {
      if (failure_.empty() && was != now)
        failure_ = how + ": the " + what + " came back as " + std::to_string(now) + ", it was " +
                   std::to_string(was);
    };
    differs("mode", before.mode, after.mode);
    if (before.station >= 0 && after.mode == 3) differs("station", before.station, after.station);
    differs("album page", before.albumPage, after.albumPage);
    differs("mute", before.mute, after.mute);
    differs("tile mode", before.tileMode, after.tileMode);
  }

  // The settings file lost between two runs (deleted, or damaged past reading): the viewer
  // starts afresh, with the files of the earlier runs still in its albums.
  void SettingsLost(uint32_t) {
    StopViewer();
    store_.reset();
    std::error_code ec;
    fs::remove(root_ / "config" / "Corvalen" / "viewdeck.reg", ec);
    store_ = ReopenStore();
    Preset("AutoScan", 0);
    if (!StartViewer()) failure_ = "settings lost: the viewer did not start again";
  }

  void OpenAlbumFile(const std::string& extension, uint32_t arg, bool picture) {
    std::vector<fs::path> files = AlbumFiles(extension);
    if (files.empty()) return;
    std::sort(files.begin(), files.end());
    window_->OpenAlbumFile(files[arg % files.size()].string(), picture);
  }

  // The save dialog: a new name, Cancel, a file already there (the user agreed to replace
  // it), or a folder that cannot be written.
  std::optional<fs::path> AnswerSave(const vd::SaveDialogRequest& request) {
    switch (arg_ / 7 % 4) {
      case 0:
        return request.folder / ("walk" + std::to_string(++saves_) + request.defaultExtension);
      case 1:
        return std::nullopt;
      case 2: {
        std::vector<fs::path> there = AlbumFiles(request.defaultExtension);
        if (there.empty()) return std::nullopt;
        std::sort(there.begin(), there.end());
        const fs::path chosen = there[arg_ % there.size()];
        replaceable_.push_back(chosen);
        return chosen;
      }
      default:
        return root_ / "junk" / "damaged.avi" / ("no" + request.defaultExtension);
    }
  }

  // Every modal window is answered with one of its own buttons: a user has no other way.
  void AnswerModal() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    if (modal != lastModal_) {
      lastModal_ = modal;
      tries_ = 0;
    }
    if (sheetChanges_ > 0 && modal->findChild<QTabWidget*>() != nullptr) {
      --sheetChanges_;
      ChangeSomething(modal);
      return;
    }
    std::vector<QAbstractButton*> buttons;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      for (QAbstractButton* b : box->buttons()) buttons.push_back(b);
    } else {
      for (auto* bar : modal->findChildren<QDialogButtonBox*>())
        for (QAbstractButton* b : bar->buttons()) buttons.push_back(b);
      for (auto* b : modal->findChildren<QPushButton*>()) {
        const QString t = b->text().remove('&');
        if (t == "OK" || t == "Cancel" || t == "Close" || t == "Yes" || t == "No")
          buttons.push_back(b);
      }
    }
    std::erase_if(buttons, [](QAbstractButton* b) { return !b->isVisible() || !b->isEnabled(); });
    if (buttons.empty()) {
      if (failure_.empty())
        failure_ = "a dialog without a way to close it: " + modal->windowTitle().toStdString();
      modal->close();
      return;
    }
    // A button that leaves the dialog open (an Open with no file chosen) is followed by
    // the next one, as a user tries another.
    if (++tries_ > 100) {
      if (failure_.empty())
        failure_ =
            "a dialog that none of its buttons closes: " + modal->windowTitle().toStdString();
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      modal->close();
      return;
    }
    Later(buttons[(arg_ + static_cast<uint32_t>(tries_ - 1)) % buttons.size()],
          [this](QAbstractButton* b) {
            answers_.push_back(b->text().remove('&').toStdString());
            b->click();
          });
  }

  // What the answerer does runs from an event of its own: a dialog it opens runs a loop,
  // and the answerer's timer does not fire again while its own handler waits in it.
  // A station's settle wait holds back the user's input (its loop excludes it); a click
  // made from a timer is not input, so it waits for the settle itself.
  template <typename W, typename F>
  void Later(W* widget, F act) {
    QTimer::singleShot(0, widget, [this, widget, act = std::move(act)]() mutable {
      if (window_ != nullptr && window_->InTuningWait())
        Later(widget, std::move(act));
      else
        act(widget);
    });
  }

  // One change a user makes on a random page of a dialog with tabs.
  void ChangeSomething(QWidget* dialog) {
    std::mt19937 rng(arg_ + static_cast<uint32_t>(sheetChanges_) * 7919u);
    // A running channel search is sometimes cancelled from its progress window.
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->isVisible() && top->windowTitle() == "Scanning" && rng() % 2 == 0) {
        for (auto* b : top->findChildren<QPushButton*>())
          if (b->text().remove('&') == "Cancel" && b->isEnabled())
            Later(b, [](QPushButton* b) { b->click(); });
      }
    }
    auto* tabs = dialog->findChild<QTabWidget*>();
    if (tabs->count() == 0) return;
    tabs->setCurrentIndex(static_cast<int>(rng() % static_cast<uint32_t>(tabs->count())));
    std::vector<QWidget*> controls;
    for (QWidget* w : tabs->currentWidget()->findChildren<QWidget*>()) {
      if (!w->isVisible() || !w->isEnabled() || qobject_cast<QScrollBar*>(w) != nullptr) continue;
      const bool inner = qobject_cast<QAbstractSpinBox*>(w->parentWidget()) != nullptr ||
                         qobject_cast<QComboBox*>(w->parentWidget()) != nullptr;
      if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
          qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QAbstractSlider*>(w) ||
          (qobject_cast<QLineEdit*>(w) && !inner))
        controls.push_back(w);
    }
    if (controls.empty()) return;
    QWidget* w = controls[rng() % controls.size()];
    if (verbose_) {
      auto* b = qobject_cast<QAbstractButton*>(w);
      std::printf("walk:   change %s '%s' on page %d\n", w->metaObject()->className(),
                  b != nullptr ? b->text().toStdString().c_str() : "", tabs->currentIndex());
    }
    const uint32_t pick = rng();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      Later(b, [](QAbstractButton* b) { b->click(); });
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      Later(c, [pick](QComboBox* c) {
        if (c->count() == 0) return;
        const int i = static_cast<int>(pick % static_cast<uint32_t>(c->count()));
        c->setCurrentIndex(i);
        emit c->activated(i);
      });
    } else if (auto* n = qobject_cast<QSpinBox*>(w)) {
      Later(n, [pick](QSpinBox* n) {
        n->setValue(
            n->minimum() +
            static_cast<int>(pick % (static_cast<uint32_t>(n->maximum() - n->minimum()) + 1)));
        emit n->editingFinished();
      });
    } else if (auto* d = qobject_cast<QDoubleSpinBox*>(w)) {
      Later(d, [pick](QDoubleSpinBox* d) {
        d->setValue(d->minimum() + (d->maximum() - d->minimum()) * (pick % 101) / 100.0);
        emit d->editingFinished();
      });
    } else if (auto* sl = qobject_cast<QAbstractSlider*>(w)) {
      Later(sl, [pick](QAbstractSlider* sl) {
        sl->setValue(
            sl->minimum() +
            static_cast<int>(pick % (static_cast<uint32_t>(sl->maximum() - sl->minimum()) + 1)));
      });
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
      // Names only: a path typed at random is a folder the user does not have.
      Later(e, [pick](QLineEdit* e) {
        if (e->text().contains('/') || e->isReadOnly()) return;
        static const char* kNames[] = {"Image", "Walk", "Still 2", ""};
        e->setText(QString::fromUtf8(kNames[pick % std::size(kNames)]));
        emit e->textEdited(e->text());
        emit e->editingFinished();
      });
    }
  }

  // --- invariants, after every step

  void CheckInvariants() {
    if (!failure_.empty()) return;
    if (QApplication::activeModalWidget() != nullptr) PumpFor(500ms);
    // A dialog left open after the step: the window waits for an answer nobody gives.
    if (QApplication::activeModalWidget() != nullptr) {
      failure_ =
          "a dialog stayed open: " + QApplication::activeModalWidget()->windowTitle().toStdString();
      return;
    }
    for (auto check : {&WholeWalkTest::NoLoopLeftBehind, &WholeWalkTest::CaptureStateAgrees,
                       &WholeWalkTest::PanelAndStripAgree, &WholeWalkTest::StoredFilesParse,
                       &WholeWalkTest::SoundWhereTheWindowSays, &WholeWalkTest::LiveMeansPictures,
                       &WholeWalkTest::LiveShowsTheStation, &WholeWalkTest::NoFileLostOrReplaced,
                       &WholeWalkTest::RecordingNotLost, &WholeWalkTest::StillsInAnAlbum}) {
      (this->*check)();
      if (!failure_.empty()) return;
    }
  }

  // The window's state and the engine's stage agree: otherwise the lamps blink over a
  // recording that has ended, or a recording runs with the window saying live.
  void CaptureStateAgrees() {
    CaptureGraph* engine = window_->Parts().Engine();
    if (engine == nullptr) return;
    const bool recording = window_->ViewState() == vd::ViewState::kCapturing;
    if (recording != engine->Lifecycle().IsCapturing())
      failure_ = std::string("capture state: the window is ") +
                 (recording ? "recording" : "not recording") + ", the engine is " +
                 (engine->Lifecycle().IsCapturing() ? "recording" : "not");
  }

  // After the step no nested loop runs and no posted command waits for one to end: else a
  // command the user gave is never carried out, or runs much later under another state.
  void NoLoopLeftBehind() {
    PumpUntil([] { return vd::CommandGate::Pending() == 0; }, 3s);
    if (vd::NestedLoop::Active())
      failure_ = "a nested event loop outlived its step";
    else if (vd::CommandGate::Pending() != 0)
      failure_ = std::to_string(vd::CommandGate::Pending()) +
                 " posted commands still wait for a nested loop that has ended";
  }

  // The panel and the strip beside the video show the window's state: else the panel offers
  // Play over live TV, or the strip's Capture button says Capture while it would stop.
  void PanelAndStripAgree() {
    CControlPanel* panel = window_->Parts().Panel();
    const vd::ViewState view = window_->ViewState();
    // Every change the window made is one the view-state table allows: a refused one left the
    // window in a state its own code had already left.
    if (window_->RefusedViewStateChanges() != 0) {
      failure_ = "view state: the window made " +
                 std::to_string(window_->RefusedViewStateChanges()) +
                 " change(s) the table refuses (now " + vd::NameOf(view) + ")";
      return;
    }
    if (panel != nullptr && panel->state().viewState != view) {
      failure_ = std::string("panel and window: the panel shows view state ") +
                 vd::NameOf(panel->state().viewState) + ", the window " + vd::NameOf(view);
      return;
    }
    if (panel != nullptr && panel->state().workMode != window_->WorkModeValue()) {
      failure_ = "panel and window: the panel shows mode " +
                 std::to_string(vd::StoredNumber(panel->state().workMode)) + ", the window " +
                 std::to_string(vd::StoredNumber(window_->WorkModeValue()));
      return;
    }
    // The buttons and lamps themselves, as the panel's rules give them for its state.
    if (panel != nullptr && panel->isVisible()) {
      for (const auto& [id, rule] : vd::ComputeControlStates(panel->state())) {
        QWidget* control = panel->Controls().Control(id);
        // The record lamp blinks while recording: shown or not, either is right then.
        if (control == nullptr ||
            (id == pid::kIndicatorRecord && view == vd::ViewState::kCapturing))
          continue;
        if (control->isVisibleTo(panel) != rule.visible ||
            (rule.visible && control->isEnabled() != rule.enabled)) {
          failure_ = "panel control " + std::to_string(id) + " is " +
                     (control->isVisibleTo(panel) ? "shown" : "hidden") + " and " +
                     (control->isEnabled() ? "enabled" : "disabled") + " in view state " +
                     vd::NameOf(view) + ", its rule says " + (rule.visible ? "shown" : "hidden") +
                     " and " + (rule.enabled ? "enabled" : "disabled");
          return;
        }
      }
    }
    const bool stop =
        window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->toolTip() == "Stop";
    if (stop != !vd::IsLive(view))
      failure_ = std::string("strip and window: the Capture button says ") +
                 (stop ? "Stop" : "Capture") + " in view state " + vd::NameOf(view);
    else if (!vd::IsLive(view) &&
             window_->Parts().Strip()->Button(ViewStateStrip::kSnapshot)->isEnabled())
      failure_ =
          std::string("strip and window: Snapshot is offered in view state ") + vd::NameOf(view);
  }

  // The settings file and the station files parse whole after every step (a full disk, a
  // kill, a restart included): else the next start loses the user's settings or stations.
  void StoredFilesParse() {
    const fs::path settings = root_ / "config" / "Corvalen" / "viewdeck.reg";
    std::error_code ec;
    if (fs::exists(settings, ec)) {
      const vd::RegDocument doc = vd::LoadRegFile(settings);
      if (doc.DamagedLines() != 0) {
        failure_ = "the settings file has " + std::to_string(doc.DamagedLines()) + " damaged lines";
        return;
      }
    }
    for (auto it = fs::recursive_directory_iterator(root_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (name != "TV.CFG" && name != "FM.CFG") continue;
      const std::string bytes = Slurp(it->path());
      const auto contents = CChannelFileDecode(bytes, name == "FM.CFG");
      if (contents.damage) {
        failure_ = "the station file " + it->path().string() + " is damaged: " + *contents.damage;
        return;
      }
    }
  }
  static vd::ChannelFileContents CChannelFileDecode(const std::string& bytes, bool radio) {
    return vd::ChannelFile::Decode(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
        radio);
  }

  // Sound plays only where the window says it does: live sound under a clip or a still, or a
  // clip heard behind the live picture, is sound the user cannot place or stop. Heard at the
  // stand-in sound output over a moment after the step.
  void SoundWhereTheWindowSays() {
    using vd::AudioSinkClock;
    const uint64_t live = vd::FakeSoundBuffers(AudioSinkClock::kLive);
    const uint64_t clip = vd::FakeSoundBuffers(AudioSinkClock::kKeepTime);
    const vd::ViewState view = window_->ViewState();
    CaptureGraph* engine = window_->Parts().Engine();
    if (engine != nullptr && engine->Preview().AudioRunning() && view != vd::ViewState::kLive &&
        view != vd::ViewState::kCapturing) {
      failure_ =
          std::string("live sound runs while the window shows view state ") + vd::NameOf(view);
      return;
    }
    PumpFor(300ms);
    if (vd::FakeSoundBuffers(AudioSinkClock::kLive) != live && view != vd::ViewState::kLive &&
        view != vd::ViewState::kCapturing)
      failure_ =
          std::string("live sound heard while the window shows view state ") + vd::NameOf(view);
    else if (vd::FakeSoundBuffers(AudioSinkClock::kKeepTime) != clip &&
             view != vd::ViewState::kClipOpen)
      failure_ = std::string("a clip heard while the window shows view state ") + vd::NameOf(view);
  }

  // Stills land in an album: one outside every album is a picture the user never finds.
  void StillsInAnAlbum() {
    vd::AlbumStore* store = Store();
    if (store == nullptr) return;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root_ / "data", ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (it->path().extension() != ".bmp") continue;
      const fs::path folder = it->path().parent_path();
      if (folder.parent_path() != store->BasePath() ||
          !store->IndexOf(folder.filename().string())) {
        failure_ = "a still outside every album: " + it->path().string();
        return;
      }
    }
  }

  // When the window says live on a video input, pictures arrive: else the user looks at a
  // frozen picture.
  void LiveMeansPictures() {
    CaptureGraph* engine = window_->Parts().Engine();
    const vd::WorkMode mode = window_->WorkModeValue();
    if (engine == nullptr || window_->ViewState() != vd::ViewState::kLive ||
        mode == vd::WorkMode::kRadio || signalLost_ || engine->IsDeviceLost() ||
        !vd::VirtualTvBox::Shared()->IsPlugged())
      return;
    const int frames = window_->Parts().Video()->FrameCount();
    if (!PumpUntil([&] { return window_->Parts().Video()->FrameCount() > frames; }, 5s))
      failure_ = "frozen live picture: no picture in 5 s while the window shows live (mode " +
                 std::to_string(vd::StoredNumber(mode)) + ", engine " +
                 (engine->Lifecycle().IsPreviewing() ? "previewing" : "not previewing") +
                 (engine->Lifecycle().HasPreviewGraph() ? ", with" : ", without") +
                 " its live graph" + (engine->Player()->IsActive() ? ", a clip open" : "") +
                 (engine->StillOnDisplay() ? ", a still shown" : "") + ")";
  }

  // Live TV shows the station the window is on: the box writes the station it receives into
  // its picture's caption. Else the user reads one channel and watches another.
  void LiveShowsTheStation() {
    CaptureGraph* engine = window_->Parts().Engine();
    const auto box = vd::VirtualTvBox::Shared();
    CChannelTable* table = TunedTable();
    if (engine == nullptr || table == nullptr || window_->ViewState() != vd::ViewState::kLive ||
        window_->WorkModeValue() != vd::WorkMode::kTv || signalLost_ || engine->IsDeviceLost() ||
        !box->IsPlugged())
      return;
    const CChannel* channel = table->Get(table->Current());
    if (channel == nullptr) return;  // between the table's channels: nothing is named
    const auto station = box->Sky().TvStationAt(channel->frequency);
    const std::string named = station ? station->name : "";
    // A retune settles for a moment (snow, no caption) before the station shows.
    if (!PumpUntil([&] { return box->Caption() == named; }, 3s))
      failure_ = "wrong station: the window is on " + channel->Name() + " (" +
                 std::to_string(channel->frequency) + " Hz, \"" + named +
                 "\"), the picture's caption says \"" + box->Caption() + "\"";
  }

  // No album file is replaced, cut or lost unless the walk asked for it (a save over it).
  void NoFileLostOrReplaced() {
    std::map<fs::path, std::pair<uintmax_t, ino_t>> now;
    for (const char* ext : {".avi", ".bmp"}) {
      for (const fs::path& file : AlbumFiles(ext)) {
        struct stat st {};
        if (::stat(file.c_str(), &st) == 0)
          now[file] = {static_cast<uintmax_t>(st.st_size), st.st_ino};
      }
    }
    for (const auto& [file, was] : files_) {
      if (std::find(replaceable_.begin(), replaceable_.end(), file) != replaceable_.end() ||
          std::find(gone_.begin(), gone_.end(), file) != gone_.end())
        continue;
      auto it = now.find(file);
      if (it == now.end()) {
        failure_ = "file lost: " + file.string();
      } else if (it->second.second != was.second || it->second.first < was.first) {
        failure_ = "file replaced or cut: " + file.string() + " (" + std::to_string(was.first) +
                   " bytes, now " + std::to_string(it->second.first) + ")";
      }
      if (!failure_.empty()) return;
    }
    replaceable_.clear();
    gone_.clear();
    files_ = std::move(now);
  }

  // Every film under the data folder but the capture file, by name and inode: the album's
  // and those kept beside the capture file.
  std::set<std::pair<fs::path, ino_t>> Films() const {
    std::set<std::pair<fs::path, ino_t>> films;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root_ / "data", ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
      struct stat st {};
      if (it->path().extension() == ".avi" && it->path() != capturePath_ &&
          ::stat(it->path().c_str(), &st) == 0 && S_ISREG(st.st_mode))
        films.insert({it->path(), st.st_ino});
    }
    return films;
  }
  // A recording the engine held unsaved is a film somewhere once it is no longer held:
  // saved, kept in the album or beside the capture file. Else the user's film went without
  // a word. `closed`: the viewer has just closed, which keeps what it held.
  void RecordingNotLost() { RecordingNotLostAfter(false); }
  void RecordingNotLostAfter(bool closed) {
    CaptureGraph* engine = closed || window_ == nullptr ? nullptr : window_->Parts().Engine();
    if (engine != nullptr) capturePath_ = engine->File().Path();
    if (!closed && engine == nullptr) return;
    const bool held = engine != nullptr && engine->File().HasUnsavedCapture();
    // A film found to hold only sound when it was kept is no film.
    const bool soundOnly = engine != nullptr && engine->File().FramesRecorded() == 0;
    auto films = Films();
    if (heldUnsaved_ && !held && !soundOnly &&
        std::all_of(films.begin(), films.end(), [&](const auto& f) { return films_.count(f); }))
      failure_ = "recording lost: the unsaved recording is neither saved nor kept as a film";
    heldUnsaved_ = held;
    films_ = std::move(films);
  }

  // Over the walk, descriptors and threads stay bounded: else a long session runs out.
  void CheckEnd() {
    PumpFor(1s);
    const size_t fds = Entries("/proc/self/fd");
    const size_t threads = Entries("/proc/self/task");
    if (fds > baseFds_ + 24)
      failure_ = "descriptors grew: " + std::to_string(baseFds_) + " to " + std::to_string(fds);
    else if (threads > baseThreads_ + 16)
      failure_ = "threads grew: " + std::to_string(baseThreads_) + " to " + std::to_string(threads);
  }

  // After the viewer closed, every film it left (in the albums or kept beside the capture
  // file) is an indexed AVI with pictures.
  void CheckFilmsPlay() {
    for (const auto& [file, inode] : Films()) {
      const std::string data = Slurp(file);
      const size_t avih = data.find("avih");
      uint32_t frames = 0;
      if (avih != std::string::npos && avih + 28 <= data.size())
        std::memcpy(&frames, data.data() + avih + 8 + 16, 4);
      const bool whole = vd::AviMend::IsWhole(file.string());
      if (!whole || frames == 0) {
        failure_ = "film without index or pictures: " + file.string() + " (" +
                   std::to_string(data.size()) + " bytes, " + std::to_string(frames) + " pictures" +
                   (whole ? ")" : ", not whole)");
        return;
      }
    }
  }

  // The tuner's channel table, when there is a tuner: it goes with the device.
  CChannelTable* TunedTable() const {
    CaptureGraph* engine = window_ != nullptr ? window_->Parts().Engine() : nullptr;
    return engine != nullptr && engine->Tuner() != nullptr ? engine->Tuner()->Table() : nullptr;
  }

  // The descriptors a closed viewer leaves, once its pipelines' threads have let go of theirs.
  size_t SettledFds() {
    size_t fds = Entries("/proc/self/fd");
    for (int i = 0; i < 20; ++i) {
      PumpFor(100ms);
      const size_t now = Entries("/proc/self/fd");
      if (now == fds) break;
      fds = now;
    }
    return fds;
  }

  // What a start and a close of the viewer leave open by themselves (a descriptor the
  // fixture holds until it is torn down), on a fresh home, once libraries have opened what
  // they keep for the process. Three rounds: what the third start adds over the second is a
  // leak of every start, which a walk's own measure would take as the norm.
  std::string MeasureStartAndClose() {
    size_t before[3] = {};
    for (int i = 0; i < 3; ++i) {
      TearDown();
      SetUp();
      before[i] = Entries("/proc/self/fd");
      if (!StartViewer()) return "the viewer did not start";
      StopViewer();
      startAndCloseFds_ = std::max(0, static_cast<int>(SettledFds()) - static_cast<int>(before[i]));
    }
    if (before[2] > before[1])
      return "descriptors left open: every start and close of the viewer leaves " +
             std::to_string(before[2] - before[1]) + " open";
    return {};
  }
  // Once the viewer has closed, what the walk opened is closed too: else a session that
  // starts and stops the viewer, replugs the box or records again and again runs out of
  // descriptors. Threads are held to the first walk's close in the process, with room for
  // GStreamer's pools: a thread left by each replug shows after a few walks.
  void CheckNothingLeftOpen() {
    const int fds = static_cast<int>(SettledFds()) - static_cast<int>(closedFds_);
    static const size_t firstThreads = Entries("/proc/self/task");
    const size_t threads = Entries("/proc/self/task");
    if (fds > startAndCloseFds_)
      failure_ = "descriptors left open: " + std::to_string(fds) +
                 " more after the viewer closed than before it started (a start and a close" +
                 " alone leave " + std::to_string(startAndCloseFds_) + ")";
    else if (threads > firstThreads + 8)
      failure_ = "threads left running: " + std::to_string(firstThreads) +
                 " after the first walk's close in this process, " + std::to_string(threads) +
                 " after this one's";
  }

  std::unique_ptr<QTimer> answerer_;
  QWidget* lastModal_ = nullptr;
  int tries_ = 0;
  int sheetChanges_ = 0;
  bool diskFull_ = false;
  const bool verbose_ = std::getenv("VD_WALK_VERBOSE") != nullptr;
  std::string failure_;
  uint32_t arg_ = 0;
  bool signalLost_ = false;
  std::map<fs::path, std::pair<uintmax_t, ino_t>> files_;
  std::vector<fs::path> replaceable_;
  std::vector<fs::path> gone_;  // deleted or renamed by the walk
  StepWatchdog watchdog_{std::chrono::seconds(240)};
  std::vector<std::string> answers_;  // the buttons the answerer clicked during one act
  bool heldUnsaved_ = false;
  std::set<std::pair<fs::path, ino_t>> films_;
  fs::path capturePath_;
  size_t baseFds_ = 0;
  size_t closedFds_ = 0;
  int saves_ = 0;  // names of new files the save dialog was given
  static inline int startAndCloseFds_ = -1;
  size_t baseThreads_ = 0;
};

const std::vector<WholeWalkTest::Action>& WholeWalkTest::Actions() {
  static const std::vector<Action> kActions = {
      {"channel", 8, &WholeWalkTest::ChannelStep},
      {"digits", 4, &WholeWalkTest::Digits},
      {"remote", 8, &WholeWalkTest::Remote},
      {"input", 3, &WholeWalkTest::Input},
      {"mode", 3, &WholeWalkTest::Mode},
      {"full-screen", 2, &WholeWalkTest::FullScreen},
      {"escape", 2, &WholeWalkTest::Escape},
      {"capture", 10, &WholeWalkTest::Capture},
      {"snapshot", 3, &WholeWalkTest::Snapshot},
      {"still-button", 8, &WholeWalkTest::StillButton},
      {"album", 2, &WholeWalkTest::Album},
      {"open-film", 3, &WholeWalkTest::OpenFilm},
      {"open-picture", 2, &WholeWalkTest::OpenPicture},
      {"damaged-film", 2, &WholeWalkTest::DamagedFilm},
      {"pad", 4, &WholeWalkTest::Pad},
      {"sound", 3, &WholeWalkTest::Sound},
      {"unplug", 4, &WholeWalkTest::Unplug},
      {"signal", 2, &WholeWalkTest::Signal},
      {"sheet", 4, &WholeWalkTest::Sheet},
      {"power", 1, &WholeWalkTest::Power},
      {"full-disk", 2, &WholeWalkTest::FullDisk},
      {"album-move-file", 2, &WholeWalkTest::AlbumMoveFile},
      {"teletext", 2, &WholeWalkTest::Teletext},
      {"restart", 1, &WholeWalkTest::Restart},
      {"settings-lost", 3, &WholeWalkTest::SettingsLost},
      {"album-tab", 2, &WholeWalkTest::AlbumTab},
      {"album-delete-file", 2, &WholeWalkTest::AlbumDeleteFile},
      {"album-rename-file", 2, &WholeWalkTest::AlbumRenameFile},
      {"album-new", 1, &WholeWalkTest::AlbumNew},
      {"album-rename", 1, &WholeWalkTest::AlbumRename},
      {"album-delete", 1, &WholeWalkTest::AlbumDelete},
      {"station", 3, &WholeWalkTest::Station},
  };
  return kActions;
}

std::vector<uint32_t> Seeds() {
  std::vector<uint32_t> seeds;
  const char* env = std::getenv("VD_WALK_SEEDS");
  std::stringstream in(env != nullptr ? env : "20261210,7,1234");
  for (std::string item; std::getline(in, item, ',');)
    if (!item.empty()) seeds.push_back(static_cast<uint32_t>(std::stoul(item)));
  return seeds;
}

int StepsPerWalk() {
  const char* env = std::getenv("VD_WALK_STEPS");
  return env != nullptr && std::atoi(env) > 0 ? std::atoi(env) : 50;
}

Walk ReadWalk(const fs::path& file) {
  Walk walk;
  std::ifstream in(file);
  for (Step step; in >> step.action >> step.arg;) walk.push_back(step);
  return walk;
}

TEST_F(WholeWalkTest, WalksThatFoundFaultsKeepTheInvariants) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(VD_WALKS_DIR)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  for (const fs::path& file : files) {
    const Walk walk = ReadWalk(file);
    ASSERT_FALSE(walk.empty()) << file << " holds no step";
    const std::string failure = Run(walk);
    EXPECT_TRUE(failure.empty()) << file.filename().string() << ": " << failure;
  }
}

TEST_F(WholeWalkTest, RandomWalksKeepTheViewersInvariants) {
  if (const char* replay = std::getenv("VD_WALK_REPLAY")) {
    const Walk walk = ReadWalk(replay);
    ASSERT_FALSE(walk.empty()) << replay << " holds no step";
    const std::string failure = Run(walk);
    if (!failure.empty()) Report("replay", walk, failure);
    return;
  }
  const char* soak = std::getenv("VD_SOAK_SECONDS");
  const auto end = std::chrono::steady_clock::now() +
                   std::chrono::seconds(soak != nullptr ? std::atoi(soak) : 0);
  std::vector<uint32_t> seeds = Seeds();
  std::mt19937 more(
      static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
  int walks = 0;
  int steps = 0;
  std::map<std::string, int> taken;
  const auto began = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration walked{};
  for (size_t i = 0; i < seeds.size() || std::chrono::steady_clock::now() < end; ++i) {
    const uint32_t seed = i < seeds.size() ? seeds[i] : static_cast<uint32_t>(more());
    const Walk walk = Generate(seed, StepsPerWalk());
    // Said first: a sanitizer's report or a crash ends the process before any report.
    std::printf("walk: seed %u\n", seed);
    std::fflush(stdout);
    const std::string failure = Run(walk);
    ++walks;
    steps += static_cast<int>(walk.size());
    for (const Step& step : walk) ++taken[step.action];
    if (!failure.empty()) {
      walked = std::chrono::steady_clock::now() - began;
      Report("seed-" + std::to_string(seed), walk, failure);
      break;
    }
  }
  if (walked.count() == 0) walked = std::chrono::steady_clock::now() - began;
  const double seconds = std::chrono::duration<double>(walked).count();
  std::printf("walk: %d walks, %d steps in %.0f s (%.1f steps a second)\n", walks, steps, seconds,
              steps / seconds);
  std::string histogram;
  for (const auto& [action, count] : taken) histogram += " " + action + " " + std::to_string(count);
  std::printf("walk: actions taken:%s\n", histogram.c_str());
}

}  // namespace
}  // namespace vdtest
