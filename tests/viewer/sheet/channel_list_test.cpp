// The channel list: what it shows and in which order, tuning by double click, renaming in
// place, deleting with and without the confirmation, Delete All, and the drag that swaps two
// stations.
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "channel_drag_record.h"
#include "channel_list_model.h"
#include "scan_page.h"
#include "sheet_fakes.h"
#include "vd/sheet/channel_list_ctrl.h"
#include "vd/tuning/channel_table.h"

namespace vd::test {
namespace {

// A TV table with stations added out of name order: "  8", " 12", "  3" at 120, 60, 70 MHz.
struct ChannelListTest : ::testing::Test {
  ChannelListTest() {
    CChannelTable& t = tv.Table();
    t.Slots().AppendFound(7, "  8    ", 120250000, 8);
    t.Slots().AppendFound(1, " 12  ", 60000000, 12);
    t.Slots().AppendFound(2, "  3    ", 70000000, 3);
    list = std::make_unique<CChannelListCtrl>(tv.host);
    list->resize(350, 200);
    list->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    list->Fill();
  }
  QString Text(int row, int column) { return list->model()->index(row, column).data().toString(); }
  QModelIndex Index(int row) { return list->model()->index(row, 0); }
  void SelectRow(int row) {
    list->selectionModel()->setCurrentIndex(
        Index(row), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }

  TvStations tv{{}};
  std::unique_ptr<CChannelListCtrl> list;
  MessageScript messages;
};

TEST_F(ChannelListTest, TvTableIsSortedBeforeFilling) {
  EXPECT_EQ(Text(0, 0), "  3    ");
  EXPECT_EQ(Text(1, 0), "  8    ");
  EXPECT_EQ(Text(2, 0), " 12  ");
  EXPECT_EQ(tv.Table().Get(0)->Name(), "  3    ");  // the table itself was sorted
  EXPECT_EQ(Text(0, 1), "70.00");
  EXPECT_EQ(Text(1, 1), "120.25");
  EXPECT_EQ(Text(2, 1), "60.00");
  // The current station (the last one found) follows the sort and is selected.
  EXPECT_EQ(tv.Table().Current(), 0);
  EXPECT_EQ(list->SelectedRow(), 0);
}

TEST(ChannelListRadio, RadioKeepsItsOrder) {
  TvStations radio({}, true);
  radio.Table().Slots().AppendFound(3, "98.10 ", 98100000, 0);
  radio.Table().Slots().AppendFound(1, "88.00 ", 88000000, 0);
  CChannelListCtrl list(radio.host);
  list.Fill();
  EXPECT_EQ(list.model()->index(0, 0).data().toString(), "98.10 ");
  EXPECT_EQ(list.model()->index(1, 1).data().toString(), "88.00");
}

TEST_F(ChannelListTest, ColumnsLookAndWidths) {
  EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal).toString(), "Name");
  EXPECT_EQ(list->model()->headerData(1, Qt::Horizontal).toString(), "Frequency");
  const int width = list->viewport()->width();
  EXPECT_EQ(list->columnWidth(0), width * 4 / 7);
  EXPECT_EQ(list->columnWidth(1), width * 3 / 7);
  EXPECT_EQ(list->palette().color(QPalette::Text), QColor(255, 30, 0));
  EXPECT_TRUE(list->showGrid());
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_TRUE(list->horizontalHeader()->sectionsMovable());
}

TEST_F(ChannelListTest, TextIsReadFromTheTableOnDemand) {
  tv.Table().Rename(2, "Sport");
  EXPECT_EQ(Text(2, 0), "Sport");
  EXPECT_FALSE(list->model()->index(3, 0).data().isValid());
}

TEST_F(ChannelListTest, DoubleClickTunesTheStation) {
  const QRect cell = list->visualRect(Index(2));
  // A double click as the window system delivers it: press, release, double click, release.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
  QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(cell.center()),
                    list->viewport()->mapToGlobal(QPointF(cell.center())), Qt::LeftButton,
                    Qt::LeftButton, {});
  QCoreApplication::sendEvent(list->viewport(), &twice);
  QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(tv.Table().Current(), 2);
  EXPECT_EQ(tv.rig->tuner->frequency, 60000000u);
  EXPECT_EQ(tv.host.displayRefreshes, 1);
}

TEST_F(ChannelListTest, RenameInPlaceRenamesRefreshesAndRefills) {
  list->show();
  SelectRow(1);
  list->edit(Index(1));
  auto* editor = list->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setText("  1 News");  // sorts before "  3" once refilled
  QTest::keyClick(editor, Qt::Key_Return);
  // The commit and the refill after it are both delivered by the event loop.
  ASSERT_TRUE(QTest::qWaitFor([&] { return Text(0, 0) == "  1 News"; }, 2000));
  EXPECT_EQ(tv.host.displayRefreshes, 1);
  EXPECT_EQ(tv.Table().Get(0)->Name(), "  1 News");
}

TEST_F(ChannelListTest, NameFromTeletextRenamesOnlyTheTunedTvStation) {
  // Rows after sorting: "  3", "  8", " 12"; the tuned station is " 12".
  tv.Table().Select(2, false);
  SelectRow(2);
  EXPECT_FALSE(list->CanNameFromTeletext()) << "no name received yet";
  tv.host.teletextName = "Kanal Nord";
  SelectRow(0);
  EXPECT_FALSE(list->CanNameFromTeletext()) << "the name is the tuned station's, not this one's";
  EXPECT_FALSE(list->NameFromTeletext());
  EXPECT_EQ(tv.Table().Get(0)->Name(), "  3    ");
  tv.host.workMode = vd::WorkMode::kRadio;
  SelectRow(2);
  EXPECT_FALSE(list->CanNameFromTeletext()) << "radio has no teletext";
  tv.host.workMode = vd::WorkMode::kTv;
  ASSERT_TRUE(list->NameFromTeletext());
  EXPECT_EQ(tv.Table().Get(2)->Name(), "Kanal Nord");
  EXPECT_EQ(tv.host.displayRefreshes, 1);
  // The list shows it once refilled, sorted by the new name.
  EXPECT_TRUE(QTest::qWaitFor([&] { return Text(2, 0) == "Kanal Nord"; }, 2000));
}

TEST_F(ChannelListTest, EmptyOrCancelledEditChangesNothing) {
  list->show();
  list->edit(Index(1));
  auto* editor = list->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setText("");
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents();
  EXPECT_EQ(tv.Table().Get(1)->Name(), "  8    ");

  list->edit(Index(1));
  editor = list->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setText("Other");
  QTest::keyClick(editor, Qt::Key_Escape);
  QCoreApplication::processEvents();
  EXPECT_EQ(tv.Table().Get(1)->Name(), "  8    ");
  EXPECT_EQ(tv.host.displayRefreshes, 0);
}

TEST_F(ChannelListTest, DeleteAsksWithTheStationsName) {
  SelectRow(1);
  messages.Answer(false);
  list->DeleteSelected();
  ASSERT_EQ(messages.asked.size(), 1u);
  EXPECT_EQ(messages.asked[0].kind, MessageRequest::Kind::kDeleteStation);
  EXPECT_EQ(messages.asked[0].text, "Confirm that you would like to delete   8    ?");
  EXPECT_EQ(tv.Table().Count(), 3);  // Cancel keeps it

  messages.Answer(true);
  list->DeleteSelected();
  EXPECT_EQ(tv.Names(), (std::vector<std::string>{"  3    ", " 12  "}));
  EXPECT_EQ(list->model()->rowCount(), 2);
  EXPECT_FALSE(tv.host.deleteWarningOff);
  EXPECT_EQ(tv.host.displayRefreshes, 1);
}

TEST_F(ChannelListTest, CheckedBoxSwitchesFurtherConfirmationsOff) {
  SelectRow(0);
  messages.Answer(true, true);
  list->DeleteSelected();
  EXPECT_TRUE(tv.host.deleteWarningOff);
  SelectRow(0);
  list->DeleteSelected();
  EXPECT_EQ(messages.asked.size(), 1u);
  EXPECT_EQ(tv.Names(), (std::vector<std::string>{" 12  "}));
}

TEST_F(ChannelListTest, DeleteWithoutWarningAsksNothing) {
  tv.host.deleteWarningOff = true;
  SelectRow(2);
  list->DeleteSelected();
  EXPECT_TRUE(messages.asked.empty());
  EXPECT_EQ(tv.Names(), (std::vector<std::string>{"  3    ", "  8    "}));
}

TEST_F(ChannelListTest, DeleteWithNoRowDoesNothing) {
  list->clearSelection();
  list->DeleteSelected();
  EXPECT_TRUE(messages.asked.empty());
  EXPECT_EQ(tv.Table().Count(), 3);
}

TEST_F(ChannelListTest, DeleteKeyDeletesTheSelectedRow) {
  tv.host.deleteWarningOff = true;
  SelectRow(0);
  QTest::keyClick(list.get(), Qt::Key_Delete);
  EXPECT_EQ(tv.Table().Count(), 2);
}

TEST_F(ChannelListTest, DeleteAllAsksWithNoAsDefault) {
  messages.Answer(false);
  list->DeleteAll();
  ASSERT_EQ(messages.asked.size(), 1u);
  const MessageRequest& q = messages.asked[0];
  EXPECT_EQ(q.kind, MessageRequest::Kind::kYesNoQuestion);
  EXPECT_EQ(q.caption, "Verify channel list deletion");
  EXPECT_EQ(q.text, "This will delete the entire channel list.\nDo you want to continue ?");
  EXPECT_TRUE(q.defaultNo);
  EXPECT_EQ(tv.Table().Count(), 3);

  messages.Answer(true);
  list->DeleteAll();
  EXPECT_EQ(tv.Table().Count(), 0);
  EXPECT_EQ(tv.Table().Current(), -1);
  EXPECT_EQ(list->model()->rowCount(), 0);

  list->DeleteAll();  // empty: nothing to ask
  EXPECT_EQ(messages.asked.size(), 2u);
}

TEST_F(ChannelListTest, PageButtonsReachTheList) {
  CScanPage page(tv.host);
  tv.host.deleteWarningOff = true;
  page.List()->selectionModel()->setCurrentIndex(
      page.List()->model()->index(0, 0),
      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  QTest::mouseClick(page.DeleteButton(), Qt::LeftButton);
  EXPECT_EQ(tv.Table().Count(), 2);
  messages.Answer(true);
  QTest::mouseClick(page.DeleteAllButton(), Qt::LeftButton);
  EXPECT_EQ(tv.Table().Count(), 0);
}

TEST_F(ChannelListTest, DroppingAStationSwapsTheTwoRows) {
  tv.Table().Select(0, false);
  ASSERT_TRUE(list->DropOnRow(ChannelDragRecord{"", 0}.Encode(), 2));
  EXPECT_EQ(Text(0, 0), " 12  ");
  EXPECT_EQ(Text(2, 0), "  3    ");
  EXPECT_EQ(tv.Table().Current(), 2);  // the current station moved with its row
}

TEST_F(ChannelListTest, DropEventOnARowSwaps) {
  list->show();
  auto data = ChannelDragRecord::StationMimeData(2);
  const QPoint at = list->visualRect(Index(0)).center();
  QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
  QCoreApplication::sendEvent(list->viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::MoveAction, data.get(), Qt::LeftButton, {});
  QCoreApplication::sendEvent(list->viewport(), &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(tv.Names(), (std::vector<std::string>{" 12  ", "  8    ", "  3    "}));
}

TEST_F(ChannelListTest, AlbumFilesAndBadRecordsAreRefused) {
  const auto before = tv.Names();
  EXPECT_FALSE(list->DropOnRow(ChannelDragRecord{"/home/a/Gallery/x.bmp", -1}.Encode(), 1));
  EXPECT_FALSE(list->DropOnRow(ChannelDragRecord{"", -1}.Encode(), 1));
  EXPECT_FALSE(list->DropOnRow(ChannelDragRecord{"", 3}.Encode(), 1));  // no such station
  EXPECT_FALSE(list->DropOnRow(ChannelDragRecord{"", 0}.Encode(), 7));  // no such row
  EXPECT_FALSE(list->DropOnRow(QByteArray("\x05"
                                          "ab",
                                          3),
                               1));
  EXPECT_EQ(tv.Names(), before);

  QMimeData album;
  album.setData(ChannelDragRecord::kMimeType, ChannelDragRecord{"x.avi", -1}.Encode());
  QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, &album, Qt::LeftButton, {});
  QCoreApplication::sendEvent(list->viewport(), &enter);
  EXPECT_FALSE(enter.isAccepted());
}

TEST(ChannelListScroll, DirectionNearTheEdges) {
  EXPECT_EQ(CChannelListCtrl::ScrollDirection(0, 200), -1);
  EXPECT_EQ(CChannelListCtrl::ScrollDirection(29, 200), -1);
  EXPECT_EQ(CChannelListCtrl::ScrollDirection(30, 200), 0);
  EXPECT_EQ(CChannelListCtrl::ScrollDirection(170, 200), 0);
  EXPECT_EQ(CChannelListCtrl::ScrollDirection(171, 200), 1);
}

TEST(ChannelListScroll, DragNearTheBottomScrollsAfterTheDelayThenRepeats) {
  TvStations tv({});
  for (int32_t i = 0; i < 40; ++i) {
    tv.Table().Slots().AppendFound(i, std::to_string(100 + i), 50000000 + i * 1000, 0);
  }
  CChannelListCtrl list(tv.host);
  list.resize(300, 160);
  list.show();
  list.Fill();
  list.scrollToTop();
  auto data = ChannelDragRecord::StationMimeData(0);
  const QPoint bottom(20, list.viewport()->height() - 5);
  QDragEnterEvent enter(bottom, Qt::MoveAction, data.get(), Qt::LeftButton, {});
  QCoreApplication::sendEvent(list.viewport(), &enter);
  QDragMoveEvent move(bottom, Qt::MoveAction, data.get(), Qt::LeftButton, {});
  QCoreApplication::sendEvent(list.viewport(), &move);
  EXPECT_EQ(list.AutoScrollInterval(), CChannelListCtrl::kFirstScrollMs);
  EXPECT_EQ(list.verticalScrollBar()->value(), 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return list.verticalScrollBar()->value() >= 1; }, 3000));
  EXPECT_EQ(list.verticalScrollBar()->value(), 1);  // one line per tick
  EXPECT_EQ(list.AutoScrollInterval(), CChannelListCtrl::kRepeatScrollMs);

  QDragMoveEvent middle(QPoint(20, list.viewport()->height() / 2), Qt::MoveAction, data.get(),
                        Qt::LeftButton, {});
  QCoreApplication::sendEvent(list.viewport(), &middle);
  EXPECT_EQ(list.AutoScrollInterval(), 0);
}

}  // namespace
}  // namespace vd::test
