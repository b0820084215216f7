#include "video_area.h"

#include <QMouseEvent>
#include <QPainter>

#include "vd/layout/picture_aspect.h"

VideoArea::VideoArea(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(1, 1);
}

void VideoArea::OnVideoFrame(const vd::VideoFrame& frame) {
  if (frame.data == nullptr || frame.width <= 0 || frame.height <= 0 ||
      frame.stride < frame.width * 4) {
    return;
  }
  // The bytes are only valid during this call: copy them out.
  QImage copy(frame.data, frame.width, frame.height, frame.stride, QImage::Format_RGB32);
  const double aspect = vd::PictureAspect(frame.width, frame.height, frame.parN, frame.parD);
  {
    std::lock_guard guard(lock_);
    frame_ = copy.copy();
    frameAspect_ = aspect;
  }
  frames_.fetch_add(1);
  // One queued repaint at a time, however fast the frames come.
  if (!repaintQueued_.exchange(true)) {
    QMetaObject::invokeMethod(
        this,
        [this] {
          repaintQueued_.store(false);
          update();
        },
        Qt::QueuedConnection);
  }
}

void VideoArea::SetKeepPictureAspect(bool keep) {
  if (keep == keepAspect_) return;
  keepAspect_ = keep;
  update();
}

void VideoArea::ShowStill(const QImage& picture) {
  still_ = picture;
  update();
}

QImage VideoArea::LastFrame() const {
  std::lock_guard guard(lock_);
  return frame_;
}

void VideoArea::SetOverlay(const QImage& overlay) {
  if (overlay.isNull() && overlay_.isNull()) return;
  overlay_ = overlay;
  update();
}

void VideoArea::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QImage picture = still_;
  double aspect = vd::PictureAspect(picture.width(), picture.height());
  if (picture.isNull()) {
    std::lock_guard guard(lock_);
    picture = frame_;
    aspect = frameAspect_;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  if (picture.isNull()) {
    painter.fillRect(rect(), Qt::black);
  } else {
    // Full screen and a window of another shape: the picture keeps its own, bars beside it.
    QRect target = rect();
    if (keepAspect_) {
      const vd::Rect fit = vd::FitPicture({0, 0, width(), height()}, aspect);
      target = QRect(fit.left, fit.top, fit.Width(), fit.Height());
      painter.fillRect(rect(), Qt::black);
    }
    painter.drawImage(target, picture);
  }
  if (!overlay_.isNull()) painter.drawImage(rect(), overlay_);
}

void VideoArea::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit DoubleClicked();
}
