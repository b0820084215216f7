// Shows the settings sheet on its station-search page, or the automatic scan dialog, filled
// from a simulated tuner, for the screenshots in docs/. Usage: sheet_showcase [page|dialog]
#include <QApplication>
#include <QTimer>
#include <array>
#include <cstdio>
#include <memory>

#include "scan_form.h"
#include "sheet_fakes.h"
#include "vd/sheet/auto_scan_dlg.h"
#include "vd/sheet/options_sheet.h"
#include "vd/sheet/sheet_host.h"
#include "vd/sheet/sheet_page_set.h"
#include "vd/tuning/channel_table.h"

namespace {

struct ShowcaseSheetHost : vd::SheetHost {
  vd::WorkMode WorkMode() const override { return vd::WorkMode::kTv; }
  int32_t ToolPage() const override { return 4; }
  void SetToolPage(int32_t) override {}
  void RefreshMainWindow() override {}
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString what = argc > 1 ? QString::fromLatin1(argv[1]) : QStringLiteral("page");
  vd::test::TvStations tv({0, 2, 3, 5, 6, 8, 9});
  tv.host.country = 1;
  tv.host.country1 = 54;
  for (int32_t i = 0; i < 7; ++i) {
    const int32_t step = std::array<int32_t, 7>{0, 2, 3, 5, 6, 8, 9}[static_cast<size_t>(i)];
    char name[16];
    std::snprintf(name, sizeof name, "%3d%s", step + 2, CChannel::Filler(step + 2));
    tv.Table().Slots().AppendFound(step, name,
                                   (55 + 6 * static_cast<uint32_t>(step)) * 1000000 + 250000,
                                   static_cast<uint32_t>(step + 2));
  }
  tv.Table().Rename(1, "  4  News");
  tv.Table().Rename(3, "  7  Sport");
  tv.Table().Select(2, true);

  ShowcaseSheetHost sheetHost;
  vd::SheetPageSet pages(tv.host, nullptr);
  std::unique_ptr<QDialog> window;
  if (what == QLatin1String("dialog")) {
    window = std::make_unique<CAutoScanDlg>(tv.host);
  } else {
    window = std::make_unique<COptionsSheet>(sheetHost, pages);
  }
  window->resize(480, 420);
  window->move(0, 0);
  window->show();
  return app.exec();
}
