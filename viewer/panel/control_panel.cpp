#include "vd/panel/control_panel.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "panel_artwork.h"
#include "panel_layout.h"
#include "vd/layout/panel_ids.h"
#include "vd/layout/work_modes.h"
#include "vd/skin/bmp_slider.h"
#include "vd/skin/gen_bmp_btn.h"
#include "vd/skin/skin.h"
#include "vd/skin/skin_artwork.h"
#include "vd/skin/skin_painter.h"

namespace pid = vd::panel_id;
using vd::PanelLayout;

namespace {

// Children carry their control id in this property, as dialog controls carry theirs.
constexpr const char* kControlIdProperty = "vdControlId";

constexpr int kDisplayGap = 8;

QString IndicatorBitmap(int id) {
  switch (id) {
    case pid::kIndicatorCapture:
      return vd::SkinArtwork::kLampCapture;
    case pid::kIndicatorRecord:
      return vd::SkinArtwork::kLampRecord;
    case pid::kIndicatorLive:
      return vd::SkinArtwork::kLampLive;
    case pid::kIndicatorSVideo:
      return vd::SkinArtwork::kInputLampSVideo;
    case pid::kIndicatorComposite:
      return vd::SkinArtwork::kInputLampComposite;
    case pid::kIndicatorRadio:
      return vd::SkinArtwork::kInputLampRadio;
    case pid::kIndicatorTv:
      return vd::SkinArtwork::kInputLampTv;
    default:
      return vd::SkinArtwork::kLevelOff;
  }
}

}  // namespace

CControlPanel::CControlPanel(vd::Skin& skin, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), skin_(skin) {
  setWindowTitle(QStringLiteral("Brevant TV USB"));
  vd::PanelArtwork::InstallInto(skin_);
  BuildPlaceholders();
  complete_ = BuildControls();
  Relayout();
  Refresh(vd::PanelDisplay::kRememberedChannel);
}

CControlPanel::~CControlPanel() = default;

QWidget* CControlPanel::ControlsPart::FindControl(QWidget* parent, int id) {
  if (parent == nullptr) return nullptr;
  for (QObject* child : parent->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget != nullptr && widget->property(kControlIdProperty).toInt() == id) return widget;
  }
  return nullptr;
}

bool CControlPanel::ControlsPart::CreateButton(GenBmpBtn* button, int x, int y, int width,
                                               int height, int id, QWidget* parent,
                                               const QString& normal, const QString& pressed,
                                               const QString& focused, const QString& disabled) {
  if (button == nullptr) return false;
  QWidget* placeholder = FindControl(parent, id);
  if (placeholder == button) placeholder = nullptr;
  if (placeholder != nullptr) placeholder->hide();
  if (!button->Create(QRect(x, y, width, height), id, parent)) return false;
  if (!button->LoadBitmaps(normal, pressed, focused, disabled)) return false;
  delete placeholder;
  button->setProperty(kControlIdProperty, id);
  button->show();
  return true;
}

void CControlPanel::BuildPlaceholders() {
  // The buttons replace these, as the skinned buttons replace the template's plain ones.
  for (const vd::PanelButtonEntry& entry : PanelLayout::Buttons()) {
    auto* placeholder = new QWidget(this);
    placeholder->setProperty(kControlIdProperty, entry.id);
    placeholder->setGeometry(
        QRect(PanelLayout::PanelPosition(entry), QSize(entry.width, entry.height)));
  }
}

bool CControlPanel::BuildControls() {
  const bool buttons = BuildButtons();
  const bool slider = BuildSlider();
  BuildStationDisplay();
  BuildIndicators();
  return buttons && slider;
}

bool CControlPanel::BuildButtons() {
  bool ok = true;
  for (const vd::PanelButtonEntry& entry : PanelLayout::Buttons()) {
    const QString normal = QString::fromLatin1(entry.bitmap);
    auto* button = new GenBmpBtn(entry.shape, skin_, this);
    const QPoint at = PanelLayout::PanelPosition(entry);
    if (!ControlsPart::CreateButton(button, at.x(), at.y(), entry.width, entry.height, entry.id,
                                    this, normal, PanelLayout::StateName(normal, 3),
                                    PanelLayout::StateName(normal, 2),
                                    PanelLayout::StateName(normal, 4))) {
      delete button;
      ok = false;
      continue;
    }
    button->setToolTip(PanelLayout::Tooltip(entry.id));
    const int id = entry.id;
    connect(button, &QAbstractButton::clicked, this, [this, id] { OnButton(id); });
    controls_[id] = button;
  }
  return ok;
}

bool CControlPanel::BuildSlider() {
  auto* slider = new BmpSlider(skin_, this);
  if (!slider->Create(PanelLayout::SliderPosition(), pid::kVolumeSlider)) {
    delete slider;
    return false;
  }
  slider->setProperty(kControlIdProperty, pid::kVolumeSlider);
  slider->setToolTip(PanelLayout::Tooltip(pid::kVolumeSlider));
  slider->SetRange(0, 65535);
  connect(slider, &BmpSlider::PositionChanged, this, [this](int id, int value) {
    UpdateLevelLamps();
    emit SliderMoved(id, value);
  });
  connect(slider, &BmpSlider::FocusReturned, this, &CControlPanel::FocusToMainWindow);
  slider_ = slider;
  controls_[pid::kVolumeSlider] = slider;
  return true;
}

void CControlPanel::BuildStationDisplay() {
  const QRect text = PanelLayout::StationDisplayRect();
  for (QLabel** label : {&number_, &caption_}) {
    *label = new QLabel(this);
    (*label)->setGeometry(text);
    (*label)->setFont(vd::SkinPainter::Font(11));
    (*label)->setStyleSheet(QStringLiteral("color: #8beeff; background: transparent;"));
    (*label)->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  number_->setProperty(kControlIdProperty, pid::kStationNumber);
  number_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  caption_->setProperty(kControlIdProperty, pid::kStationName);
  caption_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  controls_[pid::kStationNumber] = number_;
  controls_[pid::kStationName] = caption_;
}

void CControlPanel::BuildIndicators() {
  std::vector<int> indicators = {
      pid::kIndicatorCapture,   pid::kIndicatorRecord, pid::kIndicatorLive, pid::kIndicatorSVideo,
      pid::kIndicatorComposite, pid::kIndicatorRadio,  pid::kIndicatorTv};
  for (int n = 0; n < pid::kLevelCount; ++n) indicators.push_back(pid::kLevelFirst + n);
  for (int id : indicators) {
    auto* lamp = new QLabel(this);
    lamp->setGeometry(PanelLayout::IndicatorRect(id));
    lamp->setPixmap(QPixmap::fromImage(skin_.Find(IndicatorBitmap(id))));
    lamp->setProperty(kControlIdProperty, id);
    lamp->setAttribute(Qt::WA_TransparentForMouseEvents);
    controls_[id] = lamp;
  }
}

GenBmpBtn* CControlPanel::button(int id) const {
  return qobject_cast<GenBmpBtn*>(control(id));
}

QWidget* CControlPanel::control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

void CControlPanel::OnButton(int id) {
  switch (id) {
    case pid::kCapture:
      // The VCR pad stays open while a clip or a still is on show.
      state_.vcrPadOpen = !state_.vcrPadOpen || vd::ShowsAlbumFile(state_.viewState);
      Relayout();
      break;
    case pid::kKeypad:
      state_.keypadOpen = !state_.keypadOpen;
      Relayout();
      break;
    case pid::kFmMemory:
      SetFmMemoryMode(!fmMemory_);
      break;
    case pid::kMute:
    case pid::kUnmute:
      SetMuted(id == pid::kMute);
      break;
    case pid::kPlay:
    case pid::kPause:
      SetPlaying(id == pid::kPlay);
      break;
    case pid::kRecord:
    case pid::kLive:
    case pid::kStop:
      if (state_.viewState == vd::ViewState::kClipOpen) SetPlaying(false);
      break;
    case pid::kInput: {
      emit Command(id);
      const vd::InputCycle::Step step = inputCycle_.Press();
      state_.input = step.input;
      Relayout();
      if (step.apply) {
        emit Command(vd::WorkModeInfoOf(vd::WorkModeOfInput(step.input)).command);
      }
      return;
    }
    default:
      break;
  }
  emit Command(id);
  // A preset key stores into the preset while memory mode is on (the receiver has seen the
  // mode above); one store ends memory mode.
  if (id >= pid::kFmKey0 && id < pid::kFmKey0 + 10 && fmMemory_) SetFmMemoryMode(false);
}

void CControlPanel::SetWorkMode(vd::WorkMode workMode) {
  state_.workMode = workMode;
  Relayout();
}

void CControlPanel::SetInput(int input) {
  inputCycle_.SetInput(input);
  state_.input = inputCycle_.input();
  Relayout();
}

void CControlPanel::RevertInput() {
  state_.input = inputCycle_.Revert();
  Relayout();
}

void CControlPanel::SetViewState(vd::ViewState viewState) {
  state_.viewState = viewState;
  if (vd::ShowsAlbumFile(viewState)) state_.vcrPadOpen = true;
  if (viewState != vd::ViewState::kClipOpen) state_.playing = false;
  Relayout();
}

void CControlPanel::SetDeviceFlags(bool audio, bool still) {
  state_.audio = audio;
  state_.still = still;
  Relayout();
}

void CControlPanel::SetKeypadOpen(bool open) {
  state_.keypadOpen = open;
  Relayout();
}

void CControlPanel::SetVcrPadOpen(bool open) {
  state_.vcrPadOpen = open;
  Relayout();
}

void CControlPanel::SetMuted(bool muted) {
  state_.muted = muted;
  Relayout();
}

void CControlPanel::SetFullScreen(bool fullScreen) {
  state_.fullScreen = fullScreen;
  Relayout();
}

void CControlPanel::SetPlaying(bool playing) {
  state_.playing = playing;
  Relayout();
}

void CControlPanel::SetSoundMode(const vd::SoundModeState& sound) {
  sound_ = sound;
  state_.isMts = sound.isMts;
  Relayout();
}

void CControlPanel::SetFmDisabled(bool disabled) {
  inputCycle_.SetFmDisabled(disabled);
}

void CControlPanel::SetFmMemoryMode(bool on) {
  fmMemory_ = on;
  if (GenBmpBtn* memory = button(pid::kFmMemory)) memory->SetLatched(on);
}

void CControlPanel::SetStation(const std::optional<vd::PanelStation>& station) {
  station_ = station;
}

void CControlPanel::SetTeletextName(const QString& name) {
  const QString tip = name.isEmpty() ? QString() : "Teletext: " + name;
  for (QLabel* label : {number_, caption_}) {
    if (label != nullptr) label->setToolTip(tip);
  }
}

void CControlPanel::SetVolumeRange(int minimum, int maximum) {
  if (slider_ == nullptr) return;
  slider_->SetRange(minimum, maximum);
  UpdateLevelLamps();
}

void CControlPanel::SetVolumePosition(int value) {
  if (slider_ == nullptr) return;
  slider_->SetPosition(value);
  UpdateLevelLamps();
}

void CControlPanel::SetRecordLampVisible(bool visible) {
  if (QWidget* lamp = control(pid::kIndicatorRecord)) lamp->setVisible(visible);
}

void CControlPanel::Refresh(int n) {
  std::optional<vd::PanelTexts> texts = display_.Refresh(n, state_.input, station_, sound_);
  if (texts) {
    ShowText(QString::fromStdString(texts->number), QString::fromStdString(texts->caption));
  } else {
    update();
  }
}

void CControlPanel::ShowText(const QString& number, const QString& caption) {
  if (number_ == nullptr || caption_ == nullptr) return;
  number_->setText(number);
  caption_->setText(caption);
  // The caption takes what the number leaves of the display, so long names never overlap it.
  const QRect area = PanelLayout::StationDisplayRect();
  const int used = number.isEmpty() ? 0 : QFontMetrics(number_->font()).horizontalAdvance(number);
  const int left = std::min(used + (used > 0 ? kDisplayGap : 0), area.width());
  caption_->setGeometry(area.adjusted(left, 0, 0, 0));
}

void CControlPanel::Relayout() {
  const int layout = vd::PanelLayoutOf(state_);
  if (layout != layout_) {
    layout_ = layout;
    setFixedSize(PanelLayout::LayoutSize(layout));
    background_ = QPixmap::fromImage(skin_.Find(PanelLayout::BackgroundName(layout)));
  }
  QRegion shape;
  for (const QPolygon& polygon : PanelLayout::Outline(layout)) {
    shape = shape.united(QRegion(polygon, Qt::WindingFill));
  }
  if (vd::ShowsTvKeypad(state_)) {
    shape = shape.united(QRegion(PanelLayout::KeypadPadOutline(), Qt::WindingFill));
  }
  if (vd::ShowsFmKeypad(state_)) {
    shape = shape.united(QRegion(PanelLayout::FmPadOutline(), Qt::WindingFill));
  }
  setMask(shape);

  for (const auto& [id, look] : vd::ComputeControlStates(state_)) {
    QWidget* widget = control(id);
    if (widget == nullptr) continue;
    widget->setVisible(look.visible);
    widget->setEnabled(look.enabled);
  }
  ApplyBitmapSets();
  UpdateLevelLamps();
  update();
}

void CControlPanel::ApplyBitmapSets() {
  const bool keypad = vd::UsesKeypadBitmaps(state_);
  for (int id : {pid::kAlbum, pid::kSnapshot, pid::kCapture}) {
    GenBmpBtn* b = button(id);
    const vd::PanelButtonEntry* entry = PanelLayout::Button(id);
    if (b == nullptr || entry == nullptr) continue;
    const QString plain = QString::fromLatin1(entry->bitmap);
    const QString normal = keypad ? PanelLayout::KeypadSetName(plain) : plain;
    if (b->bitmapName(GenBmpBtn::kNormal) == normal) continue;
    b->LoadBitmaps(normal, PanelLayout::StateName(normal, 3), PanelLayout::StateName(normal, 2),
                   PanelLayout::StateName(normal, 4));
  }
}

void CControlPanel::UpdateLevelLamps() {
  int lit = 0;
  if (slider_ != nullptr && !state_.muted) {
    const long long span = static_cast<long long>(slider_->maximum()) - slider_->minimum();
    if (span > 0) {
      // The volume is the maximum less the position: the top end is loudest.
      const long long volume = span - slider_->Position();
      lit = static_cast<int>(std::lround(static_cast<double>(volume) * pid::kLevelCount / span));
    }
  }
  const QPixmap on = QPixmap::fromImage(skin_.Find(vd::SkinArtwork::kLevelOn));
  const QPixmap off = QPixmap::fromImage(skin_.Find(vd::SkinArtwork::kLevelOff));
  for (int n = 0; n < pid::kLevelCount; ++n) {
    if (auto* lamp = qobject_cast<QLabel*>(control(pid::kLevelFirst + n))) {
      lamp->setPixmap(n < lit ? on : off);
    }
  }
}

void CControlPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawPixmap(0, 0, background_);
}

void CControlPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

void CControlPanel::mouseMoveEvent(QMouseEvent* event) {
  if (dragOffset_ && (event->buttons() & Qt::LeftButton)) {
    move(event->globalPosition().toPoint() - *dragOffset_);
    event->accept();
    return;
  }
  QWidget::mouseMoveEvent(event);
}

void CControlPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragOffset_.reset();
  QWidget::mouseReleaseEvent(event);
}
