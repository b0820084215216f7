// The V4L2 back-end in the device contract suite: a tuner card with radio, teletext,
// infrared and sound behind the scripted kernel. Unplugging removes its node and ends it.
#pragma once

#include <memory>

#include "v4l2_fake_tree.h"
#include "vd/v4l2_backend.h"
#include "vd/v4l2_fake_kernel.h"

namespace vd::test {

struct V4l2FakeTraits {
  V4l2FakeTraits() {
    tree->AddUsb(
        {.video = "video0", .radio = "radio0", .vbi = "vbi0", .lirc = "lirc0", .alsaCard = 1});
    FakeV4l2Card card;
    card.video = tree->DevPath("video0");
    card.radio = tree->DevPath("radio0");
    card.vbi = tree->DevPath("vbi0");
    card.lirc = tree->DevPath("lirc0");
    card.slicedTeletext = true;
    kernel->Add(card);
  }
  std::unique_ptr<DeviceBackend> Make() {
    auto b = std::make_unique<V4l2Backend>(tree->Options(kernel));
    backend = b.get();
    return b;
  }
  void Unplug() {
    kernel->With(tree->DevPath("video0"), [](FakeV4l2Card& c) { c.gone = true; });
    tree->RemoveNode("video0");
    backend->Rescan();
  }
  void Plug() {
    kernel->With(tree->DevPath("video0"), [](FakeV4l2Card& c) { c.gone = false; });
    tree->RestoreNode("video0");
    backend->Rescan();
  }

  std::unique_ptr<FakeV4l2Tree> tree = std::make_unique<FakeV4l2Tree>();
  std::shared_ptr<FakeV4l2Kernel> kernel = std::make_shared<FakeV4l2Kernel>();
  V4l2Backend* backend = nullptr;
};

}  // namespace vd::test
