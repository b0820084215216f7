// The video area of the main window: paints the engine's live frames (or the file player's),
// or the still picture of view state 4, scaled into its rectangle in the picture's own shape
// with black bars beside it (or stretched over it, when the user turns that off). Frames
// arrive on a streaming thread; they are copied under a lock and the repaint is queued to the
// UI thread.
#pragma once

#include <QImage>
#include <QWidget>
#include <atomic>
#include <mutex>

#include "vd/video/video_frame_sink.h"

class VideoArea : public QWidget, public vd::VideoFrameSink {
  Q_OBJECT

 public:
  explicit VideoArea(QWidget* parent = nullptr);

  // Streaming thread.
  void OnVideoFrame(const vd::VideoFrame& frame) override;
  void SetKeepPictureAspect(bool keep) override;
  bool KeepsPictureAspect() const { return keepAspect_; }

  // A picture in place of the video (view state 4); a null image goes back to the video.
  void ShowStill(const QImage& picture);
  bool ShowsStill() const { return !still_.isNull(); }
  // A picture laid over whatever is shown, scaled to the area (the teletext page in its
  // transparent mode); a null image removes it.
  void SetOverlay(const QImage& overlay);
  QImage Overlay() const { return overlay_; }
  // The latest frame (tests and screenshots).
  QImage LastFrame() const;
  int FrameCount() const { return frames_.load(); }

 signals:
  void DoubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  mutable std::mutex lock_;
  QImage frame_;
  double frameAspect_ = 0;  // width over height of the picture frame_ shows
  QImage still_;
  QImage overlay_;  // UI thread only
  bool keepAspect_ = true;
  std::atomic<bool> repaintQueued_{false};
  std::atomic<int> frames_{0};
};
