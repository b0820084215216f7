// What the scan needs from its windows: the progress window of a full scan, the cancel flag
// of the automatic scan dialog, and the page or dialog that runs the scan. The dialogs
// implement these; so do the tests.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

class ScanProgress {
 public:
  virtual ~ScanProgress() = default;
  virtual void Open(int32_t first, int32_t last) = 0;  // position first
  virtual void Close() = 0;
  // Pumps the UI thread's events so the Cancel button works; true once it was pressed.
  virtual bool Cancelled() = 0;
  virtual int32_t Position() const = 0;
  virtual void SetPosition(int32_t position) = 0;
  virtual void SetText(const std::string& text) = 0;
};

class ScanCancelSource {
 public:
  virtual ~ScanCancelSource() = default;
  // Pumps the UI thread's events; reads and clears the cancel flag.
  virtual bool TakeCancel() = 0;
};

// The page or dialog around a scan: disables and re-enables its controls (the country and band
// controls only outside radio mode), tells the panel that a scan runs, refreshes the panel and
// its channel list after each station.
class ScanView {
 public:
  virtual ~ScanView() = default;
  virtual void BeginScan() = 0;
  virtual void StationFound() = 0;
  virtual void EndScan() = 0;
};

}  // namespace vd
