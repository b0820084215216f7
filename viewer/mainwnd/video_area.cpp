#include "video_area.h"

#include <QMouseEvent>
#include <QPainter>

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
  {
    std::lock_guard guard(lock_);
    frame_ = copy.copy();
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
  if (picture.isNull()) picture = LastFrame();
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  if (picture.isNull()) {
    painter.fillRect(rect(), Qt::black);
  } else {
    painter.drawImage(rect(), picture);
  }
  if (!overlay_.isNull()) painter.drawImage(rect(), overlay_);
}

void VideoArea::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit DoubleClicked();
}
