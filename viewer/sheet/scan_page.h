// The station-search page of the settings sheet: the country and band the TV stations are
// named by, the channel list and the full scan.
#pragma once

#include "scan_form.h"
#include "vd/sheet/sheet_page.h"

class CScanPage : public vd::ScanForm, public vd::SheetPage {
  Q_OBJECT

 public:
  explicit CScanPage(vd::ScanHost& host, QWidget* parent = nullptr);

  // The sheet stays open while the page scans.
  bool CanClose() const override { return !Scanning(); }
};
