// How the store tells the window that its albums changed, so that tabs and lists follow.
// The album window implements it; the store works without one.
#pragma once

#include <cstddef>

namespace vd {

class AlbumView {
 public:
  virtual ~AlbumView() = default;
  virtual void AlbumAdded(size_t index) = 0;
  virtual void AlbumRenamed(size_t index) = 0;
  virtual void AlbumRemoved(size_t index) = 0;
  virtual void CurrentAlbumChanged(size_t index) = 0;
  // The album's files changed: its list is filled again.
  virtual void AlbumContentChanged(size_t index) = 0;
};

}  // namespace vd
