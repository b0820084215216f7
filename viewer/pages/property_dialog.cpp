#include "vd/pages/property_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <algorithm>

#include "vd/pages/dialog_runner.h"

namespace vd {

namespace {

QString Describe(const VideoFormat& format) {
  QString text = QString::asprintf("%d x %d, ", format.width, format.height) +
                 PropertyDialog::FormatName(format.fourcc, format.bitCount);
  if (format.frameInterval > 0) {
    text += QString::asprintf(", %.2f fps", 10000000.0 / static_cast<double>(format.frameInterval));
  }
  return text;
}

bool IsFormatKind(PropertyDialog::Kind kind) {
  return kind == PropertyDialog::Kind::kVideoFormat ||
         kind == PropertyDialog::Kind::kPreviewFormat ||
         kind == PropertyDialog::Kind::kDriverFormat;
}

}  // namespace

QString PropertyDialog::FormatName(uint32_t fourcc, uint32_t bitCount) {
  // FourCC 0 is uncompressed RGB, named by its depth.
  if (fourcc == 0) return QString::asprintf("RGB %u", bitCount);
  QString code;
  for (int i = 0; i < 4; ++i) {
    const auto byte = static_cast<unsigned char>((fourcc >> (8 * i)) & 0xff);
    if (byte < 0x20 || byte > 0x7e) return QString::asprintf("0x%08X, %u bit", fourcc, bitCount);
    code += QChar(byte);
  }
  return code + QString::asprintf(", %u bit", bitCount);
}

QString PropertyDialog::Caption(Kind kind) {
  switch (kind) {
    case Kind::kVideoFormat:
      return QStringLiteral("Video Format");
    case Kind::kPreviewFormat:
      return QStringLiteral("Video Preview Format");
    case Kind::kVideoSource:
      return QStringLiteral("Video Source");
    case Kind::kDriverSource:
      return QStringLiteral("Video Source");
    case Kind::kDriverFormat:
      return QStringLiteral("Video Format");
    case Kind::kDriverDisplay:
      return QStringLiteral("Video Display");
  }
  return {};
}

PinKind PropertyDialog::Pin() const {
  return kind_ == Kind::kPreviewFormat ? PinKind::kPreview : PinKind::kCapture;
}

PropertyDialog::PropertyDialog(FormatPort& engine, Kind kind, QWidget* parent)
    : QDialog(parent), engine_(engine), kind_(kind) {
  setWindowTitle(Caption(kind));
  move(30, 30);
  auto* form = new QFormLayout(this);
  if (IsFormatKind(kind)) {
    formatList_ = engine_.VideoFormats(Pin());
    formats_ = new QComboBox(this);
    const std::optional<VideoFormat> current = engine_.CurrentVideoFormat(Pin());
    for (const VideoFormat& format : formatList_) formats_->addItem(Describe(format));
    if (current) {
      // The list's entries carry no interval; match on what the list describes.
      auto same = [&](const VideoFormat& f) {
        return f.width == current->width && f.height == current->height &&
               f.fourcc == current->fourcc && f.bitCount == current->bitCount;
      };
      auto it = std::find_if(formatList_.begin(), formatList_.end(), same);
      if (it != formatList_.end())
        formats_->setCurrentIndex(static_cast<int>(it - formatList_.begin()));
    }
    form->addRow(tr("Format"), formats_);
  } else if (kind == Kind::kVideoSource || kind == Kind::kDriverSource) {
    inputs_ = new QComboBox(this);
    for (const std::string& input : engine_.VideoInputs()) {
      inputs_->addItem(QString::fromStdString(input));
    }
    inputs_->setCurrentIndex(engine_.CurrentVideoInput());
    inputs_->setEnabled(inputs_->count() > 0);
    standards_ = new QComboBox(this);
    standards_->addItems({QStringLiteral("NTSC"), QStringLiteral("PAL"), QStringLiteral("SECAM")});
    const vd::WorkMode mode = engine_.WorkMode();
    if (vd::IsExternalInput(mode)) {
      const int32_t family = engine_.StoredStandard(mode);
      standards_->setCurrentIndex(family == 1 ? 1 : family == 0 ? 0 : 2);
    } else {
      standards_->setEnabled(false);  // the tuner's standard follows the country
    }
    form->addRow(tr("Input"), inputs_);
    form->addRow(tr("Standard"), standards_);
  } else {
    const std::optional<VideoFormat> current = engine_.CurrentVideoFormat(PinKind::kCapture);
    form->addRow(tr("Picture"), new QLabel(current ? Describe(*current) : tr("none"), this));
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
}

bool PropertyDialog::Apply() {
  if (formats_ != nullptr) {
    const int row = formats_->currentIndex();
    if (row < 0) return false;
    return engine_.ApplyVideoFormat(Pin(), formatList_[static_cast<size_t>(row)]);
  }
  if (inputs_ != nullptr) {
    bool ok = true;
    if (inputs_->count() > 0 && inputs_->currentIndex() != engine_.CurrentVideoInput()) {
      ok = engine_.RouteVideoInput(inputs_->currentIndex());
    }
    const vd::WorkMode mode = engine_.WorkMode();
    if (standards_->isEnabled() && standards_->currentIndex() != engine_.StoredStandard(mode)) {
      if (engine_.SetVideoStandard(standards_->currentIndex())) {
        engine_.StoreStandard(mode, standards_->currentIndex());
      } else {
        ok = false;
      }
    }
    return ok;
  }
  return true;
}

bool PropertyDialog::Show(FormatPort& engine, Kind kind, QWidget* parent) {
  // The pins cannot change format while the preview streams from them.
  engine.StopForFormatChange();
  bool applied = false;
  {
    PropertyDialog dialog(engine, kind, parent);
    if (DialogRunner::Run(dialog) == QDialog::Accepted) applied = dialog.Apply();
  }
  engine.RestartAfterFormatChange();
  engine.ResizeToVideo();
  return applied;
}

}  // namespace vd
