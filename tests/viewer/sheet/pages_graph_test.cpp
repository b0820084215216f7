// The pages on the real capture engine and the virtual TV box: the amplifier, the stored
// standard and the still prefix go through GraphPagesEngine to the engine and the device.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QTest>

#include "color_page.h"
#include "device_page.h"
#include "engine_fixture.h"
#include "file_page.h"
#include "vd/pages/graph_pages_engine.h"

namespace vdtest {
namespace {

class PagesGraphTest : public EngineTest {
 protected:
  vd::PagesWindow Window() {
    vd::PagesWindow window;
    window.workMode = [this] { return vd::WorkModeFromStored(mode); };
    window.fullScreen = [] { return false; };
    window.refreshDeviceStatus = [this] { ++statusRefreshes; };
    window.installFolder = [this] { return dir.string(); };
    window.currentAlbumPath = [] { return std::string("Album/Default"); };
    window.showMessage = [this](const std::string& text) { messages.push_back(text); };
    return window;
  }
  int32_t Amp(vd::AmpProperty property, CaptureGraph& engine) {
    int32_t value = -1;
    EXPECT_TRUE(vd::Succeeded(engine.VideoDevice()->GetAmp(property, &value)));
    return value;
  }

  int32_t mode = 1;
  int statusRefreshes = 0;
  std::vector<std::string> messages;
};

TEST_F(PagesGraphTest, SlidersMoveTheDeviceAndCancelPutsItBack) {
  auto engine = StartEngine();
  vd::GraphPagesEngine pages(*engine, Window());
  const int32_t brightness = Amp(vd::AmpProperty::kBrightness, *engine);
  const int32_t colour = Amp(vd::AmpProperty::kSaturation, *engine);
  CColorPage page(pages);
  ASSERT_TRUE(page.Slider(CColorPage::kBrightness)->isEnabled());
  EXPECT_EQ(page.Slider(CColorPage::kBrightness)->value(), brightness);
  const int32_t moved = brightness == page.Slider(CColorPage::kBrightness)->minimum()
                            ? brightness + 1
                            : brightness - 1;
  page.Slider(CColorPage::kBrightness)->setValue(moved);
  EXPECT_EQ(Amp(vd::AmpProperty::kBrightness, *engine), moved);
  EXPECT_EQ(page.Label(CColorPage::kBrightness)->text(), QString::number(moved));
  page.Slider(CColorPage::kColour)->setValue(page.Slider(CColorPage::kColour)->maximum());
  page.OnCancel();
  EXPECT_EQ(Amp(vd::AmpProperty::kBrightness, *engine), brightness);
  EXPECT_EQ(Amp(vd::AmpProperty::kSaturation, *engine), colour);
}

TEST_F(PagesGraphTest, ChosenStandardIsKeptForTheInput) {
  auto engine = StartEngine();
  vd::GraphPagesEngine pages(*engine, Window());
  CColorPage page(pages);
  ASSERT_TRUE(page.StandardCombo()->isEnabled());
  emit page.StandardCombo()->activated(2);
  EXPECT_EQ(engine->Settings().videoStandard1, 2);
  uint32_t standard = 0;
  ASSERT_TRUE(vd::Succeeded(engine->VideoDevice()->TvFormat(&standard)));
  EXPECT_NE(standard & vd::standard::kSecamMask, 0u);
  // The preview comes back after the settling delay.
  QTest::qWait(3 * CColorPage::kStandardSettleMs);
  EXPECT_TRUE(PumpUntil([&] { return engine->Lifecycle().IsPreviewing(); }));
}

TEST_F(PagesGraphTest, NewPrefixRestartsStillNumberingWhenApplied) {
  SetDword("NumStillImages", 12);
  auto engine = StartEngine();
  vd::GraphPagesEngine pages(*engine, Window());
  CFilePage page(pages);
  EXPECT_EQ(page.Prefix()->text(), "Image");
  EXPECT_EQ(engine->Stills().NumStillImages(), 12);
  // Typed and typed back: the same name keeps the numbering.
  page.Prefix()->setFocus();
  QTest::keyClicks(page.Prefix(), "Z");
  QTest::keyClick(page.Prefix(), Qt::Key_Backspace);
  page.OnOk();
  EXPECT_EQ(engine->Settings().stillPrefix, "Image");
  EXPECT_EQ(engine->Stills().NumStillImages(), 12);
  QTest::keyClicks(page.Prefix(), "Z");
  EXPECT_EQ(engine->Stills().NumStillImages(), 12);
  page.OnOk();
  EXPECT_EQ(engine->Settings().stillPrefix, "ImageZ");
  EXPECT_EQ(engine->Stills().NumStillImages(), 0);
  // Written at once, not only when the engine goes.
  EXPECT_EQ(store->ReadString("AviCap", "HWCaptureFile", ""), "ImageZ");
  EXPECT_EQ(store->ReadDword("AviCap", "NumStillImages", -1), 0);
}

TEST_F(PagesGraphTest, DevicePageListsTheBoxAndKeepsItOnOk) {
  auto engine = StartEngine();
  vd::GraphPagesEngine pages(*engine, Window());
  CDevicePage page(pages);
  ASSERT_GE(page.VideoList()->count(), 1);
  EXPECT_EQ(page.VideoList()->currentItem()->text(),
            QString::fromStdString(engine->Devices().VideoDeviceName()));
  page.OnOk();
  EXPECT_EQ(statusRefreshes, 1);
  EXPECT_EQ(engine->Devices().VideoDeviceName(),
            page.VideoList()->currentItem()->text().toStdString());
  EXPECT_TRUE(PumpUntil([&] { return engine->Lifecycle().IsPreviewing(); }));
}

}  // namespace
}  // namespace vdtest
