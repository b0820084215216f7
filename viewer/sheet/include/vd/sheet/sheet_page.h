// What a page of the settings sheet may implement besides being a widget: its part of OK and
// Cancel, and whether the sheet may close right now (not while a scan runs on it).
#pragma once

namespace vd {

class SheetPage {
 public:
  virtual ~SheetPage() = default;
  virtual void OnOk() {}
  virtual void OnCancel() {}
  virtual bool CanClose() const { return true; }
};

}  // namespace vd
