// A sound card for ALSA's control layer, loaded as an external control plugin, so that the
// ALSA mixer back-end is exercised through the real simple-mixer API without hardware. Every
// handle opened on a layout sees the same values and, like a kernel driver, gets an event on
// every handle (the writer's included) when a value changes. A test reaches the card through
// the two functions at the end: one takes a control away as a removed user control goes, the
// other unplugs the whole card.
#include <alsa/asoundlib.h>
#include <alsa/control_external.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

struct Element {
  std::string name;
  int type;  // SND_CTL_ELEM_TYPE_*
  unsigned count;
  long minimum;
  long maximum;
  std::vector<std::string> items;
  std::vector<long> values;
  bool removed = false;
};

Element Volume(std::string name, unsigned count, long maximum, long value) {
  return {std::move(name),
          SND_CTL_ELEM_TYPE_INTEGER,
          count,
          0,
          maximum,
          {},
          std::vector<long>(count, value)};
}
Element Switch(std::string name, unsigned count, bool on) {
  return {std::move(name),
          SND_CTL_ELEM_TYPE_BOOLEAN,
          count,
          0,
          1,
          {},
          std::vector<long>(count, on ? 1 : 0)};
}
Element Enum(std::string name, unsigned count, std::vector<std::string> items, long selected) {
  return {std::move(name),  SND_CTL_ELEM_TYPE_ENUMERATED,      count, 0, 0,
          std::move(items), std::vector<long>(count, selected)};
}

// An older codec: the driver's "Capture Source" enumeration chooses the recording input.
std::vector<Element> Ac97Layout() {
  return {Volume("Master Playback Volume", 2, 31, 20),
          Switch("Master Playback Switch", 2, true),
          Volume("PCM Playback Volume", 2, 31, 2),
          Switch("PCM Playback Switch", 2, false),
          Volume("Line Playback Volume", 2, 31, 12),
          Switch("Line Playback Switch", 2, false),
          Volume("Mic Playback Volume", 1, 31, 0),
          Switch("Mic Playback Switch", 1, false),
          Volume("CD Playback Volume", 2, 31, 0),
          Switch("CD Playback Switch", 2, false),
          Enum("Capture Source", 2, {"Mic", "CD", "Line", "Mix"}, 0),
          Volume("Capture Volume", 2, 15, 8),
          Switch("Capture Switch", 2, true)};
}

// A newer codec: no line-in, an auxiliary input, no PCM switch, an "Input Source" list.
std::vector<Element> HdaLayout() {
  return {Volume("Master Playback Volume", 2, 87, 60),
          Switch("Master Playback Switch", 2, true),
          Volume("PCM Playback Volume", 2, 255, 255),
          Volume("Aux Playback Volume", 2, 31, 4),
          Switch("Aux Playback Switch", 2, true),
          Enum("Input Source", 1, {"Mic", "Aux", "Internal Mic"}, 0)};
}

// An older card without a capture-source list: each input has a capture switch of its own.
std::vector<Element> SwitchesLayout() {
  return {Volume("Master Playback Volume", 2, 31, 24), Volume("PCM Playback Volume", 2, 31, 24),
          Volume("Line Playback Volume", 2, 31, 10),   Switch("Line Playback Switch", 2, true),
          Switch("Line Capture Switch", 2, false),     Volume("Mic Playback Volume", 1, 31, 0),
          Switch("Mic Capture Switch", 1, true),       Switch("CD Capture Switch", 2, true),
          Volume("Capture Volume", 2, 15, 8),          Switch("Capture Switch", 2, true)};
}

struct Card;

struct Instance {
  snd_ctl_ext_t ext{};
  Card* card = nullptr;
  int eventFd = -1;
  bool subscribed = false;
  std::deque<std::pair<size_t, unsigned>> events;  // element, SND_CTL_EVENT_MASK_*
  // The elements there when the handle was opened: ALSA numbers them by their place in this
  // list, and this handle keeps those numbers whatever is removed later.
  std::vector<size_t> listed;
};

struct Card {
  std::vector<Element> elements;
  std::set<Instance*> instances;
  bool unplugged = false;
};

std::map<std::string, Card>& Cards() {
  static std::map<std::string, Card> cards;
  return cards;
}

Instance* Of(snd_ctl_ext_t* ext) {
  return static_cast<Instance*>(ext->private_data);
}
Element* ElementOf(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key) {
  Card& card = *Of(ext)->card;
  if (card.unplugged || key >= card.elements.size() || card.elements[key].removed) return nullptr;
  return &card.elements[key];
}

void Wake(Instance& instance) {
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t n = write(instance.eventFd, &one, sizeof one);
}

void Changed(Card& card, size_t element, unsigned mask = SND_CTL_EVENT_MASK_VALUE) {
  for (Instance* instance : card.instances) {
    if (!instance->subscribed) continue;
    instance->events.emplace_back(element, mask);
    Wake(*instance);
  }
}

std::vector<size_t> Present(const Card& card) {
  std::vector<size_t> keys;
  for (size_t i = 0; i < card.elements.size(); ++i) {
    if (!card.elements[i].removed) keys.push_back(i);
  }
  return keys;
}

void Close(snd_ctl_ext_t* ext) {
  // Takes back the instance handed to ALSA at open.
  std::unique_ptr<Instance> instance(Of(ext));
  instance->card->instances.erase(instance.get());
  close(instance->eventFd);
}

int ElemCount(snd_ctl_ext_t* ext) {
  return static_cast<int>(Of(ext)->listed.size());
}

int ElemList(snd_ctl_ext_t* ext, unsigned int offset, snd_ctl_elem_id_t* id) {
  const Instance& instance = *Of(ext);
  snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
  snd_ctl_elem_id_set_name(id, instance.card->elements[instance.listed.at(offset)].name.c_str());
  return 0;
}

snd_ctl_ext_key_t FindElem(snd_ctl_ext_t* ext, const snd_ctl_elem_id_t* id) {
  const Instance& instance = *Of(ext);
  const auto& elements = instance.card->elements;
  const unsigned numid = snd_ctl_elem_id_get_numid(id);
  if (numid > 0 && numid <= instance.listed.size()) {
    const size_t key = instance.listed[numid - 1];
    return elements[key].removed ? SND_CTL_EXT_KEY_NOT_FOUND : key;
  }
  for (size_t i = 0; i < elements.size(); ++i) {
    if (!elements[i].removed && elements[i].name == snd_ctl_elem_id_get_name(id)) return i;
  }
  return SND_CTL_EXT_KEY_NOT_FOUND;
}

int GetAttribute(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int* type, unsigned int* acc,
                 unsigned int* count) {
  const Element* e = ElementOf(ext, key);
  if (e == nullptr) return -EINVAL;
  *type = e->type;
  *acc = SND_CTL_EXT_ACCESS_READWRITE;
  *count = e->count;
  return 0;
}

int GetIntegerInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* imin, long* imax, long* istep) {
  const Element* e = ElementOf(ext, key);
  if (e == nullptr) return -EINVAL;
  *imin = e->minimum;
  *imax = e->maximum;
  *istep = 1;
  return 0;
}

int GetEnumeratedInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items) {
  const Element* e = ElementOf(ext, key);
  if (e == nullptr) return -EINVAL;
  *items = static_cast<unsigned>(e->items.size());
  return 0;
}

int GetEnumeratedName(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int item, char* name,
                      size_t nameMax) {
  const Element* e = ElementOf(ext, key);
  if (e == nullptr || item >= e->items.size() || nameMax == 0) return -EINVAL;
  std::snprintf(name, nameMax, "%s", e->items[item].c_str());
  return 0;
}

int ReadInteger(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) {
  const Element* e = ElementOf(ext, key);
  if (e == nullptr) return -EINVAL;
  std::copy(e->values.begin(), e->values.end(), value);
  return 0;
}

int ReadEnumerated(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items) {
  const Element* e = ElementOf(ext, key);
  if (e == nullptr) return -EINVAL;
  for (size_t i = 0; i < e->values.size(); ++i) items[i] = static_cast<unsigned>(e->values[i]);
  return 0;
}

int WriteInteger(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) {
  Element* e = ElementOf(ext, key);
  if (e == nullptr) return -EINVAL;
  bool changed = false;
  for (size_t i = 0; i < e->values.size(); ++i) {
    if (value[i] < e->minimum || value[i] > e->maximum) return -EINVAL;
    changed = changed || e->values[i] != value[i];
    e->values[i] = value[i];
  }
  // Like a driver: an unchanged value is no change and sends no event.
  if (changed) Changed(*Of(ext)->card, key);
  return changed ? 1 : 0;
}

int WriteEnumerated(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items) {
  Element* e = ElementOf(ext, key);
  if (e == nullptr) return -EINVAL;
  bool changed = false;
  for (size_t i = 0; i < e->values.size(); ++i) {
    if (items[i] >= e->items.size()) return -EINVAL;
    changed = changed || e->values[i] != static_cast<long>(items[i]);
    e->values[i] = items[i];
  }
  if (changed) Changed(*Of(ext)->card, key);
  return changed ? 1 : 0;
}

void SubscribeEvents(snd_ctl_ext_t* ext, int subscribe) {
  Of(ext)->subscribed = subscribe != 0;
}

int ReadEvent(snd_ctl_ext_t* ext, snd_ctl_elem_id_t* id, unsigned int* mask) {
  Instance* instance = Of(ext);
  // As the kernel answers a read on an unplugged card's control device.
  if (instance->card->unplugged) return -ENODEV;
  if (instance->events.empty()) {
    uint64_t count = 0;
    [[maybe_unused]] ssize_t n = read(instance->eventFd, &count, sizeof count);
    return -EAGAIN;
  }
  const auto [element, what] = instance->events.front();
  instance->events.pop_front();
  const auto place = std::find(instance->listed.begin(), instance->listed.end(), element);
  snd_ctl_elem_id_set_numid(id, static_cast<unsigned>(place - instance->listed.begin() + 1));
  snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
  snd_ctl_elem_id_set_name(id, instance->card->elements[element].name.c_str());
  *mask = what;
  return 1;
}

const snd_ctl_ext_callback_t kCallbacks = {
    .close = Close,
    .elem_count = ElemCount,
    .elem_list = ElemList,
    .find_elem = FindElem,
    .get_attribute = GetAttribute,
    .get_integer_info = GetIntegerInfo,
    .get_enumerated_info = GetEnumeratedInfo,
    .get_enumerated_name = GetEnumeratedName,
    .read_integer = ReadInteger,
    .read_enumerated = ReadEnumerated,
    .write_integer = WriteInteger,
    .write_enumerated = WriteEnumerated,
    .subscribe_events = SubscribeEvents,
    .read_event = ReadEvent,
};

}  // namespace

// The configuration names the layout: ctl.x { type vdfake layout "hda" }.
extern "C" __attribute__((visibility("default"))) SND_CTL_PLUGIN_DEFINE_FUNC(vdfake) {
  std::string layout = "ac97";
  snd_config_iterator_t i, next;
  snd_config_for_each(i, next, conf) {
    snd_config_t* node = snd_config_iterator_entry(i);
    const char* key = nullptr;
    const char* value = nullptr;
    if (snd_config_get_id(node, &key) < 0) continue;
    if (std::strcmp(key, "layout") == 0 && snd_config_get_string(node, &value) == 0) {
      layout = value;
    }
  }
  Card& card = Cards()[layout];
  // A card nobody holds open starts over, so that every test meets it as it comes.
  if (card.instances.empty()) {
    card.unplugged = false;
    card.elements = layout == "hda"        ? HdaLayout()
                    : layout == "switches" ? SwitchesLayout()
                                           : Ac97Layout();
  }

  auto instance = std::make_unique<Instance>();
  instance->card = &card;
  instance->listed = Present(card);
  instance->eventFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  snd_ctl_ext_t& ext = instance->ext;
  ext.version = SND_CTL_EXT_VERSION;
  ext.card_idx = 0;
  std::snprintf(ext.id, sizeof ext.id, "vdfake");
  std::snprintf(ext.driver, sizeof ext.driver, "vdfake");
  std::snprintf(ext.name, sizeof ext.name, "Fake %s", layout.c_str());
  std::snprintf(ext.longname, sizeof ext.longname, "Fake %s card", layout.c_str());
  std::snprintf(ext.mixername, sizeof ext.mixername, "Fake %s", layout.c_str());
  ext.poll_fd = instance->eventFd;
  ext.callback = &kCallbacks;
  ext.private_data = instance.get();
  const int err = snd_ctl_ext_create(&ext, name, mode);
  if (err < 0) {
    close(instance->eventFd);
    return err;
  }
  *handlep = ext.handle;
  card.instances.insert(instance.get());
  instance.release();  // ALSA owns it now; Close takes it back
  return 0;
}
extern "C" {
__attribute__((visibility("default"))) SND_CTL_PLUGIN_SYMBOL(vdfake)
}

// The control named goes away (a user control deleted, say) while the card stays; every handle
// gets the event. False when the card or the control is not there.
extern "C" __attribute__((visibility("default"))) bool vdfake_remove_control(const char* layout,
                                                                             const char* name) {
  const auto card = Cards().find(layout);
  if (card == Cards().end()) return false;
  for (size_t i = 0; i < card->second.elements.size(); ++i) {
    Element& e = card->second.elements[i];
    if (e.removed || e.name != name) continue;
    e.removed = true;
    Changed(card->second, i, SND_CTL_EVENT_MASK_REMOVE);
    return true;
  }
  return false;
}

// The whole card goes, as an unplugged one does: every handle wakes to an error.
extern "C" __attribute__((visibility("default"))) bool vdfake_unplug(const char* layout) {
  const auto card = Cards().find(layout);
  if (card == Cards().end()) return false;
  card->second.unplugged = true;
  for (Instance* instance : card->second.instances) Wake(*instance);
  return true;
}
