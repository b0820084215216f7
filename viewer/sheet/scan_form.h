// The controls shared by the station-search page and the automatic scan dialog: country and
// band (TV only), the channel list, Scan, Delete and Delete All, and the scan run from them.
// The page and the dialog differ in the sound system a country change sets, in what Scan
// does and in the station selected after a full scan.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

#include "vd/tuning/scan_progress.h"

class CChannelListCtrl;
class CScanProgressWnd;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace vd {

class ScanHost;

class ScanForm : public QWidget, public ScanView {
  Q_OBJECT

 public:
  enum class Role { kSearchPage, kAutoScanDialog };
  static constexpr int kScanButtonId = 1036;

  ScanForm(ScanHost& host, Role role, QWidget* parent = nullptr);
  ~ScanForm() override;

  // The Scan button: a full scan on the page or with "Auto scan" set, else a single seek
  // that reads the cancel source given here.
  void OnScanButton();
  // Repeats the seek over the whole range with the progress window. Returns the number found.
  int RunFullScan();
  // One seek to the next station; true when one was found.
  bool RunSingleSeek();
  void SetCancelSource(ScanCancelSource* cancel) { cancel_ = cancel; }
  bool Scanning() const { return scanning_; }

  bool IsRadio() const { return radio_; }
  QComboBox* CountryBox() const { return country_; }  // null in radio
  QComboBox* BandBox() const { return band_; }        // null in radio
  QPushButton* ScanButton() const { return scan_; }
  QPushButton* DeleteButton() const { return delete_; }
  QPushButton* DeleteAllButton() const { return deleteAll_; }
  QCheckBox* AutoScanBox() const { return autoScan_; }  // null on the page
  CChannelListCtrl* List() const { return list_; }
  CScanProgressWnd* ProgressWindow() const { return progress_; }

  // The user picked a country row or a band (what the combo boxes' activation calls).
  void OnCountryChosen(int index);
  void OnBandChosen(int index);

  // ScanView
  void BeginScan() override;
  void StationFound() override;
  void EndScan() override;

 private:
  void BuildCountryControls();
  void SelectInitialCountry();
  void UpdateEnabled();
  bool HaveTable() const;

  ScanHost& host_;
  Role role_;
  bool radio_;
  bool scanning_ = false;
  ScanCancelSource* cancel_ = nullptr;
  QLabel* countryLabel_ = nullptr;
  QLabel* bandLabel_ = nullptr;
  QComboBox* country_ = nullptr;
  QComboBox* band_ = nullptr;
  CChannelListCtrl* list_ = nullptr;
  QPushButton* scan_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* deleteAll_ = nullptr;
  QCheckBox* autoScan_ = nullptr;
  CScanProgressWnd* progress_ = nullptr;  // child window
};

}  // namespace vd
