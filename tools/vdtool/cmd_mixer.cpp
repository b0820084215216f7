// vdtool mixer: what the mixer would work on, card by card, without changing anything.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "command.h"
#include "vd/mixer/alsa_mixer_backend.h"
#include "vd/mixer/mixer_lines.h"
#include "vd/mixer/mixer_names.h"
#include "vd/mixer/virtual_mixer_backend.h"

namespace {

using vd::MixerBackend;
using vd::MixerControlKind;

std::string Join(const std::vector<int32_t>& values) {
  std::string text;
  for (size_t i = 0; i < values.size(); ++i) {
    text += (i == 0 ? "" : ",") + std::to_string(values[i]);
  }
  return text;
}

void PrintLine(MixerBackend& backend, const char* role, const std::optional<vd::MixerLine>& line) {
  std::printf("  %-8s", role);
  if (!line) {
    std::printf("none\n");
    return;
  }
  std::printf("\"%s\"", line->shortName.c_str());
  const auto volume = backend.LineControl(line->id, MixerControlKind::kVolume);
  if (volume) {
    const auto now = backend.Values(volume->id);
    std::printf("  volume %d..%d now %s%s", volume->minimum, volume->maximum,
                now ? Join(*now).c_str() : "?", volume->disabled ? " (disabled)" : "");
  } else {
    std::printf("  no volume");
  }
  const auto mute =
      line->hasMute ? backend.LineControl(line->id, MixerControlKind::kMute) : std::nullopt;
  if (mute) {
    const auto now = backend.Values(mute->id);
    std::printf("  mute %s", !now || now->empty() ? "?" : (*now)[0] != 0 ? "on" : "off");
  } else {
    std::printf("  no mute switch");
  }
  std::printf("\n");
}

void PrintRecording(MixerBackend& backend, const std::optional<vd::MixerLine>& waveIn,
                    const std::optional<vd::MixerLine>& line) {
  std::printf("  %-8s", "record");
  const auto list =
      waveIn ? backend.LineControl(waveIn->id, MixerControlKind::kSourceList) : std::nullopt;
  const auto items = list ? backend.ListItems(list->id) : std::nullopt;
  if (!items) {
    std::printf("no capture-source list\n");
    return;
  }
  const auto selected = backend.Values(list->id);
  for (size_t i = 0; i < items->size(); ++i) {
    const bool on = selected && i < selected->size() && (*selected)[i] != 0;
    std::printf("%s%s%s%s", i == 0 ? "" : ", ", on ? "[" : "", (*items)[i].c_str(), on ? "]" : "");
  }
  const auto chosen =
      vd::mixer_names::FindRecordingItem(*items, line ? line->shortName : std::string());
  std::printf("  -> %s\n", chosen ? (*items)[*chosen].c_str() : "left as it is");
}

int Run(const std::vector<std::string>& args) {
  bool useVirtual = false;
  for (const auto& a : args) {
    if (a == "--virtual") {
      useVirtual = true;
    } else {
      return vdtool::UsageError("mixer: unknown argument '" + a + "'");
    }
  }
  std::unique_ptr<MixerBackend> backend;
  if (useVirtual) {
    auto cards = std::make_unique<vd::VirtualMixerBackend>();
    cards->AddCard(vd::VirtualMixerBackend::TypicalCard("Virtual Sound Card"));
    backend = std::move(cards);
  } else {
    backend = std::make_unique<vd::AlsaMixerBackend>();
  }
  // By the numbers the cards have: with cards 0 and 2, counting up to the number of cards
  // would list card 1, which is not there, and miss card 2.
  const std::vector<unsigned> indexes = backend->DeviceIndexes();
  if (indexes.empty()) {
    std::cout << "There are no mixer devices installed. Sound control is useless!\n";
    return 1;
  }
  for (unsigned index : indexes) {
    const auto name = backend->ProductName(index);
    if (!name) {
      std::printf("mixer %u: cannot be queried\n", index);
      continue;
    }
    std::printf("mixer %u: %s", index, name->c_str());
    if (*name == vd::mixer_names::kTvBoxAudio) {
      std::printf(" (the TV box's own audio device; skipped)\n");
      continue;
    }
    if (backend->Open(index) == 0) {
      std::printf(" (cannot be opened)\n");
      continue;
    }
    std::printf("\n");
    const vd::MixerLines lines = vd::FindMixerLines(*backend);
    PrintLine(*backend, "master", lines.speakers);
    PrintLine(*backend, "wave", lines.wave);
    PrintLine(*backend, "line", lines.line);
    PrintRecording(*backend, lines.waveIn, lines.line);
    backend->Close();
  }
  return 0;
}

const vdtool::Registrar kMixer{{
    "mixer",
    "list the sound cards' master, wave, line and capture-source controls",
    "Usage: vdtool mixer [--virtual]\n"
    "Lists, for each sound card, the controls the viewer's volume and mute would work on:\n"
    "the master output, the wave source, the line-in (or auxiliary) source with their\n"
    "ranges and current values, and the capture-source list with the item the viewer\n"
    "would record from. Nothing is changed.\n"
    "  --virtual   list the built-in virtual sound card instead of the ALSA cards\n",
    Run,
}};

}  // namespace
