// The album window on the offscreen platform, with a fake host in place of the main window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <memory>

#include "album_icons.h"
#include "album_list_ctrl.h"
#include "album_page.h"
#include "album_prop_sheet.h"
#include "album_test_support.h"
#include "vd/album/album_texts.h"
#include "vd/album/drag_record.h"
#include "vd/albumui/album_dialogs.h"
#include "vd/albumui/album_frame.h"

namespace vd {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "test_albumui";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class AlbumWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Gallery() / "Family");
    fs::create_directories(Gallery() / "General");
    fs::create_directories(Gallery() / "Travel");
  }
  fs::path Gallery() const { return dir.Path() / "Gallery"; }
  std::unique_ptr<CAlbumFrame> MakeFrame(int32_t pageNum) {
    return std::make_unique<CAlbumFrame>(host, dir.Path(), pageNum,
                                         [this](int32_t page) { keptPage = page; });
  }
  static QStringList TabTexts(const CAlbumPropSheet* sheet) {
    QStringList out;
    for (int i = 0; i < sheet->count(); ++i) out << sheet->tabText(i);
    return out;
  }
  static QStringList Rows(const AlbumListCtrl* list) {
    QStringList out;
    for (int row = 0; row < list->RowCount(); ++row) out << list->NameAt(row);
    return out;
  }
  // Shown and laid out: the item views place their rows from the event loop.
  static void Show(CAlbumFrame* frame) {
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    QApplication::processEvents();
  }
  static void DoubleClickRow(AlbumListCtrl* list, int row) {
    QApplication::processEvents();
    QAbstractItemView* view = list->ActiveView();
    const QRect rect = view->visualRect(list->Model()->index(row, 0));
    ASSERT_TRUE(rect.isValid());
    // The widget flavour of mouseDClick delivers only the double click; a real one follows a
    // press and a release.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
  }

  test::TempDir dir;
  test::FakeHost host;
  int32_t keptPage = -1;
};

TEST_F(AlbumWindowTest, TabsFollowTheAlbumsAndTheCaptionIsGallery) {
  auto frame = MakeFrame(0);
  EXPECT_EQ(frame->windowTitle(), "Gallery");
  EXPECT_THAT(TabTexts(frame->Sheet()), ElementsAre("Family", "General", "Travel"));
  EXPECT_EQ(frame->Sheet()->parentWidget(), frame.get());
}

TEST_F(AlbumWindowTest, ClosingAndReopeningReturnsToTheAlbumThatWasActive) {
  auto frame = MakeFrame(0);
  Show(frame.get());
  QTabBar* tabs = frame->Sheet()->tabBar();
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
  ASSERT_EQ(frame->Sheet()->currentIndex(), 2);
  EXPECT_EQ(frame->Sheet()->Store().CurrentAlbum(), "Travel");
  frame.reset();
  EXPECT_EQ(keptPage, 2);

  auto again = MakeFrame(keptPage);
  EXPECT_EQ(again->Sheet()->currentIndex(), 2);
  EXPECT_EQ(again->Sheet()->Store().CurrentAlbum(), "Travel");
  EXPECT_EQ(again->StillFolder(), Gallery() / "Travel");
}

TEST_F(AlbumWindowTest, AStoredPageBeyondTheAlbumsFallsBackToTheFirst) {
  auto frame = MakeFrame(7);
  EXPECT_EQ(frame->Sheet()->currentIndex(), 0);
  EXPECT_EQ(frame->Sheet()->Store().Current(), 0u);
}

TEST_F(AlbumWindowTest, ADoubleClickDuringACaptureOnlyShowsTheMessage) {
  test::WriteFile(Gallery() / "Family" / "clip.avi", "film");
  test::WriteFile(Gallery() / "Family" / "shot.bmp", "picture");
  auto frame = MakeFrame(0);
  Show(frame.get());
  AlbumListCtrl* list = frame->Sheet()->CurrentPage()->List();
  ASSERT_THAT(Rows(list), ElementsAre("clip.avi", "shot.bmp"));

  host.capturing = true;
  DoubleClickRow(list, 0);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text,
            "Please note that Double click does not work while file is being captured");
  EXPECT_TRUE(host.opened.empty());

  list->ActiveView()->selectionModel()->select(list->Model()->index(1, 0),
                                               QItemSelectionModel::ClearAndSelect);
  frame->Sheet()->OnOpen();
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[1].text,
            "Please note that you cant display a file  while another clip is being captured");
  EXPECT_TRUE(host.opened.empty());

  host.capturing = false;
  DoubleClickRow(list, 1);
  frame->Sheet()->OnOpen();
  ASSERT_EQ(host.opened.size(), 2u);
  EXPECT_EQ(host.opened[0].first, Gallery() / "Family" / "shot.bmp");
  EXPECT_EQ(host.opened[0].second, MediaKind::kPicture);
  EXPECT_EQ(host.opened[1].first, Gallery() / "Family" / "shot.bmp");
}

TEST_F(AlbumWindowTest, TheDetailsViewHasThreeColumnsWithWidthsFixedAtCreation) {
  test::WriteFile(Gallery() / "Family" / "clip.avi", std::string(1024, 'x'));
  auto frame = MakeFrame(0);
  Show(frame.get());
  CAlbumPropSheet* sheet = frame->Sheet();
  sheet->OnView(AlbumListCtrl::kDetails);
  AlbumListCtrl* list = sheet->CurrentPage()->List();
  ASSERT_EQ(list->ActiveView(), list->DetailsView());
  EXPECT_TRUE(list->DetailsView()->isVisible());
  EXPECT_FALSE(list->IconView()->isVisible());

  QStandardItemModel* model = list->Model();
  ASSERT_EQ(model->columnCount(), 3);
  EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "Name");
  EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Size");
  EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "Modified");
  EXPECT_EQ(model->index(0, 1).data().toString(), "2KB");

  QHeaderView* header = list->DetailsView()->horizontalHeader();
  const int w = AlbumListCtrl::kWidth;
  EXPECT_EQ(header->sectionSize(0), w * 3 / 7);
  EXPECT_EQ(header->sectionSize(1), w / 5);
  EXPECT_EQ(header->sectionSize(2), w * 3 / 4);
  list->resize(w * 2, AlbumListCtrl::kHeight);
  QApplication::processEvents();
  EXPECT_EQ(header->sectionSize(0), w * 3 / 7);
  EXPECT_EQ(header->sectionSize(2), w * 3 / 4);
  sheet->RefreshList();  // a refill brings a new model; the widths stay
  EXPECT_EQ(list->Model()->index(0, 0).data().toString(), "clip.avi");
  EXPECT_EQ(header->sectionSize(0), w * 3 / 7);
  EXPECT_EQ(header->sectionSize(1), w / 5);
  EXPECT_EQ(header->sectionSize(2), w * 3 / 4);

  // Every page follows the view, and the menus check it.
  EXPECT_EQ(sheet->Page(2)->List()->ViewCommand(), AlbumListCtrl::kDetails);
  std::unique_ptr<QMenu> menus[] = {sheet->AlbumMenu(), sheet->FileMenu()};
  for (const auto& menu : menus) {
    QStringList checked;
    for (QAction* action : menu->actions()) {
      if (action->isChecked()) checked << action->text();
    }
    EXPECT_THAT(checked, ElementsAre("&Details"));
  }
  sheet->OnView(AlbumListCtrl::kSmallIcons);
  EXPECT_EQ(list->ActiveView(), list->IconView());
  EXPECT_EQ(list->IconView()->viewMode(), QListView::ListMode);
  EXPECT_EQ(list->IconView()->iconSize(), QSize(16, 16));
  sheet->OnView(AlbumListCtrl::kLargeIcons);
  EXPECT_EQ(list->IconView()->viewMode(), QListView::IconMode);
  EXPECT_EQ(list->IconView()->iconSize(), QSize(32, 32));
}

TEST_F(AlbumWindowTest, TheMenusOfferTheAlbumAndTheFileCommands) {
  auto frame = MakeFrame(0);
  auto texts = [](const std::unique_ptr<QMenu>& menu) {
    QStringList out;
    for (QAction* action : menu->actions()) out << action->text();
    return out;
  };
  EXPECT_THAT(texts(frame->Sheet()->AlbumMenu()),
              ElementsAre("&New Album...", "&Rename Album...", "&Delete Album", "", "Lar&ge Icons",
                          "S&mall Icons", "&Details"));
  EXPECT_THAT(
      texts(frame->Sheet()->FileMenu()),
      ElementsAre("&Open", "Re&name", "&Delete", "", "Lar&ge Icons", "S&mall Icons", "&Details"));
}

TEST_F(AlbumWindowTest, AFileDroppedOnATabMovesThere) {
  test::WriteFile(Gallery() / "Family" / "clip.avi", "film");
  auto frame = MakeFrame(0);
  Show(frame.get());
  CAlbumPropSheet* sheet = frame->Sheet();
  const auto bytes = DragRecord{(Gallery() / "Family" / "clip.avi").string(), -1}.Encode();
  QMimeData data;
  data.setData(DragRecord::kMimeType,
               QByteArray(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  QTabBar* tabs = sheet->tabBar();
  // A drag's course over the tab row: enter, move over the third tab, drop.
  auto dropOnTab = [&](int tab) {
    const QPoint at = tabs->tabRect(tab).center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data,
                          Qt::LeftButton, {});
    QApplication::sendEvent(tabs, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton,
                        {});
    QApplication::sendEvent(tabs, &move);
    EXPECT_TRUE(move.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data,
                    Qt::LeftButton, {});
    QApplication::sendEvent(tabs, &drop);
  };

  host.capturing = true;
  dropOnTab(2);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text,
            "Please note that Drag & drop does not work while file is being captured");
  EXPECT_TRUE(fs::exists(Gallery() / "Family" / "clip.avi"));

  host.capturing = false;
  dropOnTab(2);
  EXPECT_TRUE(fs::exists(Gallery() / "Travel" / "clip.avi"));
  EXPECT_EQ(sheet->currentIndex(), 2);
  EXPECT_THAT(Rows(sheet->Page(2)->List()), ElementsAre("clip.avi"));
  EXPECT_TRUE(Rows(sheet->Page(0)->List()).isEmpty());
}

TEST_F(AlbumWindowTest, AStationRecordDroppedOnATabIsIgnored) {
  test::WriteFile(Gallery() / "Family" / "clip.avi", "film");
  auto frame = MakeFrame(0);
  const auto station = DragRecord{(Gallery() / "Family" / "clip.avi").string(), 3}.Encode();
  frame->Sheet()->DropRecord(
      1, QByteArray(reinterpret_cast<const char*>(station.data()), station.size()));
  frame->Sheet()->DropRecord(1, QByteArray("\x05garbage", 8));
  EXPECT_TRUE(fs::exists(Gallery() / "Family" / "clip.avi"));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(AlbumWindowTest, InPlaceRenamingGoesThroughTheStore) {
  test::WriteFile(Gallery() / "Family" / "a.avi", "first");
  test::WriteFile(Gallery() / "Family" / "b.avi", "second");
  auto frame = MakeFrame(0);
  Show(frame.get());
  AlbumListCtrl* list = frame->Sheet()->CurrentPage()->List();
  const int rowA = Rows(list).indexOf("a.avi");
  ASSERT_GE(rowA, 0);

  auto renameTo = [&](const QString& name) {
    const QModelIndex index = list->Model()->index(rowA, 0);
    list->ActiveView()->edit(index);
    const auto editors = list->ActiveView()->viewport()->findChildren<QLineEdit*>();
    ASSERT_EQ(editors.size(), 1);
    editors[0]->setText(name);
    QTest::keyClick(editors[0], Qt::Key_Return);
    // Return commits through a queued call, and the closed editor goes by deferred deletion;
    // both are done before the next edit.
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  };
  renameTo("b.avi");  // taken: refused, the label stays
  EXPECT_EQ(list->NameAt(rowA), "a.avi");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].caption, "Error Renaming File");
  EXPECT_EQ(test::ReadFile(Gallery() / "Family" / "b.avi"), "second");

  renameTo("holiday.avi");
  EXPECT_EQ(list->NameAt(rowA), "holiday.avi");
  EXPECT_EQ(test::ReadFile(Gallery() / "Family" / "holiday.avi"), "first");

  // The editor offers the name without its extension; what is typed replaces just that.
  list->ActiveView()->edit(list->Model()->index(rowA, 0));
  QApplication::processEvents();
  auto editors = list->ActiveView()->viewport()->findChildren<QLineEdit*>();
  ASSERT_EQ(editors.size(), 1);
  EXPECT_EQ(editors[0]->selectedText(), "holiday");
  QTest::keyClicks(editors[0], "bars");
  QTest::keyClick(editors[0], Qt::Key_Return);
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(list->NameAt(rowA), "bars.avi");
  EXPECT_EQ(test::ReadFile(Gallery() / "Family" / "bars.avi"), "first");
  renameTo("plain");
  EXPECT_EQ(list->NameAt(rowA), "plain.avi") << "the label shows the name the file has";
  EXPECT_TRUE(fs::exists(Gallery() / "Family" / "plain.avi"));

  // A second click on the selected row opens no editor, which would take the Delete key.
  const QRect cell = list->ActiveView()->visualRect(list->Model()->index(rowA, 0));
  QTest::mouseClick(list->ActiveView()->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::qWait(QApplication::doubleClickInterval() + 50);
  QTest::mouseClick(list->ActiveView()->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::qWait(QApplication::doubleClickInterval() + 200);
  EXPECT_TRUE(list->ActiveView()->viewport()->findChildren<QLineEdit*>().isEmpty());
}

TEST_F(AlbumWindowTest, AlbumCommandsAddRetitleAndRemoveTabs) {
  auto frame = MakeFrame(0);
  CAlbumPropSheet* sheet = frame->Sheet();
  host.names.push_back(std::string("Pets"));
  sheet->OnNewAlbum();
  EXPECT_THAT(TabTexts(sheet), ElementsAre("Family", "General", "Travel", "Pets"));
  EXPECT_EQ(sheet->currentIndex(), 3);

  host.names.push_back(std::string("Animals"));
  sheet->OnRenameAlbum();
  EXPECT_THAT(host.nameRequests, ElementsAre("", "Pets"));
  EXPECT_EQ(sheet->tabText(3), "Animals");
  EXPECT_EQ(sheet->CurrentPage()->Album(), "Animals");

  sheet->OnDeleteAlbum();
  QApplication::processEvents();
  EXPECT_THAT(TabTexts(sheet), ElementsAre("Family", "General", "Travel"));
  EXPECT_EQ(sheet->currentIndex(), 2);
  EXPECT_EQ(sheet->Store().Current(), 2u);
  EXPECT_FALSE(fs::exists(Gallery() / "Animals"));
}

TEST_F(AlbumWindowTest, DeleteRemovesTheSelectedRows) {
  test::WriteFile(Gallery() / "Family" / "a.avi", "x");
  test::WriteFile(Gallery() / "Family" / "b.mpg", "x");
  auto frame = MakeFrame(0);
  AlbumListCtrl* list = frame->Sheet()->CurrentPage()->List();
  list->ActiveView()->selectionModel()->select(list->Model()->index(Rows(list).indexOf("a.avi"), 0),
                                               QItemSelectionModel::ClearAndSelect);
  host.answers.push_back(true);
  frame->Sheet()->OnDeleteFiles();
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].text, "Are you sure you want to delete 'a.avi' ?");
  EXPECT_THAT(Rows(list), ElementsAre("b.mpg"));
}

// Names from another system's encoding are not UTF-8; the list must still open, delete and
// rename the very file it shows.
TEST_F(AlbumWindowTest, AFileWhoseNameIsNotUtf8OpensDeletesAndRenames) {
  const std::string latin1 = "caf\xe9.avi";
  const std::string other = "gr\xfc\xdf.bmp";
  test::WriteFile(Gallery() / "Family" / latin1, "film");
  test::WriteFile(Gallery() / "Family" / other, "picture");
  auto frame = MakeFrame(0);
  Show(frame.get());
  AlbumListCtrl* list = frame->Sheet()->CurrentPage()->List();
  ASSERT_EQ(list->RowCount(), 2);
  const int film = list->FileNameAt(0) == latin1 ? 0 : 1;
  ASSERT_EQ(list->FileNameAt(film), latin1);
  ASSERT_EQ(list->FileNameAt(1 - film), other);

  DoubleClickRow(list, film);
  ASSERT_EQ(host.opened.size(), 1u);
  EXPECT_EQ(host.opened[0].first, Gallery() / "Family" / latin1);
  EXPECT_TRUE(fs::exists(host.opened[0].first));

  list->ActiveView()->selectionModel()->select(list->Model()->index(1 - film, 0),
                                               QItemSelectionModel::ClearAndSelect);
  host.answers.push_back(true);
  frame->Sheet()->OnDeleteFiles();
  EXPECT_FALSE(fs::exists(Gallery() / "Family" / other));
  ASSERT_EQ(list->RowCount(), 1);

  list->ActiveView()->edit(list->Model()->index(0, 0));
  const auto editors = list->ActiveView()->viewport()->findChildren<QLineEdit*>();
  ASSERT_EQ(editors.size(), 1);
  editors[0]->setText("cafe.avi");
  QTest::keyClick(editors[0], Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_TRUE(fs::exists(Gallery() / "Family" / "cafe.avi"));
  EXPECT_FALSE(fs::exists(Gallery() / "Family" / latin1));
}

TEST_F(AlbumWindowTest, APendingRefreshShowsNewStillsOnce) {
  auto frame = MakeFrame(0);
  AlbumListCtrl* list = frame->Sheet()->CurrentPage()->List();
  test::WriteFile(Gallery() / "Family" / "Image1.bmp", "x");
  EXPECT_FALSE(frame->RefreshIfMarked());
  EXPECT_EQ(list->RowCount(), 0);
  frame->MarkForRefresh();
  EXPECT_TRUE(frame->RefreshIfMarked());
  EXPECT_THAT(Rows(list), ElementsAre("Image1.bmp"));
  EXPECT_FALSE(frame->RefreshIfMarked());
}

TEST_F(AlbumWindowTest, ARefreshKeepsTheSelectionTheMenuActsOn) {
  test::WriteFile(Gallery() / "Family" / "a.avi", "x");
  test::WriteFile(Gallery() / "Family" / "b.bmp", "x");
  auto frame = MakeFrame(0);
  AlbumListCtrl* list = frame->Sheet()->CurrentPage()->List();
  const QModelIndex clip = list->Model()->index(Rows(list).indexOf("a.avi"), 0);
  list->ActiveView()->selectionModel()->setCurrentIndex(clip, QItemSelectionModel::ClearAndSelect);
  // A still arrives while the file menu is open; the timer's refresh refills the list.
  test::WriteFile(Gallery() / "Family" / "c.bmp", "x");
  frame->MarkForRefresh();
  ASSERT_TRUE(frame->RefreshIfMarked());
  ASSERT_EQ(list->RowCount(), 3);
  EXPECT_THAT(list->SelectedNames(), ElementsAre("a.avi"));
  EXPECT_EQ(list->NameAt(list->ActiveView()->currentIndex().row()), "a.avi");
  frame->Sheet()->OnOpen();
  ASSERT_EQ(host.opened.size(), 1u);
  EXPECT_EQ(host.opened[0].first.filename(), "a.avi");
}

// Another program adds and removes files: the lists follow without a refresh of ours, the
// view stays where the user put it, and a row whose file went first says so when opened.
TEST_F(AlbumWindowTest, FilesChangedBehindItsBackShowAndAVanishedFileSaysSo) {
  for (int i = 10; i < 70; ++i)
    test::WriteFile(Gallery() / "Family" / ("shot" + std::to_string(i) + ".bmp"), "x");
  auto frame = MakeFrame(0);
  frame->Sheet()->OnView(AlbumListCtrl::kDetails);
  Show(frame.get());
  AlbumListCtrl* list = frame->Sheet()->CurrentPage()->List();
  const int kept = Rows(list).indexOf("shot40.bmp");
  ASSERT_GE(kept, 0);
  list->ActiveView()->selectionModel()->setCurrentIndex(list->Model()->index(kept, 0),
                                                        QItemSelectionModel::ClearAndSelect);
  list->ActiveView()->scrollToBottom();
  const int scrolled = list->ActiveView()->verticalScrollBar()->value();
  ASSERT_GT(scrolled, 0);

  test::WriteFile(Gallery() / "Family" / "shot70.bmp", "x");
  fs::remove(Gallery() / "Family" / "shot11.bmp");
  test::WriteFile(Gallery() / "Travel" / "clip.avi", "x");
  EXPECT_TRUE(QTest::qWaitFor([&] { return Rows(list).contains("shot70.bmp"); }, 3000));
  EXPECT_FALSE(Rows(list).contains("shot11.bmp"));
  EXPECT_EQ(list->RowCount(), 60);
  EXPECT_THAT(Rows(frame->Sheet()->Page(2)->List()), ElementsAre("clip.avi"));
  EXPECT_THAT(list->SelectedNames(), ElementsAre("shot40.bmp"));
  EXPECT_EQ(list->ActiveView()->verticalScrollBar()->value(), scrolled);

  const int gone = Rows(list).indexOf("shot50.bmp");
  fs::remove(Gallery() / "Family" / "shot50.bmp");
  frame->Sheet()->OpenRow(gone, true);
  EXPECT_TRUE(host.opened.empty());
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_THAT(host.messages[0].text, ::testing::StartsWith("'shot50.bmp' is no longer"));
  EXPECT_FALSE(Rows(list).contains("shot50.bmp"));
  EXPECT_THAT(list->SelectedNames(), ElementsAre("shot40.bmp"));
}

TEST_F(AlbumWindowTest, ASavedStillIsShownInItsAlbum) {
  auto frame = MakeFrame(0);
  host.savePath = Gallery() / "Travel" / "snap.bmp";
  BitmapInfoHeader header;
  header.width = 8;
  header.height = 8;
  EXPECT_TRUE(frame->SaveStill(header, std::vector<uint8_t>(8 * 8 * 3, 0x40)));
  EXPECT_EQ(frame->Sheet()->currentIndex(), 2);
  EXPECT_THAT(Rows(frame->Sheet()->Page(2)->List()), ElementsAre("snap.bmp"));
  EXPECT_EQ(frame->Sheet()->Page(2)->List()->KindAt(0), MediaKind::kPicture);
  EXPECT_EQ(host.showWindow, 1);
}

TEST(AlbumDialogsFilter, TheSaveFiltersBecomeQtFilters) {
  EXPECT_EQ(AlbumDialogs::QtFilter("BitMap (*.bmp)|*.bmp||"), "BitMap (*.bmp)");
  EXPECT_EQ(AlbumDialogs::QtFilter("Microsoft AVI (*.avi)|*.avi||"), "Microsoft AVI (*.avi)");
  EXPECT_EQ(AlbumDialogs::QtFilter("Pictures|*.bmp;*.dib|All|*||"),
            "Pictures (*.bmp *.dib);;All (*)");
}

TEST(AlbumIconsArt, BothIconsComeInBothSizesAndDiffer) {
  for (const QIcon& icon : {AlbumIcons::Film(), AlbumIcons::Picture()}) {
    EXPECT_THAT(icon.availableSizes(), ElementsAre(QSize(16, 16), QSize(32, 32)));
    const QImage image = icon.pixmap(32).toImage();
    EXPECT_GT(qAlpha(image.pixel(16, 16)), 0);  // something is drawn in the middle
  }
  EXPECT_NE(AlbumIcons::Film().pixmap(32).toImage(), AlbumIcons::Picture().pixmap(32).toImage());
}

}  // namespace
}  // namespace vd
