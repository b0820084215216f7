// The device page, the property dialogs and the engine's page factory in the sheet.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "capture_page.h"
#include "color_page.h"
#include "device_page.h"
#include "file_page.h"
#include "pages_fakes.h"
#include "vd/pages/audio_format_dialog.h"
#include "vd/pages/dialog_runner.h"
#include "vd/pages/engine_pages.h"
#include "vd/pages/property_dialog.h"
#include "vd/sheet/options_sheet.h"
#include "vd/sheet/sheet_host.h"

namespace vd::test {
namespace {

using Log = std::vector<std::string>;

// Installs a dialog runner for one test and restores the real one afterwards.
class ScriptedDialogs {
 public:
  explicit ScriptedDialogs(DialogRunner::Runner runner)
      : previous_(DialogRunner::Set(std::move(runner))) {}
  ~ScriptedDialogs() { DialogRunner::Set(std::move(previous_)); }

 private:
  DialogRunner::Runner previous_;
};

void AddDevices(FakePagesEngine& engine) {
  engine.videoNames = {"Box A", "Webcam", "Box B"};
  engine.videoUsable = {true, false, true};
  engine.audioNames = {"Line", "Box audio"};
  engine.videoIndex = 2;
  engine.audioIndex = 1;
}

TEST(PagesDevice, ListsUsableDevicesAndSelectsCurrent) {
  FakePagesEngine engine;
  AddDevices(engine);
  CDevicePage page(engine);
  ASSERT_EQ(page.VideoList()->count(), 2);
  EXPECT_EQ(page.VideoList()->item(0)->text(), "Box A");
  EXPECT_EQ(page.VideoList()->item(1)->text(), "Box B");
  EXPECT_EQ(page.VideoList()->currentRow(), 1);
  ASSERT_EQ(page.AudioList()->count(), 2);
  EXPECT_EQ(page.AudioList()->currentRow(), 1);
}

TEST(PagesDevice, OkMapsBackToDeviceIndexAndRefreshesStatus) {
  FakePagesEngine engine;
  AddDevices(engine);
  CDevicePage page(engine);
  page.VideoList()->setCurrentRow(1);
  page.AudioList()->setCurrentRow(0);
  page.OnOk();
  EXPECT_EQ(engine.log, (Log{"choose 2 0 preview", "status"}));
}

TEST(PagesDevice, FullScreenDisablesVideoSettingOutsideRadioAndSkipsRefresh) {
  FakePagesEngine engine;
  AddDevices(engine);
  engine.fullScreen = true;
  engine.workMode = vd::WorkMode::kTv;
  {
    CDevicePage page(engine);
    EXPECT_FALSE(page.VideoSetting()->isEnabled());
    page.OnOk();
  }
  EXPECT_EQ(engine.log, (Log{"choose 2 1 preview"}));
  engine.workMode = vd::WorkMode::kRadio;
  CDevicePage radio(engine);
  EXPECT_TRUE(radio.VideoSetting()->isEnabled());
  engine.fullScreen = false;
  engine.workMode = vd::WorkMode::kSVideo;
  CDevicePage windowed(engine);
  EXPECT_TRUE(windowed.VideoSetting()->isEnabled());
}

TEST(PagesDevice, AudioSettingAppliesChosenFormatAndRedraws) {
  FakePagesEngine engine;
  AddDevices(engine);
  engine.audioFormats = {{1, 8000, 8}, {2, 44100, 16}};
  ScriptedDialogs dialogs([](QDialog& dialog) {
    auto& chooser = dynamic_cast<AudioFormatDialog&>(dialog);
    // The chooser opens on the preset, listed even when the device did not name it.
    EXPECT_EQ(chooser.Chosen(), AudioFormatDialog::kPreset);
    chooser.Formats()->setCurrentIndex(chooser.Formats()->count() - 1);
    return static_cast<int>(QDialog::Accepted);
  });
  CDevicePage page(engine);
  QTest::mouseClick(page.AudioSetting(), Qt::LeftButton);
  ASSERT_EQ(engine.appliedAudio.size(), 1u);
  EXPECT_EQ(engine.appliedAudio[0], (AudioFormat{2, 44100, 16}));
  EXPECT_EQ(engine.log, (Log{"redraw"}));
}

TEST(PagesDevice, AudioChooserCancelledOrWithoutDeviceAppliesNothing) {
  FakePagesEngine engine;
  int runs = 0;
  ScriptedDialogs dialogs([&runs](QDialog&) {
    ++runs;
    return static_cast<int>(QDialog::Rejected);
  });
  EXPECT_FALSE(AudioFormatDialog::Choose(engine, nullptr));
  engine.separateAudio = false;
  EXPECT_FALSE(AudioFormatDialog::Choose(engine, nullptr));
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(engine.appliedAudio.empty());
}

TEST(PagesDialogs, FormatDialogStopsAppliesAndRestartsInOrder) {
  FakePagesEngine engine;
  engine.captureFormats = {{320, 240}, {640, 480}};
  ScriptedDialogs dialogs([&engine](QDialog& dialog) {
    auto& page = dynamic_cast<PropertyDialog&>(dialog);
    EXPECT_EQ(page.windowTitle(), "Video Preview Format");
    EXPECT_EQ(engine.log, (Log{"stop"}));  // nothing streams while the dialog is open
    page.Formats()->setCurrentIndex(1);
    return static_cast<int>(QDialog::Accepted);
  });
  EXPECT_TRUE(PropertyDialog::Show(engine, PropertyDialog::Kind::kPreviewFormat, nullptr));
  EXPECT_EQ(engine.log, (Log{"stop", "apply format", "restart", "resize"}));
  ASSERT_EQ(engine.appliedVideo.size(), 1u);
  EXPECT_EQ(engine.appliedVideo[0].first, PinKind::kPreview);
  EXPECT_EQ(engine.appliedVideo[0].second.width, 640);
}

TEST(PagesDialogs, CancelledDialogStillRestartsPreview) {
  FakePagesEngine engine;
  engine.captureFormats = {{320, 240}};
  ScriptedDialogs dialogs([](QDialog&) { return static_cast<int>(QDialog::Rejected); });
  EXPECT_FALSE(PropertyDialog::Show(engine, PropertyDialog::Kind::kVideoFormat, nullptr));
  EXPECT_EQ(engine.log, (Log{"stop", "restart", "resize"}));
  EXPECT_TRUE(engine.appliedVideo.empty());
}

TEST(PagesDialogs, VideoSourceRoutesInputAndStoresStandard) {
  FakePagesEngine engine;
  engine.workMode = vd::WorkMode::kSVideo;
  engine.inputs = {"Tuner", "Composite", "S-Video"};
  engine.currentInput = 2;
  ScriptedDialogs dialogs([](QDialog& dialog) {
    auto& page = dynamic_cast<PropertyDialog&>(dialog);
    EXPECT_EQ(page.windowTitle(), "Video Source");
    EXPECT_EQ(page.Inputs()->currentIndex(), 2);
    page.Inputs()->setCurrentIndex(1);
    page.Standards()->setCurrentIndex(1);
    return static_cast<int>(QDialog::Accepted);
  });
  EXPECT_TRUE(PropertyDialog::Show(engine, PropertyDialog::Kind::kVideoSource, nullptr));
  EXPECT_EQ(engine.log, (Log{"stop", "route 1", "standard 1", "store 0 1", "restart", "resize"}));
}

struct FakeSheetHost : SheetHost {
  vd::WorkMode WorkMode() const override { return workMode; }
  int32_t ToolPage() const override { return 0; }
  void SetToolPage(int32_t) override {}
  void RefreshMainWindow() override {}
  vd::WorkMode workMode = vd::WorkMode::kTv;
};

// The engine's pages together with a station-search stand-in, as the viewer combines them.
class AllPages : public SheetPageFactory {
 public:
  explicit AllPages(PagesEngine& engine) : engine_(engine) {}
  QWidget* CreatePage(SheetPageId id, QWidget* parent) override {
    if (id == SheetPageId::kStationSearch) return new QLabel(parent);
    return engine_.CreatePage(id, parent);
  }

 private:
  EnginePages engine_;
};

TEST(PagesSheet, EveryModeGetsItsFullRowOfPages) {
  using P = SheetPageId;
  const std::vector<std::vector<P>> rows = {
      {P::kCapture, P::kFile, P::kColour, P::kDevice},
      {P::kCapture, P::kFile, P::kColour, P::kDevice},
      {P::kDevice, P::kStationSearch},
      {P::kColour, P::kCapture, P::kFile, P::kDevice, P::kStationSearch},
  };
  for (int32_t mode = 0; mode < 4; ++mode) {
    FakePagesEngine engine;
    AddDevices(engine);
    engine.workMode = vd::WorkModeFromStored(mode);
    FakeSheetHost host;
    host.workMode = vd::WorkModeFromStored(mode);
    AllPages factory(engine);
    COptionsSheet sheet(host, factory);
    EXPECT_EQ(sheet.PageIds(), rows[static_cast<size_t>(mode)]) << mode;
    if (mode == 3) {
      EXPECT_NE(dynamic_cast<CColorPage*>(sheet.Page(P::kColour)), nullptr);
      EXPECT_NE(dynamic_cast<CCapturePage*>(sheet.Page(P::kCapture)), nullptr);
      EXPECT_NE(dynamic_cast<CFilePage*>(sheet.Page(P::kFile)), nullptr);
      EXPECT_NE(dynamic_cast<CDevicePage*>(sheet.Page(P::kDevice)), nullptr);
    }
  }
}

TEST(PagesSheet, CancelThroughSheetRestoresPictureAndOkAppliesPages) {
  FakePagesEngine engine;
  AddDevices(engine);
  engine.workMode = vd::WorkMode::kTv;
  FakeSheetHost host;
  {
    EnginePages factory(engine);
    COptionsSheet sheet(host, factory);
    auto* colour = dynamic_cast<CColorPage*>(sheet.Page(SheetPageId::kColour));
    ASSERT_NE(colour, nullptr);
    colour->Slider(CColorPage::kBrightness)->setValue(3);
    sheet.reject();
  }
  EXPECT_EQ(engine.values[AmpProperty::kBrightness], 100);
  EXPECT_TRUE(engine.appliedCapture.empty());
  {
    EnginePages factory(engine);
    COptionsSheet sheet(host, factory);
    sheet.accept();
  }
  EXPECT_EQ(engine.appliedCapture.size(), 1u);
  EXPECT_EQ(engine.log.back(), "status");
}

}  // namespace
}  // namespace vd::test
