// The main window's parts, for whoever needs more of the window than its commands and its
// state: the panel, the video area, the engine, the companion windows. It reads the window's
// own slots, so each answer is what the window holds at the moment of the call (null before
// Start made a part, or after the part went).
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "viewer_devices.h"

class CAlbumFrame;
class CaptureGraph;
class CControlPanel;
class QLabel;
class VideoArea;
class ViewStateStrip;

namespace vd {

class PanelVolume;
class PanelWindow;
class RemoteState;
class ViewerBars;
class ViewerSheetHost;
class ViewerTeletext;
class ViewerTuningContext;

class ViewerParts {
 public:
  // The window's members the parts live in.
  struct Slots {
    const std::unique_ptr<ViewerDevices>& devices;
    const std::unique_ptr<CControlPanel>& panel;
    const std::unique_ptr<PanelWindow>& panelWindow;
    const std::unique_ptr<CAlbumFrame>& album;
    const std::unique_ptr<ViewerBars>& bars;
    const std::unique_ptr<ViewerSheetHost>& sheetHost;
    const std::unique_ptr<ViewerTeletext>& teletext;
    const std::unique_ptr<ViewerTuningContext>& tuning;
    const std::unique_ptr<PanelVolume>& volume;
    VideoArea* const& video;
    ViewStateStrip* const& strip;
    QLabel* const& status;
    const QPointer<QWidget>& about;
    const QPointer<QWidget>& help;
    const RemoteState& remote;
  };

  explicit ViewerParts(const Slots& held) : slots_(held) {}
  ViewerParts(const ViewerParts&) = delete;
  ViewerParts& operator=(const ViewerParts&) = delete;

  CaptureGraph* Engine() const { return slots_.devices ? slots_.devices->Engine() : nullptr; }
  bool HasParser() const { return slots_.devices && slots_.devices->HasParser(); }
  CControlPanel* Panel() const { return slots_.panel.get(); }
  PanelWindow* PanelFrame() const { return slots_.panelWindow.get(); }
  CAlbumFrame* AlbumWindow() const { return slots_.album.get(); }
  VideoArea* Video() const { return slots_.video; }
  ViewStateStrip* Strip() const { return slots_.strip; }
  QLabel* StatusLabel() const { return slots_.status; }
  // The bars under the video area: statistics, playback, tool strips.
  ViewerBars* Bars() const { return slots_.bars.get(); }
  ViewerSheetHost* SheetHost() const { return slots_.sheetHost.get(); }
  ViewerTeletext* Teletext() const { return slots_.teletext.get(); }
  // What the tuning code reaches of the window (the capture engine holds it); there from the
  // window's construction on.
  ViewerTuningContext& Tuning() const { return *slots_.tuning; }
  PanelVolume* Volume() const { return slots_.volume.get(); }
  // The About window and the help shown inside the viewer, while they exist.
  QWidget* AboutWindow() const { return slots_.about; }
  QWidget* HelpPage() const { return slots_.help; }
  // The remote procedure's copy of the panel input, the country and full screen.
  const RemoteState& Remote() const { return slots_.remote; }

 private:
  Slots slots_;
};

}  // namespace vd
