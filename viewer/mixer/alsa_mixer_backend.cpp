#include "vd/mixer/alsa_mixer_backend.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace vd {

namespace {

// The channels a two-channel control is read and written on; mono elements use the first.
constexpr snd_mixer_selem_channel_id_t kStereo[] = {SND_MIXER_SCHN_FRONT_LEFT,
                                                    SND_MIXER_SCHN_FRONT_RIGHT};

unsigned PlaybackChannels(snd_mixer_elem_t* elem) {
  if (snd_mixer_selem_is_playback_mono(elem)) return 1;
  return snd_mixer_selem_has_playback_channel(elem, SND_MIXER_SCHN_FRONT_RIGHT) ? 2 : 1;
}

int32_t ToInt32(long value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

std::optional<std::string> CardName(int card) {
  char* name = nullptr;
  if (snd_card_get_name(card, &name) < 0 || name == nullptr) return std::nullopt;
  std::string result(name);
  std::free(name);
  return result;
}

std::optional<std::string> CardKey(int card) {
  snd_ctl_t* ctl = nullptr;
  if (snd_ctl_open(&ctl, ("hw:" + std::to_string(card)).c_str(), 0) < 0) return std::nullopt;
  std::optional<std::string> key;
  snd_ctl_card_info_t* info = nullptr;
  if (snd_ctl_card_info_malloc(&info) == 0) {
    if (snd_ctl_card_info(ctl, info) == 0) {
      key = std::string(snd_ctl_card_info_get_id(info)) + '\n' + snd_ctl_card_info_get_name(info);
    }
    snd_ctl_card_info_free(info);
  }
  snd_ctl_close(ctl);
  return key;
}

}  // namespace

AlsaMixerBackend::AlsaMixerBackend() = default;

AlsaMixerBackend::AlsaMixerBackend(std::vector<Device> devices) : devices_(std::move(devices)) {}

AlsaMixerBackend::~AlsaMixerBackend() {
  Close();
}

unsigned AlsaMixerBackend::DeviceCount() {
  if (devices_) return static_cast<unsigned>(devices_->size());
  unsigned count = 0;
  int card = -1;
  while (snd_card_next(&card) == 0 && card >= 0) ++count;
  return count;
}

std::vector<unsigned> AlsaMixerBackend::DeviceIndexes() {
  if (devices_) return MixerBackend::DeviceIndexes();
  std::vector<unsigned> indexes;
  int card = -1;
  while (snd_card_next(&card) == 0 && card >= 0) indexes.push_back(static_cast<unsigned>(card));
  return indexes;
}

std::optional<std::string> AlsaMixerBackend::ProductName(unsigned index) {
  if (devices_) {
    if (index >= devices_->size()) return std::nullopt;
    return (*devices_)[index].productName;
  }
  return CardName(static_cast<int>(index));
}

std::optional<std::string> AlsaMixerBackend::DeviceKey(unsigned index) {
  if (devices_) {
    if (index >= devices_->size()) return std::nullopt;
    return (*devices_)[index].ctlName;
  }
  return CardKey(static_cast<int>(index));
}

MixerHandle AlsaMixerBackend::Open(unsigned index) {
  if (mixer_ != nullptr) return 0;
  if (devices_ && index >= devices_->size()) return 0;
  const std::string device = devices_ ? (*devices_)[index].ctlName : "hw:" + std::to_string(index);
  snd_mixer_t* mixer = nullptr;
  if (snd_mixer_open(&mixer, 0) < 0) return 0;
  snd_hctl_t* hctl = nullptr;
  // Non-blocking, so that HandleEvents never waits for an event that is not there.
  if (snd_mixer_attach(mixer, device.c_str()) < 0 ||
      snd_mixer_get_hctl(mixer, device.c_str(), &hctl) < 0 || snd_hctl_nonblock(hctl, 1) < 0 ||
      snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 || snd_mixer_load(mixer) < 0) {
    snd_mixer_close(mixer);
    return 0;
  }
  mixer_ = mixer;
  gone_ = false;
  std::vector<AlsaElementInfo> infos;
  for (snd_mixer_elem_t* elem = snd_mixer_first_elem(mixer); elem != nullptr;
       elem = snd_mixer_elem_next(elem)) {
    AlsaElementInfo info;
    info.name = snd_mixer_selem_get_name(elem);
    info.playbackVolume = snd_mixer_selem_has_playback_volume(elem) != 0;
    info.playbackSwitch = snd_mixer_selem_has_playback_switch(elem) != 0;
    info.enumerated = snd_mixer_selem_is_enumerated(elem) != 0;
    info.captureExclusive = snd_mixer_selem_has_capture_switch_exclusive(elem) != 0;
    info.captureSwitch = snd_mixer_selem_has_capture_switch(elem) != 0;
    info.active = snd_mixer_selem_is_active(elem) != 0;
    if (info.playbackVolume) {
      long minimum = 0, maximum = 0;
      snd_mixer_selem_get_playback_volume_range(elem, &minimum, &maximum);
      info.minimum = ToInt32(minimum);
      info.maximum = ToInt32(maximum);
      info.channels = PlaybackChannels(elem);
    }
    snd_mixer_elem_set_callback(elem, &AlsaMixerBackend::OnElementEvent);
    snd_mixer_elem_set_callback_private(elem, this);
    elements_.push_back(elem);
    infos.push_back(std::move(info));
  }
  layout_ = AlsaMixerLayout(std::move(infos));
  seen_.resize(elements_.size());
  for (size_t i = 0; i < elements_.size(); ++i) Remember(i);
  seenGroup_ = ReadGroup();
  handle_ = nextHandle_++;
  if (nextHandle_ == 0) nextHandle_ = 1;
  return handle_;
}

bool AlsaMixerBackend::Close() {
  if (mixer_ == nullptr) return false;
  const int result = snd_mixer_close(mixer_);
  mixer_ = nullptr;
  elements_.clear();
  seen_.clear();
  seenGroup_.reset();
  ownWrites_.clear();
  layout_ = AlsaMixerLayout();
  handle_ = 0;
  return result >= 0;
}

int AlsaMixerBackend::OnElementEvent(snd_mixer_elem_t* elem, unsigned int mask) {
  // One control went (a user control deleted, say), not the card: an unplugged card shows as
  // an error of its descriptors instead. ALSA frees the element once this returns, so its
  // slot stays, empty, and the ids of the others keep naming what they named.
  if (mask == SND_CTL_EVENT_MASK_REMOVE) {
    auto* self = static_cast<AlsaMixerBackend*>(snd_mixer_elem_get_callback_private(elem));
    const auto it = std::find(self->elements_.begin(), self->elements_.end(), elem);
    if (it != self->elements_.end()) {
      *it = nullptr;
      self->seen_[static_cast<size_t>(it - self->elements_.begin())] = Seen{};
    }
  }
  return 0;
}

std::optional<MixerLine> AlsaMixerBackend::LineOfComponent(MixerComponent component) {
  if (mixer_ == nullptr || gone_) return std::nullopt;
  return layout_.LineOfComponent(component);
}

unsigned AlsaMixerBackend::DestinationCount() {
  return mixer_ == nullptr || gone_ ? 0 : layout_.DestinationCount();
}

std::optional<MixerLine> AlsaMixerBackend::Destination(unsigned index) {
  if (mixer_ == nullptr || gone_) return std::nullopt;
  return layout_.Destination(index);
}

std::optional<MixerLine> AlsaMixerBackend::Source(unsigned destination, unsigned index) {
  if (mixer_ == nullptr || gone_) return std::nullopt;
  return layout_.Source(destination, index);
}

std::optional<MixerControl> AlsaMixerBackend::LineControl(uint32_t lineId, MixerControlKind kind) {
  if (mixer_ == nullptr || gone_) return std::nullopt;
  return layout_.LineControl(lineId, kind);
}

std::optional<MixerControl> AlsaMixerBackend::Control(MixerControlId id) {
  if (mixer_ == nullptr || gone_) return std::nullopt;
  auto control = layout_.Control(id);
  // Whether an element is active can change while the mixer is open.
  const size_t element = control ? layout_.Resolve(id)->element : 0;
  if (control && element < elements_.size()) {
    if (elements_[element] == nullptr) return std::nullopt;  // removed since the open
    control->disabled = snd_mixer_selem_is_active(elements_[element]) == 0;
  }
  return control;
}

snd_mixer_elem_t* AlsaMixerBackend::Element(MixerControlId id, MixerControlKind* kind) const {
  if (mixer_ == nullptr || gone_) return nullptr;
  const auto ref = layout_.Resolve(id);
  if (!ref || ref->element >= elements_.size()) return nullptr;
  *kind = ref->kind;
  return elements_[ref->element];
}

std::optional<std::vector<int32_t>> AlsaMixerBackend::Read(size_t element,
                                                           MixerControlKind kind) const {
  snd_mixer_elem_t* elem = elements_[element];
  if (elem == nullptr) return std::nullopt;
  const AlsaElementInfo& info = layout_.Elements()[element];
  std::vector<int32_t> values;
  switch (kind) {
    case MixerControlKind::kVolume:
      if (!info.playbackVolume) return std::nullopt;
      for (unsigned c = 0; c < info.channels; ++c) {
        long v = 0;
        if (snd_mixer_selem_get_playback_volume(elem, kStereo[c], &v) < 0) return std::nullopt;
        values.push_back(ToInt32(v));
      }
      return values;
    case MixerControlKind::kMute: {
      if (!info.playbackSwitch) return std::nullopt;
      int on = 0;
      if (snd_mixer_selem_get_playback_switch(elem, kStereo[0], &on) < 0) return std::nullopt;
      // A switch that is on lets the sound through: not muted.
      return std::vector<int32_t>{on ? 0 : 1};
    }
    case MixerControlKind::kSourceList: {
      if (!info.enumerated) return std::nullopt;
      const int count = snd_mixer_selem_get_enum_items(elem);
      unsigned int current = 0;
      if (count < 0 || snd_mixer_selem_get_enum_item(elem, kStereo[0], &current) < 0) {
        return std::nullopt;
      }
      values.assign(static_cast<size_t>(count), 0);
      if (current < values.size()) values[current] = 1;
      return values;
    }
  }
  return std::nullopt;
}

AlsaMixerBackend::Seen AlsaMixerBackend::ReadAll(size_t element) const {
  return Seen{Read(element, MixerControlKind::kVolume), Read(element, MixerControlKind::kMute),
              Read(element, MixerControlKind::kSourceList)};
}

void AlsaMixerBackend::Remember(size_t element) {
  seen_[element] = ReadAll(element);
}

bool AlsaMixerBackend::IsGroupList(MixerControlId id) const {
  if (mixer_ == nullptr || gone_) return false;
  const auto ref = layout_.Resolve(id);
  return ref && ref->element == elements_.size() && !layout_.CaptureGroup().empty();
}

std::optional<std::vector<int32_t>> AlsaMixerBackend::ReadGroup() const {
  if (layout_.CaptureGroup().empty()) return std::nullopt;
  std::vector<int32_t> flags;
  for (size_t element : layout_.CaptureGroup()) {
    int on = 0;
    if (elements_[element] == nullptr ||
        snd_mixer_selem_get_capture_switch(elements_[element], kStereo[0], &on) < 0) {
      return std::nullopt;
    }
    flags.push_back(on ? 1 : 0);
  }
  return flags;
}

std::optional<std::vector<int32_t>> AlsaMixerBackend::Values(MixerControlId id) {
  if (IsGroupList(id)) return ReadGroup();
  MixerControlKind kind{};
  if (Element(id, &kind) == nullptr) return std::nullopt;
  return Read(layout_.Resolve(id)->element, kind);
}

bool AlsaMixerBackend::SetValues(MixerControlId id, std::span<const int32_t> values) {
  MixerControlKind kind{};
  snd_mixer_elem_t* elem = Element(id, &kind);
  if (elem == nullptr || values.empty()) return false;
  const size_t element = layout_.Resolve(id)->element;
  const AlsaElementInfo& info = layout_.Elements()[element];
  int result = -1;
  switch (kind) {
    case MixerControlKind::kVolume:
      if (values.size() != 1 && values.size() != info.channels) return false;
      for (int32_t v : values) {
        if (v < info.minimum || v > info.maximum) return false;
      }
      if (values.size() == 1) {
        result = snd_mixer_selem_set_playback_volume_all(elem, values[0]);
      } else {
        for (unsigned c = 0; c < info.channels; ++c) {
          result = snd_mixer_selem_set_playback_volume(elem, kStereo[c], values[c]);
          if (result < 0) break;
        }
      }
      break;
    case MixerControlKind::kMute:
      if (values.size() != 1) return false;
      result = snd_mixer_selem_set_playback_switch_all(elem, values[0] != 0 ? 0 : 1);
      break;
    case MixerControlKind::kSourceList:
      return false;
  }
  if (result < 0) return false;
  Remember(element);
  ownWrites_.push_back(id);
  return true;
}

std::optional<std::vector<std::string>> AlsaMixerBackend::EnumItems(size_t element) const {
  if (mixer_ == nullptr || gone_ || element >= elements_.size()) return std::nullopt;
  snd_mixer_elem_t* elem = elements_[element];
  if (elem == nullptr) return std::nullopt;
  const int count = snd_mixer_selem_get_enum_items(elem);
  if (count < 0) return std::nullopt;
  std::vector<std::string> items;
  for (int i = 0; i < count; ++i) {
    char name[64] = {};
    if (snd_mixer_selem_get_enum_item_name(elem, static_cast<unsigned>(i), sizeof name, name) < 0) {
      return std::nullopt;
    }
    items.emplace_back(name);
  }
  return items;
}

std::optional<std::vector<std::string>> AlsaMixerBackend::ListItems(MixerControlId id) {
  if (IsGroupList(id)) {
    std::vector<std::string> items;
    for (size_t element : layout_.CaptureGroup()) items.push_back(layout_.Elements()[element].name);
    return items;
  }
  MixerControlKind kind{};
  if (Element(id, &kind) == nullptr || kind != MixerControlKind::kSourceList) return std::nullopt;
  return EnumItems(layout_.Resolve(id)->element);
}

bool AlsaMixerBackend::SelectListItem(MixerControlId id, size_t item) {
  if (IsGroupList(id)) {
    const auto& group = layout_.CaptureGroup();
    if (std::any_of(group.begin(), group.end(), [this](size_t e) { return !elements_[e]; })) {
      return false;  // an input removed since the open: the list is not the one shown
    }
    // Exclusive switches turn the others off by themselves.
    if (item >= group.size() ||
        snd_mixer_selem_set_capture_switch_all(elements_[group[item]], 1) < 0) {
      return false;
    }
    for (size_t i = 0; i < group.size() && !layout_.CaptureGroupExclusive(); ++i) {
      if (i != item && snd_mixer_selem_set_capture_switch_all(elements_[group[i]], 0) < 0) {
        return false;
      }
    }
    for (size_t element : group) Remember(element);
    seenGroup_ = ReadGroup();
    ownWrites_.push_back(id);
    return true;
  }
  MixerControlKind kind{};
  snd_mixer_elem_t* elem = Element(id, &kind);
  if (elem == nullptr || kind != MixerControlKind::kSourceList) return false;
  const int count = snd_mixer_selem_get_enum_items(elem);
  if (count < 0 || item >= static_cast<size_t>(count)) return false;
  // Every channel of the enumeration, so left and right record from the same input.
  bool any = false;
  for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c) {
    const auto channel = static_cast<snd_mixer_selem_channel_id_t>(c);
    unsigned int current = 0;
    if (snd_mixer_selem_get_enum_item(elem, channel, &current) < 0) break;
    if (snd_mixer_selem_set_enum_item(elem, channel, static_cast<unsigned>(item)) < 0) {
      return false;
    }
    any = true;
  }
  if (!any) return false;
  Remember(layout_.Resolve(id)->element);
  ownWrites_.push_back(id);
  return true;
}

std::vector<pollfd> AlsaMixerBackend::PollDescriptors() {
  if (mixer_ == nullptr || gone_) return {};
  const int count = snd_mixer_poll_descriptors_count(mixer_);
  if (count <= 0) return {};
  std::vector<pollfd> fds(static_cast<size_t>(count));
  const int filled = snd_mixer_poll_descriptors(mixer_, fds.data(), static_cast<unsigned>(count));
  fds.resize(filled < 0 ? 0 : static_cast<size_t>(filled));
  return fds;
}

void AlsaMixerBackend::HandleEvents(const ChangeListener& listener) {
  if (mixer_ == nullptr) return;
  const MixerHandle handle = handle_;
  // Own writes first: their notification is the one the caller's echo flag waits for.
  auto own = std::move(ownWrites_);
  ownWrites_.clear();
  // An error here is the card gone: its descriptors would report it again at once. A control
  // removed meanwhile has emptied its own slot alone (OnElementEvent).
  if (!gone_ && snd_mixer_handle_events(mixer_) < 0) gone_ = true;
  if (gone_) {
    elements_.clear();
    seen_.clear();
  }
  for (MixerControlId id : own) listener(handle, id);
  if (mixer_ == nullptr || handle_ != handle) return;  // the listener closed the mixer
  if (!elements_.empty()) {
    const auto group = ReadGroup();
    if (group != seenGroup_) {
      seenGroup_ = group;
      listener(handle,
               AlsaMixerLayout::ControlIdOf(elements_.size(), MixerControlKind::kSourceList));
      if (mixer_ == nullptr || handle_ != handle || elements_.empty()) return;
    }
  }
  for (size_t i = 0; i < elements_.size(); ++i) {
    if (elements_[i] == nullptr) continue;
    const Seen now = ReadAll(i);
    const Seen before = seen_[i];
    seen_[i] = now;
    if (now.volume != before.volume) {
      listener(handle, AlsaMixerLayout::ControlIdOf(i, MixerControlKind::kVolume));
    }
    if (now.mute != before.mute) {
      listener(handle, AlsaMixerLayout::ControlIdOf(i, MixerControlKind::kMute));
    }
    if (now.list != before.list) {
      listener(handle, AlsaMixerLayout::ControlIdOf(i, MixerControlKind::kSourceList));
    }
    if (mixer_ == nullptr || handle_ != handle || elements_.empty()) return;
  }
}

}  // namespace vd
