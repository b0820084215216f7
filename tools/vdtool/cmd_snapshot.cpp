// vdtool snapshot: one still picture of the capture device into a bitmap file.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "arguments.h"
#include "bitmap_file.h"
#include "capture_graph.h"
#include "command.h"
#include "headless_session.h"
#include "viewer_settings.h"

namespace {

constexpr int kSnapAttempts = 3;

const char kUsage[] =
    "Usage: vdtool snapshot [--input tv|composite|svideo] [--country COUNTRY] FILE.bmp\n"
    "\n"
    "Takes one picture from the capture device's still output, as the viewer's Snapshot\n"
    "command does, and writes it as a 24-bit bitmap: 768 x 576 for PAL, else 640 x 480.\n"
    "The country chooses the video standard of every input (default: the viewer's\n"
    "setting): a name as 'vdtool countries' lists it, code:N for a dialling code or\n"
    "index:N for a row, e.g. Germany, code:49 or index:12.\n";

int Run(const std::vector<std::string>& args) {
  if (vdtool::WantsHelp(args)) {
    std::cout << kUsage;
    return 0;
  }
  int32_t mode = 3;
  int32_t country = vdtool::ViewersSettings().country;
  std::string file;
  std::string error;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "--input" || a == "--country") && i + 1 == args.size())
      return vdtool::UsageError("snapshot: " + a + " needs a value");
    if (a == "--input") {
      mode = vdtool::ParseVideoInput(args[++i], &error);
      if (mode < 0) return vdtool::UsageError("snapshot: " + error);
    } else if (a == "--country") {
      if (!vdtool::ParseCountryCode(args[++i], &country, &error))
        return vdtool::UsageError("snapshot: " + error);
    } else if (!a.empty() && a[0] != '-' && file.empty()) {
      file = a;
    } else {
      return vdtool::UsageError("unexpected argument: " + a);
    }
  }
  if (file.empty()) return vdtool::UsageError("snapshot needs FILE.bmp");
  if (!vdtool::OutputPathUsable(file, &error)) {
    std::fprintf(stderr, "vdtool: snapshot: cannot write %s: %s\n", file.c_str(), error.c_str());
    return 1;
  }
  if (!vdtool::ElementsPresent()) return 1;

  vd::HeadlessSession session(mode, country);
  if (!session.Start()) return 1;
  CaptureGraph& engine = session.Engine();
  session.RunUntil([&] { return engine.SignalPresent(); }, std::chrono::seconds(2));
  std::vector<uint8_t> picture;
  vd::BitmapInfoHeader header;
  // A real card's stream can take seconds to deliver its first picture; the engine's own
  // wait is one trigger's. Messages from the start (no sound device) are no answer here.
  const int before = session.MessageCount();
  bool took = false;
  for (int attempt = 0; attempt < kSnapAttempts && !took; ++attempt) {
    if (attempt > 0) session.RunUntil([] { return false; }, std::chrono::seconds(1));
    took = engine.TakeSnapshot(&picture, &header);
    if (session.MessageCount() != before) break;  // the engine said why
  }
  if (!took) {
    if (session.MessageCount() == before)
      std::fprintf(stderr, "vdtool: no picture arrived from the capture device\n");
    return 1;
  }
  error.clear();
  if (!vd::BitmapFile::Write(file, header, picture, &error)) {
    std::fprintf(stderr, "vdtool: cannot write %s: %s\n", file.c_str(), error.c_str());
    return 1;
  }
  std::cout << file << ": " << engine.StillWidth() << " x " << engine.StillHeight() << "\n";
  return 0;
}

vdtool::Registrar registrar({"snapshot", "take one still picture into a bitmap file", kUsage, Run});

}  // namespace
