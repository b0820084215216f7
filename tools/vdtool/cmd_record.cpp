// vdtool record: an AVI recording by the capture engine, without a window.
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "arguments.h"
#include "command.h"
#include "tuner_device.h"
#include "vd/file_replace.h"
#include "vd/settings/instance_guard.h"
#include "vd/stop_signals.h"
#include "vd/tuning/tuner_control.h"
#include "vd/video/capture_graph.h"
#include "vd/video/capture_pipeline.h"
#include "vd/video/card_sound.h"
#include "vd/video/disk_budget.h"
#include "vd/video/headless_session.h"
#include "viewer_settings.h"

namespace {

// The codec names, from the recording's own table: "none|mjpeg|h264|huffyuv" with "|", or
// "none, mjpeg, h264 or huffyuv" with ", " and " or ".
std::string CodecNames(std::string_view between, std::string_view beforeLast) {
  std::string names;
  const auto rows = vd::RecordingFormat::Codecs();
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) names += i + 1 == rows.size() ? beforeLast : between;
    names += rows[i].name;
  }
  return names;
}

// Breaks `text` into lines of at most `width` characters at its spaces.
std::string Wrapped(const std::string& text, size_t width = 90) {
  std::string out;
  size_t lineStart = 0;
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    if (out.size() > lineStart && out.size() - lineStart + 1 + word.size() > width) {
      out += '\n';
      lineStart = out.size();
    } else if (out.size() > lineStart) {
      out += ' ';
    }
    out += word;
  }
  return out + '\n';
}

std::string Usage() {
  std::string codecs = "--codec chooses how the picture is stored (default none):";
  for (const vd::CodecRow& row : vd::RecordingFormat::Codecs()) {
    codecs += (row.codec == vd::VideoCodec{} ? " " : "; ") + std::string(row.name) + ", " +
              std::string(row.about);
  }
  codecs += ". --deinterlace blends the two fields of each picture. Sound is stored as PCM.";
  return "Usage: vdtool record [--input tv|composite|svideo] [--channel N | --frequency MHZ]\n"
         "                     [--country COUNTRY] [--codec " +
         CodecNames("|", "|") +
         "]\n"
         "                     [--quality Q] [--bitrate KBPS] [--deinterlace] [--at HH:MM]\n"
         "                     [--audio NAME|none] --seconds S FILE.avi\n"
         "\n"
         "Records S seconds of the capture device's picture and sound into FILE.avi, as the\n"
         "viewer's capture command does, and prints the final statistics. --channel tunes the\n"
         "tuner's channel N, --frequency a frequency in MHz (TV input). The country chooses the\n"
         "video standard of every input (default: the viewer's setting): a name as 'vdtool\n"
         "countries' lists it, code:N for a dialling code or index:N for a row, e.g. Germany,\n"
         "code:49 or index:15. FILE's folder must exist and be writable.\n"
         "\n"
         "A card records its own sound, else the sound input chosen for it on the viewer's\n"
         "Device page, else none. --audio takes a sound input as 'vdtool device list' shows\n"
         "it (its name or its alsa: id) for this recording, or none for a silent one; the\n"
         "virtual TV box always has its own sound.\n"
         "\n" +
         Wrapped(codecs) +
         "\n"
         "--at waits until the next HH:MM of local time (today or tomorrow) and records then, for\n"
         "cron or a systemd user timer. While the viewer runs it holds the device: the recording\n"
         "is refused (exit status 1) with a message rather than a device error.\n"
         "\n"
         "A stop signal (Ctrl+C, SIGTERM, SIGHUP) ends the recording early, whole and indexed,\n"
         "at FILE; one before the first picture writes nothing (exit status 1).\n";
}

const std::string kUsage = Usage();

// The loop's timers count milliseconds in 32 bits (49 days): a longer recording would wrap.
constexpr int64_t kMaxSeconds = 30 * 24 * 3600;

// "HH:MM" to minutes after midnight; -1 when it is not a time of day.
int32_t MinuteOfDay(const std::string& text) {
  int hours = -1;
  int minutes = -1;
  char end = 0;
  if (std::sscanf(text.c_str(), "%2d:%2d%c", &hours, &minutes, &end) != 2 || text.size() < 4 ||
      text[text.size() - 3] != ':')
    return -1;
  if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59) return -1;
  return hours * 60 + minutes;
}

// Sleeps until the next time the local clock shows the minute (today, else tomorrow),
// telling when; false when a stop signal came first.
bool WaitUntil(int32_t minuteOfDay) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  local.tm_hour = minuteOfDay / 60;
  local.tm_min = minuteOfDay % 60;
  local.tm_sec = 0;
  local.tm_isdst = -1;
  std::time_t start = std::mktime(&local);
  if (start <= now) {
    local.tm_mday += 1;
    local.tm_isdst = -1;
    start = std::mktime(&local);
  }
  char when[64];
  std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
  std::fprintf(stderr, "vdtool: record: waiting until %s\n", when);
  // Polled against the wall clock, so a suspend or a clock change does not shift the start.
  pollfd stop{vd::StopSignals::ReadFd(), POLLIN, 0};
  while (std::time(nullptr) < start) {
    const auto left = std::min<std::time_t>(start - std::time(nullptr), 30);
    if (::poll(&stop, stop.fd >= 0 ? 1 : 0, static_cast<int>(left * 1000)) > 0) return false;
  }
  return true;
}

// The file the recording is written to until it is saved: beside FILE (the file its links
// lead to), on its disk, so the free-space guard measures the disk the recording ends on and
// the save is a rename that needs no room. Removed at the end unless it became FILE or was
// kept.
class ScratchBeside {
 public:
  explicit ScratchBeside(const std::string& file)
      : path_(vd::FollowLinks(file).value_or(file).string() + ".XXXXXX.part") {
    const int fd = ::mkstemps(path_.data(), 5);
    if (fd < 0) {
      path_.clear();
      return;
    }
    // Held while this run lives: a later run takes a recording nobody holds for a killed
    // one's, even when the link in the killed run's scratch folder is gone.
    ::flock(fd, LOCK_EX | LOCK_NB);
    held_ = fd;
    // The saved film gets the mode a new file gets, not mkstemps' private one.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  ~ScratchBeside() {
    if (!path_.empty()) ::unlink(path_.c_str());
    if (held_ >= 0) ::close(held_);
  }
  ScratchBeside(const ScratchBeside&) = delete;
  ScratchBeside& operator=(const ScratchBeside&) = delete;
  const std::string& Path() const { return path_; }
  void Release() { path_.clear(); }

 private:
  std::string path_;
  int held_ = -1;
};

// Room a recording beside `file` has before the disk's kept margin; -1 when unknown.
int64_t RoomBeside(const std::string& file) {
  const std::filesystem::path folder = std::filesystem::path(file).has_parent_path()
                                           ? std::filesystem::path(file).parent_path()
                                           : std::filesystem::path(".");
  struct statvfs fs {};
  if (::statvfs(folder.c_str(), &fs) != 0) return -1;
  return vd::DiskBudget::FileCapacity(
      0, static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize));
}

// What the command line asks for.
struct Request {
  vd::WorkMode mode = vd::WorkMode::kTv;
  int32_t channel = -1;
  double mhz = 0;
  double seconds = 0;
  int32_t country = 0;
  std::string file;
  std::optional<vd::VideoCodec> codec;
  int32_t quality = -1;
  int32_t kbps = -1;
  bool deinterlace = false;
  int32_t atMinute = -1;  // minutes after midnight
  std::optional<std::string> audio;
};

// A whole number from `lowest` to `highest`.
bool ParseWhole(const std::string& text, double lowest, double highest, int32_t* value) {
  double number = 0;
  if (!vdtool::ParseNumber(text, &number) || number < lowest || number > highest ||
      number != static_cast<int32_t>(number))
    return false;
  *value = static_cast<int32_t>(number);
  return true;
}

// The option (or FILE) at args[*i], *i moved past its value; a usage error's status when it
// is wrong.
std::optional<int> TakeArgument(const std::vector<std::string>& args, size_t* i, Request* r) {
  const std::string& a = args[*i];
  const bool option = a == "--input" || a == "--channel" || a == "--frequency" ||
                      a == "--seconds" || a == "--country" || a == "--codec" || a == "--quality" ||
                      a == "--bitrate" || a == "--at" || a == "--audio";
  if (option && *i + 1 == args.size()) return vdtool::UsageError("record: " + a + " needs a value");
  const std::string& value = option ? args[++*i] : a;
  std::string error;
  if (a == "--input") {
    const std::optional<vd::WorkMode> input = vdtool::ParseVideoInput(value, &error);
    if (!input) return vdtool::UsageError("record: " + error);
    r->mode = *input;
  } else if (a == "--channel") {
    if (!ParseWhole(value, 0, 9999, &r->channel))
      return vdtool::UsageError("record: --channel takes a channel number, not '" + value + "'");
  } else if (a == "--frequency") {
    if (!vdtool::ParseNumber(value, &r->mhz) || r->mhz <= 0 || r->mhz > 5000)
      return vdtool::UsageError("record: --frequency takes MHz, not '" + value + "'");
  } else if (a == "--seconds") {
    if (!vdtool::ParseNumber(value, &r->seconds))
      return vdtool::UsageError("record: --seconds takes a number, not '" + value + "'");
  } else if (a == "--country") {
    if (!vdtool::ParseCountryCode(value, &r->country, &error))
      return vdtool::UsageError("record: " + error);
  } else if (a == "--codec") {
    r->codec = vd::RecordingFormat::CodecOf(value);
    if (!r->codec)
      return vdtool::UsageError("record: --codec takes " + CodecNames(", ", " or ") + ", not '" +
                                value + "'");
  } else if (a == "--quality") {
    if (!ParseWhole(value, vd::RecordingFormat::kMinQuality, vd::RecordingFormat::kMaxQuality,
                    &r->quality))
      return vdtool::UsageError("record: --quality takes a number from 1 to 100, not '" + value +
                                "'");
  } else if (a == "--bitrate") {
    if (!ParseWhole(value, vd::RecordingFormat::kMinKbps, vd::RecordingFormat::kMaxKbps, &r->kbps))
      return vdtool::UsageError("record: --bitrate takes kbit/s from 100 to 50000, not '" + value +
                                "'");
  } else if (a == "--at") {
    r->atMinute = MinuteOfDay(value);
    if (r->atMinute < 0)
      return vdtool::UsageError("record: --at takes a time as HH:MM, not '" + value + "'");
  } else if (a == "--audio") {
    if (value.empty()) return vdtool::UsageError("record: --audio takes a sound input or none");
    r->audio = value;
  } else if (a == "--deinterlace") {
    r->deinterlace = true;
  } else if (!a.empty() && a[0] != '-' && r->file.empty()) {
    r->file = a;
  } else {
    return vdtool::UsageError("unexpected argument: " + a);
  }
  return std::nullopt;
}

// The request of the command line; a usage error's status when it is wrong.
std::optional<int> Parse(const std::vector<std::string>& args, Request* r) {
  r->country = vdtool::ViewersSettings().country;
  for (size_t i = 0; i < args.size(); ++i)
    if (const std::optional<int> status = TakeArgument(args, &i, r)) return status;
  if (r->file.empty()) return vdtool::UsageError("record needs FILE.avi");
  if (!(r->seconds >= 1)) return vdtool::UsageError("record needs --seconds of at least 1");
  if (r->seconds > kMaxSeconds)
    return vdtool::UsageError("record: --seconds takes at most " + std::to_string(kMaxSeconds) +
                              " (30 days)");
  if (r->channel >= 0 && r->mhz > 0)
    return vdtool::UsageError("give --channel or --frequency, not both");
  return std::nullopt;
}

// What can be checked before the device is touched, and the wait for --at; false (said why)
// when the recording cannot go ahead.
bool ReadyToRecord(const Request& r) {
  std::string error;
  if (!vdtool::OutputPathUsable(r.file, &error)) {
    std::fprintf(stderr, "vdtool: record: cannot write %s: %s\n", r.file.c_str(), error.c_str());
    return false;
  }
  if (!vdtool::ElementsPresent()) return false;
  // Refused before the device is touched: a recording that ends at once would hold nothing.
  if (const int64_t room = RoomBeside(r.file);
      room >= 0 && room < 2 * vd::CapturePipeline::kIndexMargin) {
    std::fprintf(stderr,
                 "vdtool: record: the disk of %s is full (%lld MB are kept free); nothing was "
                 "recorded\n",
                 r.file.c_str(), static_cast<long long>(vd::DiskBudget::kMarginBytes >> 20));
    return false;
  }
  if (r.atMinute >= 0 && !WaitUntil(r.atMinute)) {
    std::fprintf(stderr, "vdtool: record: stopped by %s before the recording began\n",
                 strsignal(vd::StopSignals::Received()));
    return false;
  }
  return true;
}

// The viewer holds this lock while it runs, and with it the device; holding it here keeps
// a viewer started meanwhile from taking the device halfway through the recording. Null
// (said who holds it) when it is taken.
auto TakeDevice() {
  auto guard = vdtool::TakeViewersLock("record");
  if (guard == nullptr) {
    // Another vdtool ends by itself; the viewer has to be closed.
    const std::string holder = vdtool::RunningHolder();
    std::fprintf(stderr, "vdtool: record: %s and uses the capture device; %s\n", holder.c_str(),
                 holder.rfind("'vdtool", 0) == 0
                     ? "wait for it to end and try again"
                     : "close it (or record with the viewer's capture command) and try again");
  }
  return guard;
}

// The channel or frequency asked for; false (said why) when it cannot be tuned.
bool Tune(CaptureGraph& engine, const Request& r) {
  if (TunerControl* tuner = engine.Tuner()) {
    if (r.channel >= 0 && tuner->TuneStep(r.channel) != 0) {
      std::fprintf(stderr, "vdtool: channel %d cannot be tuned\n", r.channel);
      return false;
    }
    if (r.mhz > 0) tuner->SetFrequency(static_cast<uint32_t>(r.mhz * 1e6 + 0.5));
  } else if (r.channel >= 0 || r.mhz > 0) {
    std::fprintf(stderr, "vdtool: this input has no tuner\n");
    return false;
  }
  return true;
}

// Records for the seconds asked (or until a stop signal); false when it could not begin.
bool Record(vd::HeadlessSession& session, const Request& r) {
  CaptureGraph& engine = session.Engine();
  vd::CaptureOptions options = engine.GetCaptureOptions();
  options.useTimeLimit = true;
  options.timeLimit = r.seconds;
  if (r.codec) options.recording.codec = *r.codec;
  if (r.quality > 0) options.recording.mjpegQuality = r.quality;
  if (r.kbps > 0) options.recording.h264Kbps = r.kbps;
  if (r.deinterlace) options.recording.deinterlace = true;
  if (r.audio == vd::CardSound::kNoSound) options.captureAudio = false;
  engine.SetCaptureOptions(options);
  if (!engine.BeginCapture()) return false;
  auto limit = std::chrono::milliseconds(static_cast<int64_t>(r.seconds * 1000) + 10000);
  session.RunUntil([&] { return !engine.Lifecycle().IsCapturing(); }, limit);
  if (engine.Lifecycle().IsCapturing()) engine.StopCapture();
  if (session.StopSignal() != 0)
    std::fprintf(stderr, "vdtool: record: stopped early by %s\n", strsignal(session.StopSignal()));
  return true;
}

// Whether the recording holds a picture (said why not, FILE left alone); *stats and
// *counted receive the engine's statistics.
bool HoldsPicture(vd::HeadlessSession& session, const std::string& file,
                  vd::StatisticsRecord* stats, bool* counted) {
  CaptureGraph& engine = session.Engine();
  *counted = engine.GetStatistics(true, stats);
  const bool noPicture = *counted && stats->captured == 0;
  if (session.StopSignal() != 0 && (noPicture || engine.File().FramesRecorded() == 0)) {
    // A file without a picture plays as nothing, and it would replace what FILE held.
    std::fprintf(stderr,
                 "vdtool: record: stopped by %s before the first picture; nothing was "
                 "recorded and %s was not written\n",
                 strsignal(session.StopSignal()), file.c_str());
    return false;
  }
  if (noPicture) {
    // The device sent sound but no picture: a film without frames is not a recording.
    std::fprintf(stderr,
                 "vdtool: record: the capture device delivered no picture; nothing was "
                 "recorded and %s was not written\n",
                 file.c_str());
    return false;
  }
  if (engine.File().FramesRecorded() == 0) {
    // Ended before its first picture reached the file (the engine said why).
    std::fprintf(stderr, "vdtool: record: the recording holds no picture; %s was not written\n",
                 file.c_str());
    return false;
  }
  return true;
}

void PrintStatistics(const vd::StatisticsRecord& stats) {
  vd::StatisticsText text = vd::CaptureStatistics::TextOf(stats);
  std::cout << "captured: " << text.captured << "\n"
            << "dropped: " << text.dropped << "\n"
            << "time: " << text.seconds << "\n"
            << "rate: " << text.fps << "\n"
            << "data: " << text.rate << "\n";
}

// Moves the recording to FILE; the exit status.
int Save(vd::HeadlessSession& session, ScratchBeside& scratch, const std::string& file) {
  if (session.Engine().SaveCaptureAs(file)) {
    scratch.Release();
    // The engine said why it ended; what it recorded is whole all the same.
    if (session.Aborted())
      std::fprintf(stderr,
                   "vdtool: record: the recording ended early; what was recorded is at %s\n",
                   file.c_str());
    return session.Aborted() ? 1 : 0;
  }
  // The recording is whole; only its move failed (a full or read-only target). It must
  // not go with the scratch folder.
  std::filesystem::path kept = session.KeepCaptureFile();
  // What could be neither moved nor copied stays where it was written.
  if (kept.empty() && !scratch.Path().empty() && std::filesystem::exists(scratch.Path()))
    kept = scratch.Path();
  if (!kept.empty()) scratch.Release();
  if (!kept.empty()) {
    std::fprintf(stderr, "vdtool: record: the recording is kept as %s\n", kept.c_str());
  } else {
    std::fprintf(stderr, "vdtool: record: the recording could not be kept either\n");
  }
  return 1;
}

int Run(const std::vector<std::string>& args) {
  // From the first moment, so that a stop signal during the set-up is seen too.
  vd::StopSignals::Install();
  if (vdtool::WantsHelp(args)) {
    std::cout << kUsage;
    return 0;
  }
  Request request;
  if (const std::optional<int> status = Parse(args, &request)) return *status;
  if (!ReadyToRecord(request)) return 1;
  const auto guard = TakeDevice();
  if (guard == nullptr) return 1;

  vd::HeadlessSession session(request.mode, request.country);
  // A stop signal (Ctrl+C, logout) ends the recording early but normally: the AVI gets its
  // index and lands at FILE like one that ran its full time.
  session.CatchStopSignals();
  if (request.audio) session.ChooseCardSound(*request.audio);
  if (!vdtool::StartSession(session)) return 1;
  CaptureGraph& engine = session.Engine();
  if (request.audio && *request.audio != vd::CardSound::kNoSound) {
    if (!engine.Devices().CardInUse()) {
      std::fprintf(stderr,
                   "vdtool: record: the virtual TV box records its own sound; --audio %s "
                   "is for a card\n",
                   request.audio->c_str());
    } else if (!engine.Devices().HasSound()) {
      std::fprintf(stderr, "vdtool: record: no sound input '%s'; 'vdtool device list' lists them\n",
                   request.audio->c_str());
      return 1;
    }
  }
  if (!Tune(engine, request)) return 1;
  // Let the tuner settle before the signal is asked for.
  session.RunUntil([&] { return engine.SignalPresent(); }, std::chrono::seconds(2));
  if (session.StopSignal() != 0) {
    std::fprintf(stderr, "vdtool: record: stopped by %s before the recording began\n",
                 strsignal(session.StopSignal()));
    return 1;
  }

  ScratchBeside scratch(request.file);
  if (!scratch.Path().empty()) {
    engine.File().UseCaptureFile(scratch.Path());
    session.NoteRecordingAt(scratch.Path());
  }
  session.RescueLeftBeside(request.file);
  if (!Record(session, request)) return 1;

  vd::StatisticsRecord stats;
  bool counted = false;
  if (!HoldsPicture(session, request.file, &stats, &counted)) return 1;
  // An early end (a full disk) rebuilds the live picture, and the counts go with the
  // recording's pipeline: those taken at its end stand for them.
  if (counted || engine.Recorder().LastRecordingStatistics(&stats)) PrintStatistics(stats);
  return Save(session, scratch, request.file);
}

vdtool::Registrar registrar({"record", "record picture and sound into an AVI file", kUsage, Run});

}  // namespace
