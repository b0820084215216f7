#include "vd/mixer/mixer_lines.h"

#include <string>
#include <vector>

#include "vd/mixer/mixer_names.h"

namespace vd {

namespace {

std::optional<MixerLine> FindSource(MixerBackend& backend, MixerComponent component,
                                    unsigned destination, unsigned connections) {
  if (auto line = backend.LineOfComponent(component)) return line;
  std::vector<std::string> shortNames;
  for (unsigned i = 0; i < connections; ++i) {
    const auto source = backend.Source(destination, i);
    // An unreadable source keeps its place so that the index still names it.
    shortNames.push_back(source ? source->shortName : std::string());
  }
  const auto found = mixer_names::FindByName(shortNames, mixer_names::ShortNames(component));
  if (!found) return std::nullopt;
  return backend.Source(destination, static_cast<unsigned>(*found));
}

}  // namespace

MixerLines FindMixerLines(MixerBackend& backend) {
  MixerLines lines;
  lines.speakers = backend.LineOfComponent(MixerComponent::kSpeakers);

  std::vector<std::string> destinationNames;
  std::vector<unsigned> connections;
  for (unsigned i = 0; i < backend.DestinationCount(); ++i) {
    const auto line = backend.Destination(i);
    destinationNames.push_back(line ? line->shortName : std::string());
    connections.push_back(line ? line->connections : 0);
  }
  const size_t destination = mixer_names::PickDestination(destinationNames);
  const unsigned sourceCount = destination < connections.size() ? connections[destination] : 0;
  const auto destIndex = static_cast<unsigned>(destination);

  lines.wave = FindSource(backend, MixerComponent::kWaveOut, destIndex, sourceCount);
  lines.line = FindSource(backend, MixerComponent::kLine, destIndex, sourceCount);
  if (!lines.line) {
    lines.line = FindSource(backend, MixerComponent::kAuxiliary, destIndex, sourceCount);
  }
  lines.waveIn = backend.LineOfComponent(MixerComponent::kWaveIn);
  return lines;
}

}  // namespace vd
