// The engine without a window: a GLib main loop drives it, messages go to standard error,
// timers are GLib timeouts. Used by vdtool and the benchmarks. The channel files and the
// capture file live in a private scratch folder, and the settings in a private store, so
// a command-line run never disturbs the viewer's own files.
#pragma once

#include <glib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "capture_graph.h"
#include "capture_host.h"
#include "vd/tuning/unattended_tuning.h"
#include "vd/unique_fd.h"

namespace vd {

class SettingsStore;

class HeadlessSession : public CaptureHost, public UnattendedTuning {
 public:
  // country: dialling code, which also sets the standard family of the composite and
  // S-Video inputs.
  HeadlessSession(vd::WorkMode mode, int32_t countryCode);
  ~HeadlessSession();
  HeadlessSession(const HeadlessSession&) = delete;
  HeadlessSession& operator=(const HeadlessSession&) = delete;

  // The card to use, by what the viewer keeps its own by (its bus path, else its node);
  // called before Start, which then fails (said) when the engine cannot take that card.
  void UseCard(const std::string& key);
  // Creates the engine on the device enumerator (default: the process-wide one) and runs
  // Init.
  bool Start(VideoFrameSink* video = nullptr, DeviceEnumerator* devices = nullptr);
  // Before Start: the card's sound for this run in place of the one the viewer remembers
  // for it (an input's name or path, or CardSound::kNoSound).
  void ChooseCardSound(std::string name) { cardSound_ = std::move(name); }
  CaptureGraph& Engine() { return *engine_; }
  SettingsStore& Store() { return *store_; }
  const std::filesystem::path& Folder() const { return folder_; }

  // Runs the loop until `done`, the timeout or a stop signal; returns done().
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  void Quit() { quit_ = true; }
  // From here on SIGTERM, SIGINT and SIGHUP end every RunUntil instead of the process, so
  // the command can finish its work and exit normally.
  bool CatchStopSignals();
  // The stop signal that arrived (0: none).
  int StopSignal() const { return stopSignal_; }
  // The recording is written at `path`, outside the scratch folder: a run killed before
  // it ends leaves a link to it there, so the next run mends it and keeps it beside
  // where it was written, under a name of its own.
  void NoteRecordingAt(const std::string& path);
  // Recordings killed runs left in the folder of `file` (or of the file its links lead to),
  // to be saved under any name, whose scratch folder is gone (TMPDIR cleaned, another TMPDIR): each
  // still carries its unsaved mark and no run holds it. They are mended and kept as the link's are.
  // Called with the card held, after this run's own scratch file is made and locked.
  void RescueLeftBeside(const std::string& file);
  // Moves the capture file out of the scratch folder, which goes at the end, to a name of
  // its own beside it; returns that name (empty when it could not be kept).
  std::filesystem::path KeepCaptureFile();
  int MessageCount() const { return messages_; }
  bool Aborted() const { return aborted_; }

 private:
  // The engine and the tuning reach these through their interfaces only.
  // CaptureHost
  void ShowMessage(const std::string& text) override;
  void ShowMessageBox(const std::string& caption, const std::string& text) override;
  void SetTimer(uint32_t id, uint32_t milliseconds) override;
  void KillTimer(uint32_t id) override;
  void ShowStatistics(const StatisticsText&) override {}
  void ShowCaptureProgress(double, int64_t) override {}
  void ShowStatusNote(const std::string& text) override;
  void OnWorkModeForced(vd::WorkMode mode) override { workMode = mode; }
  void OnDeviceLost() override;
  void RefreshControls() override {}
  void OnCaptureAborted() override { aborted_ = true; }
  void RunCaptureCommand() override;
  void MarkAlbumForRefresh() override {}
  void ResizeVideoArea(int32_t, int32_t) override {}
  void WaitForCopy(CopyControl& control, const std::function<bool()>& finished) override;
  // Nobody to ask: says why the engine finds no device when the card is all there is.
  bool OfferCard(const CardOffer& card) override;

  // TuningContext: messages go where the capture engine's go.
  void ShowMessage(const std::string& caption, const std::string& text) override;

  // Scratch folders of runs that were killed: their recordings are mended and kept (and
  // said so), one that cannot be mended is kept as it is, the rest goes.
  void RescueDeadRuns();
  // Moves `file` out of its scratch folder under a name of its own; empty when it could not.
  // A copy (the file lay on another disk) is mended when `mend` says so.
  std::filesystem::path KeepFile(const std::filesystem::path& file, bool mend = true);
  // A killed run's recording outside the scratch folder, reached through its link.
  void RescueBeside(const std::filesystem::path& link);
  void RescuePart(const std::filesystem::path& target);

  std::filesystem::path folder_;
  UniqueFd lock_;
  std::filesystem::path scratchParent_;
  std::string scratchError_;
  std::string card_;  // UseCard's
  std::unique_ptr<SettingsStore> store_;
  std::unique_ptr<CaptureGraph> engine_;
  std::map<uint32_t, guint> timers_;
  int messages_ = 0;
  bool aborted_ = false;
  bool quit_ = false;
  int stopSignal_ = 0;
  std::optional<std::string> cardSound_;
  guint signalWatch_ = 0;
};

}  // namespace vd
