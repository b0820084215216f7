// The teletext window: the tuned station's page as the set draws it, the page number being
// typed, whether the page has arrived, its subpages and the four coloured links. It reads
// and moves the session's place; the session outlives it or, if not, leaves it blank.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <array>

#include "teletext_session.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace vd {

class TeletextWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TeletextWindow(TeletextSession* session, QWidget* parent = nullptr);

  void Digit(int digit);
  void PageUp();
  void PageDown();
  void NextSubpage();
  void PreviousSubpage();
  // 0 red, 1 green, 2 yellow, 3 cyan.
  void FollowLink(int colour);
  void SetTransparent(bool on);
  bool Transparent() const;

  // What is shown (tests and screenshots).
  QString EntryText() const;
  QString StateText() const;
  QImage PageImage() const { return image_; }
  int LinkOf(int colour) const { return links_[static_cast<size_t>(colour)]; }

 signals:
  // The page to lay over the picture in transparent mode; a null image takes it away.
  void OverlayChanged(const QImage& page);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  class PageView;
  void Refresh();

  QPointer<TeletextSession> session_;
  PageView* view_ = nullptr;
  QLabel* entry_ = nullptr;
  QLabel* state_ = nullptr;
  QCheckBox* transparent_ = nullptr;
  std::array<QPushButton*, 4> keys_{};
  std::array<int, 4> links_{};
  QImage image_;
};

}  // namespace vd
