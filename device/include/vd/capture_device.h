// An opened capture device, the "capture filter" of the capture engine and the libraries:
// its pins, crossbar, video standards, amplifier, formats, still trigger and the GStreamer
// source bins of its outputs. Several CaptureDevice objects may be open on one device at
// once (the engine and the parser library); they share one hardware state.
//
// Results: kSOk on success; kENoInterface when the device lacks the facility (see
// HasFacility) or the pin; kEInvalidArg for values out of range; kEDeviceGone after the
// device was unplugged (a device object never comes back: open the device anew).
// Threads: every operation may be called from any thread; implementations serialise.
#pragma once

#include "vd/device_export.h"

#include <cstdint>
#include <functional>
#include <vector>

#include "vd/capture_types.h"
#include "vd/device_info.h"
#include "vd/hresult.h"
#include "vd/ks_property_set.h"

typedef struct _GstElement GstElement;

namespace vd {

class VD_DEVICE_EXPORT CaptureDevice : public PropertySetSource {
 public:
  ~CaptureDevice() override = default;

  virtual const DeviceInfo& Info() const = 0;
  // False once the device has been unplugged.
  virtual bool IsConnected() const = 0;
  virtual bool HasFacility(DeviceFacility facility) const = 0;

  // Pins in the device's order: the crossbar's analogue input first, then the outputs.
  virtual std::vector<PinInfo> Pins() const = 0;
  bool HasPin(PinKind kind) const;
  // The pin's own property set, answering kPropSetPin id 0 with its 16 category bytes
  // (Guid::Bytes). Referenced; null for an index out of range.
  virtual KsPropertySet* QueryPinPropertySet(size_t pinIndex) = 0;
  // True when that property set names the pin a bulk pin. It, not the kind in Pins() (the
  // device layer's shorthand for choosing a source bin), is the authority.
  bool IsBulkPin(size_t pinIndex);

  // --- crossbar: outputs 0 video, 1 audio; inputs by CrossbarInput.
  virtual HResult CrossbarPinCounts(int32_t* outputs, int32_t* inputs) = 0;
  virtual HResult CrossbarPinInfo(bool isInput, int32_t index, CrossbarPin* pin) = 0;
  virtual HResult CanRoute(int32_t output, int32_t input) = 0;
  virtual HResult Route(int32_t output, int32_t input) = 0;
  virtual HResult IsRoutedTo(int32_t output, int32_t* input) = 0;
  // The crossbar input of that physical type, passing over the first `skip` of them (the
  // radio's sound is the second tuner input); -1 when there is none.
  int32_t CrossbarInputOf(int32_t physicalType, int32_t skip = 0);

  // --- analogue video decoder: standards are single bits of vd::standard.
  virtual HResult AvailableTvFormats(uint32_t* mask) = 0;
  virtual HResult SetTvFormat(uint32_t standard) = 0;
  virtual HResult TvFormat(uint32_t* standard) = 0;
  // True while a picture is locked: a received station on the tuner input after the lock
  // time, always on the external inputs.
  virtual HResult HorizontalLocked(bool* locked) = 0;

  // --- video processing amplifier.
  virtual HResult GetAmpRange(AmpProperty property, AmpRange* range) = 0;
  virtual HResult GetAmp(AmpProperty property, int32_t* value) = 0;
  virtual HResult SetAmp(AmpProperty property, int32_t value) = 0;

  // --- formats of the video pins (capture, preview, still) and the audio pins.
  virtual HResult GetVideoFormat(PinKind pin, VideoFormat* format) = 0;
  virtual HResult SetVideoFormat(PinKind pin, const VideoFormat& format) = 0;
  // Formats the pin offers, for dialogs.
  virtual HResult VideoFormatCaps(PinKind pin, std::vector<VideoFormat>* formats) = 0;
  virtual HResult GetAudioFormat(PinKind pin, AudioFormat* format) = 0;
  virtual HResult SetAudioFormat(PinKind pin, const AudioFormat& format) = 0;
  // Shortest frame interval (100 ns) the device delivers at that size on that pin.
  virtual HResult MaxAvailableFrameInterval(PinKind pin, int32_t width, int32_t height,
                                            int64_t* interval) = 0;

  // --- still trigger: bits kVideoControlExternalTriggerEnable and kVideoControlTrigger.
  // Setting kVideoControlTrigger delivers one picture on every running still source and
  // clears itself; with kVideoControlExternalTriggerEnable the device's own snapshot
  // button delivers pictures too.
  virtual HResult GetVideoControlMode(uint32_t* mode) = 0;
  virtual HResult SetVideoControlMode(uint32_t mode) = 0;
  // Called, on any thread, when the device's snapshot button is pressed while no still
  // source runs (a film plays, nothing is shown), so that the press is not lost without a
  // word; an empty handler clears it. Devices whose button nothing reports never call it.
  virtual void SetUnheardSnapshotHandler(std::function<void()> handler) { (void)handler; }

  virtual HResult GetFrameCounts(FrameCounts* counts) = 0;

  // A new GStreamer bin with one "src" pad producing the pin's output, in the pin's format
  // at the time of the call: video (YUY2 or RGB) for capture and preview, RGB pictures on
  // trigger for still, S16LE PCM for the audio pins, raw bytes (application/octet-stream)
  // for bulk. The caller adds it to its pipeline (it takes the floating reference). Null
  // when the device lacks the pin or is gone. The sources are live. When the device is
  // unplugged a running bin posts an error message ("The capture device was unplugged.")
  // and ends its stream, so the pipeline never waits forever.
  virtual GstElement* CreateSourceBin(PinKind pin) = 0;
};

}  // namespace vd
