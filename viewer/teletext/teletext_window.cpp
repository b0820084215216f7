#include "vd/teletext/teletext_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace vd {

namespace {
constexpr std::array<const char*, 4> kKeyColours = {"#d01010", "#10b010", "#d0c000", "#00b0c0"};
constexpr std::array<const char*, 4> kKeyNames = {"Red", "Green", "Yellow", "Cyan"};
}  // namespace

// Paints the page at the largest size that keeps its shape, on black.
class TeletextWindow::PageView : public QWidget {
 public:
  explicit PageView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(TeletextDecoder::kColumns * TeletextDecoder::kCellWidth,
                   TeletextDecoder::kRows * TeletextDecoder::kCellHeight);
  }
  void Show(const QImage& image) {
    image_ = image;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (image_.isNull()) return;
    const QSize size = image_.size().scaled(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(target, image_);
  }

 private:
  QImage image_;
};

TeletextWindow::TeletextWindow(TeletextSession* session, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session) {
  setWindowTitle("Teletext");
  setObjectName("teletextWindow");
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  entry_ = new QLabel(this);
  entry_->setObjectName("teletextEntry");
  entry_->setMinimumWidth(60);
  QFont big = entry_->font();
  big.setBold(true);
  big.setPointSize(big.pointSize() + 4);
  entry_->setFont(big);
  state_ = new QLabel(this);
  state_->setObjectName("teletextState");
  transparent_ = new QCheckBox("Over the picture", this);
  transparent_->setObjectName("teletextTransparent");
  transparent_->setToolTip("Shows the page over the picture, with the picture in its background");
  transparent_->setFocusPolicy(Qt::NoFocus);
  top->addWidget(entry_);
  top->addWidget(state_, 1);
  top->addWidget(transparent_);
  layout->addLayout(top);
  view_ = new PageView(this);
  layout->addWidget(view_, 1);
  auto* bottom = new QHBoxLayout;
  for (size_t i = 0; i < keys_.size(); ++i) {
    auto* key = new QPushButton(this);
    key->setObjectName(QString("teletextKey%1").arg(kKeyNames[i]));
    key->setFocusPolicy(Qt::NoFocus);
    key->setStyleSheet(QString("QPushButton { background: %1; color: black; font-weight: bold; }")
                           .arg(kKeyColours[i]));
    connect(key, &QPushButton::clicked, this, [this, i] { FollowLink(static_cast<int>(i)); });
    keys_[i] = key;
    bottom->addWidget(key);
  }
  layout->addLayout(bottom);
  auto* help = new QLabel(
      "Digits: page  ·  PgUp/PgDn: next/previous page  ·  ←/→: subpages  ·  R G Y C: "
      "coloured links",
      this);
  help->setObjectName("teletextHelp");
  help->setStyleSheet("color: gray;");
  layout->addWidget(help);
  connect(transparent_, &QCheckBox::toggled, this, [this](bool) { Refresh(); });
  if (session_) {
    connect(session_, &TeletextSession::PacketsArrived, this, &TeletextWindow::Refresh);
    connect(session_, &TeletextSession::StationReset, this, &TeletextWindow::Refresh);
  }
  setFocusPolicy(Qt::StrongFocus);
  Refresh();
}

void TeletextWindow::Digit(int digit) {
  if (!session_) return;
  session_->Navigator().Digit(digit);
  Refresh();
}

void TeletextWindow::PageUp() {
  if (!session_) return;
  session_->Navigator().PageUp();
  Refresh();
}

void TeletextWindow::PageDown() {
  if (!session_) return;
  session_->Navigator().PageDown();
  Refresh();
}

void TeletextWindow::NextSubpage() {
  if (!session_) return;
  TeletextNavigator& nav = session_->Navigator();
  nav.NextSubpage(session_->Decoder().Subpages(nav.Page()));
  Refresh();
}

void TeletextWindow::PreviousSubpage() {
  if (!session_) return;
  TeletextNavigator& nav = session_->Navigator();
  nav.PreviousSubpage(session_->Decoder().Subpages(nav.Page()));
  Refresh();
}

void TeletextWindow::FollowLink(int colour) {
  if (!session_ || colour < 0 || colour > 3) return;
  if (links_[static_cast<size_t>(colour)] != 0)
    session_->Navigator().Go(links_[static_cast<size_t>(colour)]);
  Refresh();
}

void TeletextWindow::SetTransparent(bool on) {
  transparent_->setChecked(on);
}

bool TeletextWindow::Transparent() const {
  return transparent_->isChecked();
}

QString TeletextWindow::EntryText() const {
  return entry_->text();
}

QString TeletextWindow::StateText() const {
  return state_->text();
}

void TeletextWindow::Refresh() {
  links_.fill(0);
  if (!session_) {
    entry_->clear();
    state_->setText("No teletext");
    image_ = QImage();
  } else {
    const TeletextNavigator& nav = session_->Navigator();
    entry_->setText(QString::fromStdString(nav.Entry()));
    const auto page = session_->Decoder().Render(nav.Page(), nav.Subpage());
    if (!page) {
      // The subcode in hexadecimal, as it is sent and as sets show it beside the page.
      state_->setText(nav.Subpage() != 0
                          ? QString("Page %1/%2 not yet received")
                                .arg(nav.Page(), 3, 16)
                                .arg(QString::number(nav.Subpage(), 16).toUpper(), 2, QChar('0'))
                          : QString("Page %1 not yet received").arg(nav.Page(), 3, 16));
      image_ = QImage();
    } else {
      const std::vector<int> subpages = session_->Decoder().Subpages(nav.Page());
      QString state;
      if (!subpages.empty()) {
        const auto at = std::find(subpages.begin(), subpages.end(), page->subpage);
        state = QString("Subpage %1 of %2 seen")
                    .arg(at != subpages.end() ? static_cast<int>(at - subpages.begin()) + 1 : 0)
                    .arg(subpages.size());
        if (nav.Subpage() == 0) state += ", turning";
      }
      state_->setText(state);
      links_ = page->links;
      image_ = QImage(page->rgba.data(), page->width, page->height, page->width * 4,
                      QImage::Format_RGBA8888)
                   .copy();
    }
  }
  for (size_t i = 0; i < keys_.size(); ++i) {
    keys_[i]->setText(links_[i] != 0 ? QString::number(links_[i], 16) : QString());
    keys_[i]->setEnabled(links_[i] != 0);
  }
  view_->Show(image_);
  if (!Transparent() || image_.isNull() || !session_) {
    emit OverlayChanged(QImage());
    return;
  }
  const TeletextNavigator& nav = session_->Navigator();
  const auto clear = session_->Decoder().Render(nav.Page(), nav.Subpage(), true);
  emit OverlayChanged(clear ? QImage(clear->rgba.data(), clear->width, clear->height,
                                     clear->width * 4, QImage::Format_RGBA8888)
                                  .copy()
                            : QImage());
}

void TeletextWindow::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    Digit(key - Qt::Key_0);
  } else if (key == Qt::Key_PageUp || key == Qt::Key_Up || key == Qt::Key_Plus) {
    PageUp();
  } else if (key == Qt::Key_PageDown || key == Qt::Key_Down || key == Qt::Key_Minus) {
    PageDown();
  } else if (key == Qt::Key_Right) {
    NextSubpage();
  } else if (key == Qt::Key_Left) {
    PreviousSubpage();
  } else if (key == Qt::Key_R || key == Qt::Key_G || key == Qt::Key_Y || key == Qt::Key_C) {
    FollowLink(key == Qt::Key_R ? 0 : key == Qt::Key_G ? 1 : key == Qt::Key_Y ? 2 : 3);
  } else if (key == Qt::Key_Escape || key == Qt::Key_T) {
    close();
  } else {
    QWidget::keyPressEvent(event);
  }
}

void TeletextWindow::hideEvent(QHideEvent* event) {
  // Nothing of the page stays over the picture once the window is gone.
  emit OverlayChanged(QImage());
  QWidget::hideEvent(event);
}

}  // namespace vd
