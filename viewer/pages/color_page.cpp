#include "color_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace {

constexpr std::array<const char*, 3> kNames = {"Brightness", "Contrast", "Color"};
constexpr std::array<vd::AmpProperty, 3> kProperties = {
    vd::AmpProperty::kBrightness, vd::AmpProperty::kContrast, vd::AmpProperty::kSaturation};

QString Number(int32_t value) {
  return QString::asprintf("%d", value);
}

}  // namespace

CColorPage::CColorPage(vd::PicturePort& engine, QWidget* parent)
    : QWidget(parent), engine_(engine), settle_(new QTimer(this)) {
  // The decoder needs a moment to lock to a new standard before the preview is rebuilt; a
  // timer keeps the window responsive meanwhile.
  settle_->setSingleShot(true);
  connect(settle_, &QTimer::timeout, this, [this] { engine_.RefreshPreview(); });
  auto* grid = new QGridLayout;
  for (int i = 0; i < 3; ++i) {
    Control& control = controls_[static_cast<size_t>(i)];
    control.property = kProperties[static_cast<size_t>(i)];
    control.slider = new QSlider(Qt::Horizontal, this);
    control.label = new QLabel(this);
    grid->addWidget(new QLabel(tr(kNames[static_cast<size_t>(i)]), this), i, 0);
    grid->addWidget(control.slider, i, 1);
    grid->addWidget(control.label, i, 2);

    const std::optional<vd::AmpRange> range = engine_.GetAmpRange(control.property);
    if (!range) {
      control.slider->setEnabled(false);
      continue;
    }
    control.available = true;
    control.defaultValue = range->defaultValue;
    control.slider->setRange(range->min, range->max);
    control.slider->setSingleStep(std::max(1, range->step));
    control.original = engine_.GetAmp(control.property).value_or(range->defaultValue);
    control.stored = control.original;
    control.slider->setValue(control.original);
    control.label->setText(Number(control.original));
    connect(control.slider, &QSlider::valueChanged, this,
            [this, i](int position) { OnMoved(static_cast<Slot>(i), position); });
  }
  default_ = new QPushButton(tr("Default"), this);
  connect(default_, &QPushButton::clicked, this, &CColorPage::OnDefault);

  standardGroup_ = new QGroupBox(tr("Video standard"), this);
  standardLabel_ = new QLabel(tr("Standard"), standardGroup_);
  standard_ = new QComboBox(standardGroup_);
  auto* standardLayout = new QHBoxLayout(standardGroup_);
  standardLayout->addWidget(standardLabel_);
  standardLayout->addWidget(standard_);
  const vd::WorkMode mode = engine_.WorkMode();
  if (vd::IsExternalInput(mode)) {
    standard_->addItems({QStringLiteral("NTSC"), QStringLiteral("PAL"), QStringLiteral("SECAM")});
    const int32_t family = engine_.StoredStandard(mode);
    standard_->setCurrentIndex(family == 1 ? 1 : family == 0 ? 0 : 2);
    connect(standard_, &QComboBox::activated, this, &CColorPage::OnStandardChosen);
  } else {
    // The tuner's standard follows the country.
    standardGroup_->setEnabled(false);
    standardLabel_->setEnabled(false);
    standard_->setEnabled(false);
  }

  auto* layout = new QGridLayout(this);
  layout->addLayout(grid, 0, 0);
  layout->addWidget(default_, 1, 0, Qt::AlignRight);
  layout->addWidget(standardGroup_, 2, 0);
  layout->setRowStretch(3, 1);
}

void CColorPage::OnMoved(Slot slot, int position) {
  if (placing_) return;
  Control& control = controls_[slot];
  if (position == control.stored) return;
  // A refused value leaves the label at what the picture really shows.
  if (!engine_.SetAmp(control.property, position)) return;
  control.stored = position;
  control.label->setText(Number(position));
}

void CColorPage::OnDefault() {
  for (Control& control : controls_) {
    if (!control.available) continue;
    engine_.SetAmp(control.property, control.defaultValue);
    control.stored = control.defaultValue;
    placing_ = true;
    control.slider->setValue(control.defaultValue);
    placing_ = false;
    control.label->setText(Number(control.defaultValue));
  }
}

void CColorPage::OnCancel() {
  for (const Control& control : controls_) {
    if (control.available) engine_.SetAmp(control.property, control.original);
  }
}

void CColorPage::OnStandardChosen(int index) {
  if (index < 0 || index > 2) return;
  const vd::WorkMode mode = engine_.WorkMode();
  engine_.SetVideoStandard(index);
  // Stored at once so closing the sheet before the decoder settles loses nothing.
  engine_.StoreStandard(mode, index);
  settle_->start(kStandardSettleMs);
}

CColorPage::~CColorPage() {
  // The engine outlives the pages; the settling time is cut short rather than skipped.
  if (settle_->isActive()) {
    settle_->stop();
    engine_.RefreshPreview();
  }
}
