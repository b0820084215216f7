#include "file_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>

CFilePage::CFilePage(vd::FileOptionsPort& engine, QWidget* parent)
    : QWidget(parent), engine_(engine) {
  folder_ = new QLineEdit(this);
  folder_->setReadOnly(true);
  sizeMb_ = new QLineEdit(this);
  sizeMb_->setValidator(new QIntValidator(0, 1000000, sizeMb_));
  allocate_ = new QCheckBox(tr("Allocate the capture file"), this);
  freeSpace_ = new QLabel(this);
  prefix_ = new QLineEdit(this);
  prefix_->setMaxLength(kMaxPrefix);

  auto* form = new QFormLayout(this);
  form->addRow(tr("Still folder"), folder_);
  form->addRow(tr("Capture file size (MB)"), sizeMb_);
  form->addRow(allocate_);
  form->addRow(tr("Free space"), freeSpace_);
  form->addRow(tr("Still prefix"), prefix_);
  Load();
}

std::string CFilePage::StillFolder(const std::string& installFolder, const std::string& album) {
  if (!album.empty() && album.front() == '/') return album;
  std::string folder = installFolder;
  if (folder.empty() || folder.back() != '/') folder += '/';
  folder += album;
  if (folder.back() != '/') folder += '/';
  return folder;
}

void CFilePage::Load() {
  const std::string folder = StillFolder(engine_.InstallFolder(), engine_.CurrentAlbumPath());
  folder_->setText(QString::fromStdString(folder));
  shown_ = engine_.GetFileOptions();
  int32_t sizeMb = shown_.sizeKb / 1024;
  if (sizeMb <= 0 || sizeMb > kMaxSizeMb) sizeMb = 1;
  sizeMb_->setText(QString::number(sizeMb));
  allocate_->setChecked(shown_.allocate);
  freeMb_ = engine_.FreeDiskSpaceKB(folder) / 1024;
  freeSpace_->setText(QString::asprintf("%ld MBytes", static_cast<long>(freeMb_)));
  prefix_->setText(QString::fromStdString(engine_.StillPrefix()));
}

void CFilePage::OnOk() {
  ApplyPrefix();
  bool ok = false;
  const int64_t sizeMb = sizeMb_->text().toLongLong(&ok);
  // The file being replaced gives its room back, so it counts towards the free space.
  const int64_t currentMb = shown_.sizeKb / 1024;
  if (ok && sizeMb > 0 && sizeMb < freeMb_ + currentMb) {
    vd::FileOptions options = shown_;
    options.sizeKb = static_cast<int32_t>(sizeMb * 1024);
    options.allocate = allocate_->isChecked();
    engine_.SetFileOptions(options);
    return;
  }
  engine_.ShowMessage(kNoSpace);
  Load();
}

void CFilePage::ApplyPrefix() {
  // Compared once, on OK: a prefix edited and typed back as it was keeps the numbering.
  const std::string prefix = prefix_->text().toStdString();
  if (prefix == engine_.StillPrefix()) return;
  engine_.SetStillPrefix(prefix);
  engine_.SetStillFolder(StillFolder(engine_.InstallFolder(), engine_.CurrentAlbumPath()));
}
