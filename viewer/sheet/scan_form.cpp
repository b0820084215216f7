#include "scan_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "country_table.h"
#include "scan_progress_wnd.h"
#include "vd/sheet/channel_list_ctrl.h"
#include "vd/sheet/scan_host.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/scan_engine.h"
#include "vd/tuning/tuner_control.h"

namespace vd {

ScanForm::ScanForm(ScanHost& host, Role role, QWidget* parent)
    : QWidget(parent), host_(host), role_(role), radio_(host.WorkMode() == vd::WorkMode::kRadio) {
  // The names follow the interface language; every later reader of the table sees them.
  CountryTable::ApplyLanguage(host_.LanguageTag());

  list_ = new CChannelListCtrl(host_, this);
  list_->setMinimumSize(220, 160);
  scan_ =
      new QPushButton(radio_ ? QStringLiteral("&Scan") : QStringLiteral("&Scan Channels"), this);
  scan_->setProperty("controlId", kScanButtonId);
  delete_ = new QPushButton(QStringLiteral("&Delete"), this);
  deleteAll_ = new QPushButton(QStringLiteral("Delete &All"), this);
  connect(scan_, &QPushButton::clicked, this, &ScanForm::OnScanButton);
  connect(delete_, &QPushButton::clicked, list_, &CChannelListCtrl::DeleteSelected);
  connect(deleteAll_, &QPushButton::clicked, list_, &CChannelListCtrl::DeleteAll);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(scan_);
  buttons->addSpacing(8);
  buttons->addWidget(delete_);
  buttons->addWidget(deleteAll_);
  buttons->addStretch(1);
  // On the page the shared layout's "Auto scan" box would do nothing, so it is left out.
  if (role_ == Role::kAutoScanDialog) {
    autoScan_ = new QCheckBox(QStringLiteral("Auto scan"), this);
    autoScan_->setChecked(true);
    buttons->addWidget(autoScan_);
  }

  auto* body = new QHBoxLayout;
  body->addWidget(list_, 1);
  body->addLayout(buttons);

  auto* layout = new QVBoxLayout(this);
  if (!radio_) {
    BuildCountryControls();
    auto* group = new QGroupBox(QStringLiteral("Channel Plan"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(countryLabel_, 0, 0);
    grid->addWidget(country_, 0, 1);
    grid->addWidget(bandLabel_, 1, 0);
    grid->addWidget(band_, 1, 1);
    grid->setColumnStretch(1, 1);
    layout->addWidget(group);
  }
  layout->addLayout(body, 1);

  progress_ = new CScanProgressWnd(this);
  list_->Fill();
  UpdateEnabled();
}

ScanForm::~ScanForm() = default;

void ScanForm::BuildCountryControls() {
  countryLabel_ = new QLabel(QStringLiteral("&Country:"), this);
  country_ = new QComboBox(this);
  country_->setMaxVisibleItems(16);
  for (int i = 0; i < CountryTable::kCount; ++i) {
    country_->addItem(QString::fromStdString(CountryTable::Name(i)));
  }
  countryLabel_->setBuddy(country_);
  bandLabel_ = new QLabel(QStringLiteral("&Band:"), this);
  band_ = new QComboBox(this);
  band_->addItem(QStringLiteral("Cable"));
  band_->addItem(QStringLiteral("Antenna"));
  bandLabel_->setBuddy(band_);
  SelectInitialCountry();
  // activated: the user's choices only, not the selections made here.
  connect(country_, &QComboBox::activated, this, &ScanForm::OnCountryChosen);
  connect(band_, &QComboBox::activated, this, &ScanForm::OnBandChosen);
}

void ScanForm::SelectInitialCountry() {
  // The dialog shows the row the page shows: with the backward search alone it would show
  // "U.S.A." for a user who picked "U.S.A. (HRC)", and hand over the wrong plan.
  const int row = CountryTable::PageSelection(host_.Country(), host_.Country1());
  country_->setCurrentIndex(row);
  const int32_t source = host_.Source();
  band_->setCurrentIndex(source == 0 || source == 1 ? source : -1);
  if (row >= 0 && band_->currentIndex() >= 0) {
    host_.SetActiveBand(&CountryTable::Record(row).Band(static_cast<uint32_t>(source)));
  }
}

void ScanForm::OnCountryChosen(int index) {
  if (index < 0 || index >= CountryTable::kCount) return;
  const CountryRecord& record = CountryTable::Record(index);
  const auto code = static_cast<int32_t>(record.code);
  // The row, not only its code: the TV tuner starts on this row's plan next time.
  host_.SetCountry1(index);
  if (role_ == Role::kSearchPage) {
    host_.SetIsMts(static_cast<int32_t>(record.sound));
    host_.EnableSoundModeButton(record.sound != SoundSystem::kNone);
  }
  host_.SetCountry(code);
  const int32_t source = host_.Source();
  host_.SetActiveBand(&CountryTable::Record(index).Band(source == 1 ? 1u : 0u));
}

void ScanForm::OnBandChosen(int index) {
  if (index != 0 && index != 1) return;
  host_.SetSource(index);
  const int row = country_ != nullptr ? country_->currentIndex() : -1;
  if (row >= 0) host_.SetActiveBand(&CountryTable::Record(row).Band(static_cast<uint32_t>(index)));
}

bool ScanForm::HaveTable() const {
  TunerControl* tuner = host_.Tuner();
  return tuner != nullptr && tuner->HasTuner() && tuner->Table() != nullptr;
}

void ScanForm::UpdateEnabled() {
  const bool idle = !scanning_;
  scan_->setEnabled(idle && HaveTable());
  if (!radio_) {
    country_->setEnabled(idle);
    band_->setEnabled(idle);
    countryLabel_->setEnabled(idle);
    bandLabel_->setEnabled(idle);
  }
  // The list and its buttons change the table the scan is appending to.
  list_->setEnabled(idle);
  delete_->setEnabled(idle);
  deleteAll_->setEnabled(idle);
  if (autoScan_ != nullptr) autoScan_->setEnabled(idle);
}

void ScanForm::OnScanButton() {
  if (scanning_) return;
  if (role_ == Role::kSearchPage || autoScan_ == nullptr || autoScan_->isChecked()) {
    RunFullScan();
  } else {
    RunSingleSeek();
  }
}

int ScanForm::RunFullScan() {
  if (scanning_ || !HaveTable()) return 0;
  ScanEngine engine(*host_.Tuner());
  const auto origin = role_ == Role::kSearchPage ? ScanEngine::Origin::kSearchPage
                                                 : ScanEngine::Origin::kAutoScanDialog;
  const int found = engine.FullScan(*this, *progress_, origin);
  // The page has made its second station current; show that in the panel and the list.
  host_.RefreshChannelDisplay();
  list_->Fill();
  if (found > 0) host_.StoreChannelList();
  return found;
}

bool ScanForm::RunSingleSeek() {
  if (scanning_ || !HaveTable() || cancel_ == nullptr) return false;
  ScanEngine engine(*host_.Tuner());
  const bool found = engine.SingleSeek(*this, *cancel_);
  if (found) host_.StoreChannelList();
  return found;
}

void ScanForm::BeginScan() {
  scanning_ = true;
  UpdateEnabled();
  setFocus();
  host_.ScanRunning(true);
}

void ScanForm::StationFound() {
  host_.RefreshChannelDisplay();
  list_->Fill();
}

void ScanForm::EndScan() {
  scanning_ = false;
  UpdateEnabled();
  host_.ScanRunning(false);
}

}  // namespace vd
