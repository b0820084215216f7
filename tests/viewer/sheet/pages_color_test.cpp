// The colour page: sliders on the device's amplifier, refusals, Default and Cancel, and the
// video standard of the external inputs.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <algorithm>

#include "color_page.h"
#include "pages_fakes.h"

namespace vd::test {
namespace {

using A = AmpProperty;

bool Logged(const FakePagesEngine& engine, const std::string& entry) {
  return std::find(engine.log.begin(), engine.log.end(), entry) != engine.log.end();
}

TEST(PagesColour, ShowsDeviceValuesAndRanges) {
  FakePagesEngine engine;
  CColorPage page(engine);
  EXPECT_EQ(page.Slider(CColorPage::kBrightness)->maximum(), 255);
  EXPECT_EQ(page.Slider(CColorPage::kContrast)->maximum(), 127);
  EXPECT_EQ(page.Slider(CColorPage::kBrightness)->value(), 100);
  EXPECT_EQ(page.Label(CColorPage::kBrightness)->text(), "100");
  EXPECT_EQ(page.Label(CColorPage::kContrast)->text(), "50");
  EXPECT_EQ(page.Label(CColorPage::kColour)->text(), "60");
}

TEST(PagesColour, UnreadableValueShowsRangeDefault) {
  FakePagesEngine engine;
  engine.readFails = true;
  CColorPage page(engine);
  EXPECT_EQ(page.Slider(CColorPage::kBrightness)->value(), 128);
  EXPECT_EQ(page.Label(CColorPage::kColour)->text(), "70");
}

TEST(PagesColour, MissingBrightnessDisablesOnlyItsSlider) {
  FakePagesEngine engine;
  engine.ranges.erase(A::kBrightness);
  CColorPage page(engine);
  EXPECT_FALSE(page.Slider(CColorPage::kBrightness)->isEnabled());
  EXPECT_TRUE(page.Slider(CColorPage::kContrast)->isEnabled());
  EXPECT_TRUE(page.Slider(CColorPage::kColour)->isEnabled());
  page.Slider(CColorPage::kContrast)->setValue(90);
  EXPECT_EQ(engine.values[A::kContrast], 90);
  EXPECT_EQ(page.Label(CColorPage::kContrast)->text(), "90");
  EXPECT_TRUE(page.Label(CColorPage::kBrightness)->text().isEmpty());
}

TEST(PagesColour, RefusedValueLeavesLabelAtLastAccepted) {
  FakePagesEngine engine;
  engine.refuseAbove = 200;
  CColorPage page(engine);
  QSlider* slider = page.Slider(CColorPage::kBrightness);
  slider->setValue(150);
  EXPECT_EQ(page.Label(CColorPage::kBrightness)->text(), "150");
  slider->setValue(230);
  EXPECT_EQ(page.Label(CColorPage::kBrightness)->text(), "150");
  EXPECT_EQ(engine.values[A::kBrightness], 150);
  // Back to an accepted value from the refused position.
  slider->setValue(180);
  EXPECT_EQ(page.Label(CColorPage::kBrightness)->text(), "180");
}

TEST(PagesColour, CancelRestoresValuesOfOpening) {
  FakePagesEngine engine;
  CColorPage page(engine);
  page.Slider(CColorPage::kBrightness)->setValue(10);
  page.Slider(CColorPage::kContrast)->setValue(20);
  page.Slider(CColorPage::kColour)->setValue(30);
  page.OnDefault();
  page.Slider(CColorPage::kColour)->setValue(5);
  page.OnCancel();
  EXPECT_EQ(engine.values[A::kBrightness], 100);
  EXPECT_EQ(engine.values[A::kContrast], 50);
  EXPECT_EQ(engine.values[A::kSaturation], 60);
}

TEST(PagesColour, DefaultSetsEveryPropertyAndSlider) {
  FakePagesEngine engine;
  CColorPage page(engine);
  QTest::mouseClick(page.DefaultButton(), Qt::LeftButton);
  EXPECT_EQ(engine.values[A::kBrightness], 128);
  EXPECT_EQ(engine.values[A::kContrast], 64);
  EXPECT_EQ(engine.values[A::kSaturation], 70);
  EXPECT_EQ(page.Slider(CColorPage::kContrast)->value(), 64);
  EXPECT_EQ(page.Label(CColorPage::kColour)->text(), "70");
  // A later movement away from the default is applied, not mistaken for the stored value.
  page.Slider(CColorPage::kContrast)->setValue(65);
  EXPECT_EQ(engine.values[A::kContrast], 65);
}

TEST(PagesColour, StandardDisabledInTvAndRadio) {
  for (int32_t mode : {2, 3}) {
    FakePagesEngine engine;
    engine.workMode = vd::WorkModeFromStored(mode);
    CColorPage page(engine);
    EXPECT_FALSE(page.StandardGroup()->isEnabled()) << mode;
    EXPECT_FALSE(page.StandardLabel()->isEnabled()) << mode;
    EXPECT_FALSE(page.StandardCombo()->isEnabled()) << mode;
  }
}

TEST(PagesColour, StandardListsFamiliesAndSelectsStored) {
  struct Case {
    int32_t mode, stored0, stored1, index;
  };
  for (Case c : {Case{0, 1, 0, 1}, Case{0, 0, 1, 0}, Case{1, 0, 2, 2}, Case{1, 1, 7, 2}}) {
    FakePagesEngine engine;
    engine.workMode = vd::WorkModeFromStored(c.mode);
    engine.standard0 = c.stored0;
    engine.standard1 = c.stored1;
    CColorPage page(engine);
    ASSERT_EQ(page.StandardCombo()->count(), 3);
    EXPECT_EQ(page.StandardCombo()->itemText(0), "NTSC");
    EXPECT_EQ(page.StandardCombo()->itemText(1), "PAL");
    EXPECT_EQ(page.StandardCombo()->itemText(2), "SECAM");
    EXPECT_TRUE(page.StandardCombo()->isEnabled());
    EXPECT_EQ(page.StandardCombo()->currentIndex(), c.index) << c.mode << " " << c.stored1;
  }
}

TEST(PagesColour, ChoosingStandardStoresItAndRefreshesAfterDelay) {
  FakePagesEngine engine;
  engine.workMode = vd::WorkMode::kComposite;
  CColorPage page(engine);
  page.StandardCombo()->setCurrentIndex(2);
  emit page.StandardCombo()->activated(2);
  EXPECT_EQ(engine.engineStandard, 2);
  EXPECT_EQ(engine.standard1, 2);
  EXPECT_EQ(engine.standard0, 0);
  // Not at once: the decoder settles first, without blocking the window.
  EXPECT_FALSE(Logged(engine, "refresh preview"));
  QTRY_VERIFY_WITH_TIMEOUT(Logged(engine, "refresh preview"), 2000);
}

}  // namespace
}  // namespace vd::test
