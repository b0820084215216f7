// vdtool snapshot: one still picture of the capture device into a bitmap or PNG file.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "arguments.h"
#include "command.h"
#include "png_file.h"
#include "tuner_device.h"
#include "vd/album/bitmap_file.h"
#include "vd/v4l2_backend.h"
#include "vd/video/capture_graph.h"
#include "vd/video/headless_session.h"
#include "viewer_settings.h"

namespace {

constexpr int kSnapAttempts = 3;

const char kUsage[] =
    "Usage: vdtool snapshot [--input tv|composite|svideo] [--country COUNTRY] FILE\n"
    "\n"
    "Takes one picture from the capture device's still output, as the viewer's Snapshot\n"
    "command does: 768 x 576 for PAL, else 640 x 480. A FILE whose name ends in .png (in\n"
    "any case) is written as PNG, any other as a 24-bit bitmap (BMP).\n"
    "The country chooses the video standard of every input (default: the viewer's\n"
    "setting): a name as 'vdtool countries' lists it, code:N for a dialling code or\n"
    "index:N for a row, e.g. Germany, code:49 or index:15.\n";

bool NamesPng(const std::string& file) {
  std::string extension = std::filesystem::path(file).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".png";
}

// The still pin's bottom-up BGR rows, through the bitmap codec (which settles row padding
// and order), as the top-down RGBA the PNG writer takes.
bool WriteStillAsPng(const std::string& file, const vd::BitmapInfoHeader& header,
                     const std::vector<uint8_t>& picture, std::string* error) {
  std::vector<uint8_t> encoded;
  vd::BitmapImage image;
  if (!vd::BitmapFile::Encode(header, picture, &encoded, error) ||
      !vd::BitmapFile::Parse(encoded, &image, error)) {
    return false;
  }
  const size_t stride = vd::BitmapFile::RowStride(image.width);
  std::vector<uint8_t> rgba(static_cast<size_t>(image.width) * image.height * 4);
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* in = image.pixels.data() + y * stride;
    uint8_t* out = rgba.data() + static_cast<size_t>(y) * image.width * 4;
    for (int32_t x = 0; x < image.width; ++x, in += 3, out += 4) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
      out[3] = 0xFF;
    }
  }
  return vdtool::WritePng(file, image.width, image.height, rgba, error);
}

// A real card's stream can take seconds to deliver its first picture; the engine's own
// wait is one trigger's. False (said why) when none came.
bool TakeStill(vd::HeadlessSession& session, std::vector<uint8_t>* picture,
               vd::BitmapInfoHeader* header) {
  // Messages from the start (no sound device) are no answer here.
  const int before = session.MessageCount();
  bool took = false;
  for (int attempt = 0; attempt < kSnapAttempts && !took; ++attempt) {
    if (attempt > 0) session.RunUntil([] { return false; }, std::chrono::seconds(1));
    took = session.Engine().TakeSnapshot(picture, header);
    if (session.MessageCount() != before) break;  // the engine said why
  }
  if (!took && session.MessageCount() == before)
    std::fprintf(stderr, "vdtool: no picture arrived from the capture device\n");
  return took;
}

int Run(const std::vector<std::string>& args) {
  if (vdtool::WantsHelp(args)) {
    std::cout << kUsage;
    return 0;
  }
  vd::WorkMode mode = vd::WorkMode::kTv;
  int32_t country = vdtool::ViewersSettings().country;
  std::string file;
  std::string error;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "--input" || a == "--country") && i + 1 == args.size())
      return vdtool::UsageError("snapshot: " + a + " needs a value");
    if (a == "--input") {
      const std::optional<vd::WorkMode> input = vdtool::ParseVideoInput(args[++i], &error);
      if (!input) return vdtool::UsageError("snapshot: " + error);
      mode = *input;
    } else if (a == "--country") {
      if (!vdtool::ParseCountryCode(args[++i], &country, &error))
        return vdtool::UsageError("snapshot: " + error);
    } else if (!a.empty() && a[0] != '-' && file.empty()) {
      file = a;
    } else {
      return vdtool::UsageError("unexpected argument: " + a);
    }
  }
  if (file.empty()) return vdtool::UsageError("snapshot needs FILE (.bmp or .png)");
  if (!vdtool::OutputPathUsable(file, &error)) {
    std::fprintf(stderr, "vdtool: snapshot: cannot write %s: %s\n", file.c_str(), error.c_str());
    return 1;
  }
  if (!vdtool::ElementsPresent()) return 1;
  if (vdtool::RecordingHoldsTheDevice("snapshot")) return 1;

  vd::HeadlessSession session(mode, country);
  if (!vdtool::StartSession(session)) return 1;
  CaptureGraph& engine = session.Engine();
  // Its pictures would never come, and its input and standard are not ours to switch.
  if (engine.VideoDevice() != nullptr && vd::HeldByAnotherRecording(*engine.VideoDevice())) {
    std::fprintf(stderr,
                 "vdtool: snapshot: another program records from the capture device; try "
                 "again when the recording has ended\n");
    return 1;
  }
  session.RunUntil([&] { return engine.SignalPresent(); }, std::chrono::seconds(2));
  std::vector<uint8_t> picture;
  vd::BitmapInfoHeader header;
  if (!TakeStill(session, &picture, &header)) return 1;
  error.clear();
  const bool written = NamesPng(file) ? WriteStillAsPng(file, header, picture, &error)
                                      : vd::BitmapFile::Write(file, header, picture, &error);
  if (!written) {
    std::fprintf(stderr, "vdtool: cannot write %s: %s\n", file.c_str(), error.c_str());
    return 1;
  }
  std::cout << file << ": " << engine.Stills().Width() << " x " << engine.Stills().Height() << "\n";
  return 0;
}

vdtool::Registrar registrar({"snapshot", "take one still picture into a BMP or PNG file", kUsage,
                             Run});

}  // namespace
