// What the remote procedure may know of the viewer. The procedure runs on the stream parser's
// worker thread, so it never looks at widgets, the tuner or the channel table; the UI thread
// copies the few facts it needs in here whenever they change.
#pragma once

#include <atomic>
#include <cstdint>

namespace vd {

class RemoteState {
 public:
  // Capturing, saving a capture or playing a clip.
  void SetBusy(bool busy) { busy_.store(busy, std::memory_order_release); }
  // 0 TV, 1 Radio, 2 composite, 3 S-Video.
  void SetPanelInput(int input) { panelInput_.store(input, std::memory_order_release); }
  void SetCountry(int32_t country) { country_.store(country, std::memory_order_release); }
  void SetFmDisabled(bool disabled) { fmDisabled_.store(disabled, std::memory_order_release); }
  void SetFullScreen(bool fullScreen) { fullScreen_.store(fullScreen, std::memory_order_release); }

  bool Busy() const { return busy_.load(std::memory_order_acquire); }
  int PanelInput() const { return panelInput_.load(std::memory_order_acquire); }
  int32_t Country() const { return country_.load(std::memory_order_acquire); }
  bool FmDisabled() const { return fmDisabled_.load(std::memory_order_acquire); }
  bool FullScreen() const { return fullScreen_.load(std::memory_order_acquire); }

 private:
  std::atomic<bool> busy_{false};
  std::atomic<int> panelInput_{0};
  std::atomic<int32_t> country_{1};
  std::atomic<bool> fmDisabled_{false};
  std::atomic<bool> fullScreen_{false};
};

}  // namespace vd
