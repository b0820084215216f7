#include "vd/album/album_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <ctime>

#include "album_test_support.h"
#include "vd/album/album_texts.h"

namespace vd {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

std::vector<std::string> Names(const std::vector<MediaEntry>& entries) {
  std::vector<std::string> out;
  for (const auto& e : entries) out.push_back(e.name);
  return out;
}

std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

class AlbumStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(store.OpenStore());
    store.SetView(&view);
  }
  fs::path Gallery() const { return dir.Path() / "Gallery"; }
  fs::path InAlbum(const std::string& album, const std::string& name) const {
    return Gallery() / album / name;
  }

  test::TempDir dir;
  test::FakeHost host;
  test::RecordingView view;
  AlbumStore store{dir.Path(), host};
};

// Opening and listing

TEST(AlbumStoreOpen, FirstStartCreatesTheGalleryAndTheDefaultAlbumsInOrder) {
  test::TempDir dir;
  test::FakeHost host;
  AlbumStore store(dir.Path() / "lumatrope", host);
  ASSERT_TRUE(store.OpenStore());
  EXPECT_THAT(store.Albums(), ElementsAre("Family", "Business", "General"));
  EXPECT_THAT(FolderNames(dir.Path() / "lumatrope" / "Gallery"),
              ElementsAre("Business", "Family", "General"));
  EXPECT_EQ(store.CurrentAlbumPath(), "Gallery/Family");
  // Later starts show the same tabs in the same order, so the stored page keeps its album;
  // albums of the user's own follow by name.
  fs::create_directory(dir.Path() / "lumatrope" / "Gallery" / "Attic");
  AlbumStore again(dir.Path() / "lumatrope", host);
  ASSERT_TRUE(again.OpenStore());
  EXPECT_THAT(again.Albums(), ElementsAre("Family", "Business", "General", "Attic"));
}

TEST(AlbumStoreOpen, ExistingAlbumsAreKeptAndPlainFilesIgnored) {
  test::TempDir dir;
  test::FakeHost host;
  fs::create_directories(dir.Path() / "Gallery" / "trips");
  fs::create_directories(dir.Path() / "Gallery" / "Birthdays");
  test::WriteFile(dir.Path() / "Gallery" / "notes.avi", "x");
  fs::create_directory_symlink(dir.Path(), dir.Path() / "Gallery" / "escape");
  AlbumStore store(dir.Path(), host);
  ASSERT_TRUE(store.OpenStore());
  // By name, whatever the folder's own order; the link is not an album.
  EXPECT_THAT(store.Albums(), ElementsAre("Birthdays", "trips"));
}

TEST(AlbumStoreOpen, AGalleryThatCannotBeMadeFails) {
  test::TempDir dir;
  test::FakeHost host;
  test::WriteFile(dir.Path() / "Gallery", "a file where the folder should be");
  AlbumStore store(dir.Path(), host);
  EXPECT_FALSE(store.OpenStore());
  EXPECT_TRUE(store.Albums().empty());
}

TEST_F(AlbumStoreTest, SizeTextIsKilobytesPlusOne) {
  test::WriteFile(InAlbum("Family", "empty.avi"), "");
  test::WriteFile(InAlbum("Family", "k.bmp"), std::string(1024, 'x'));
  test::WriteFile(InAlbum("Family", "j.mpg"), std::string(1023, 'x'));
  const auto list = store.ListAlbum("Family");
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].sizeText, "1KB");
  EXPECT_EQ(list[1].sizeText, "2KB");
  EXPECT_EQ(list[2].sizeText, "1KB");
  EXPECT_EQ(MediaEntry::SizeText(5u << 20), "5121KB");
}

TEST_F(AlbumStoreTest, TimeTextIsTwelveHourLocalTime) {
  const fs::path file = InAlbum("Family", "a.avi");
  test::WriteFile(file, "x");
  std::tm afternoon{};
  afternoon.tm_year = 2024 - 1900;
  afternoon.tm_mon = 2;
  afternoon.tm_mday = 5;
  afternoon.tm_hour = 14;
  afternoon.tm_min = 7;
  afternoon.tm_isdst = -1;
  const std::time_t when = std::mktime(&afternoon);
  const utimbuf times{when, when};
  ASSERT_EQ(::utime(file.c_str(), &times), 0);
  EXPECT_EQ(store.ListAlbum("Family").at(0).timeText, "03/05/24 02:07 PM");

  std::tm midnight = afternoon;
  midnight.tm_hour = 0;
  midnight.tm_min = 30;
  midnight.tm_isdst = -1;
  EXPECT_EQ(MediaEntry::TimeText(std::mktime(&midnight)), "03/05/24 12:30 AM");
  std::tm noon = afternoon;
  noon.tm_hour = 12;
  noon.tm_min = 0;
  noon.tm_isdst = -1;
  EXPECT_EQ(MediaEntry::TimeText(std::mktime(&noon)), "03/05/24 12:00 PM");
}

TEST_F(AlbumStoreTest, ListGoesByExtensionThenFolderOrderAndSkipsOtherFiles) {
  for (const char* name : {"b.mpg", "a.bmp", "c.avi", "d.txt", "E.AVI", "f.Bmp", "avi", "g.avix"}) {
    test::WriteFile(InAlbum("Family", name), "x");
  }
  fs::create_directory(InAlbum("Family", "folder.avi"));
  const auto list = store.ListAlbum("Family");
  const auto names = Names(list);
  ASSERT_EQ(names.size(), 5u);
  EXPECT_THAT(std::vector<std::string>(names.begin(), names.begin() + 2),
              UnorderedElementsAre("c.avi", "E.AVI"));
  EXPECT_THAT(std::vector<std::string>(names.begin() + 2, names.begin() + 4),
              UnorderedElementsAre("a.bmp", "f.Bmp"));
  EXPECT_EQ(names[4], "b.mpg");
  EXPECT_EQ(list[0].kind, MediaKind::kFilm);
  EXPECT_EQ(list[2].kind, MediaKind::kPicture);
  EXPECT_EQ(list[3].kind, MediaKind::kPicture);
  EXPECT_EQ(list[4].kind, MediaKind::kFilm);
}

TEST(AlbumStorePaths, AlbumOfPathIsTheHoldingFolder) {
  EXPECT_EQ(AlbumStore::AlbumOfPath("/home/u/lumatrope/Gallery/Family/a.bmp"), "Family");
  EXPECT_EQ(AlbumStore::AlbumOfPath("a.bmp"), "");
}

// Albums

TEST_F(AlbumStoreTest, NewAlbumMakesTheFolderAndTheActiveTab) {
  store.NewAlbum("Holidays");
  EXPECT_TRUE(fs::is_directory(Gallery() / "Holidays"));
  EXPECT_THAT(store.Albums(), ElementsAre("Family", "Business", "General", "Holidays"));
  EXPECT_EQ(store.Current(), 3u);
  EXPECT_THAT(view.events, ElementsAre("added 3", "current 3"));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(AlbumStoreTest, NewAlbumWithAnExistingNameActivatesIt) {
  store.NewAlbum("Business");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "This album already exists");
  EXPECT_EQ(store.Albums().size(), 3u);
  EXPECT_EQ(store.Current(), 1u);
}

TEST_F(AlbumStoreTest, NewAlbumWithAnEmptyNameDoesNothing) {
  store.NewAlbum("");
  EXPECT_EQ(store.Albums().size(), 3u);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_TRUE(view.events.empty());
}

TEST_F(AlbumStoreTest, HostileAlbumNamesAreRefusedAndNothingIsMadeOutside) {
  const auto outsideBefore = FolderNames(dir.Path());
  const std::string withNul("a\0b", 3);
  for (const std::string& name : {std::string("../evil"), std::string("a/b"), std::string("."),
                                  std::string(".."), withNul, std::string("/tmp")}) {
    store.NewAlbum(name);
    store.RenameAlbum("General", name);
  }
  EXPECT_EQ(host.messages.size(), 12u);
  for (const auto& m : host.messages) {
    EXPECT_THAT(m.text, ::testing::StartsWith("The name '"));
    EXPECT_EQ(m.icon, MessageIcon::kExclamation);
  }
  EXPECT_NE(host.messages[8].text.find("a?b"), std::string::npos);
  EXPECT_EQ(FolderNames(dir.Path()), outsideBefore);
  EXPECT_THAT(FolderNames(Gallery()), ElementsAre("Business", "Family", "General"));
  EXPECT_THAT(store.Albums(), ElementsAre("Family", "Business", "General"));
}

TEST_F(AlbumStoreTest, RenameAlbumMovesTheFolder) {
  test::WriteFile(InAlbum("General", "a.avi"), "film");
  store.RenameAlbum("General", "Travel");
  EXPECT_THAT(store.Albums(), ElementsAre("Family", "Business", "Travel"));
  EXPECT_EQ(test::ReadFile(InAlbum("Travel", "a.avi")), "film");
  EXPECT_FALSE(fs::exists(Gallery() / "General"));
  EXPECT_THAT(view.events, ElementsAre("renamed 2"));
}

TEST_F(AlbumStoreTest, RenameAlbumOntoAnExistingNameAsksOnce) {
  host.names.push_back(std::string("Work"));
  store.RenameAlbum("Business", "Family");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text,
            "This name already exists , please choose a more original name !");
  EXPECT_EQ(host.messages[0].icon, MessageIcon::kExclamation);
  EXPECT_THAT(host.nameRequests, ElementsAre("Family"));
  EXPECT_THAT(store.Albums(), ElementsAre("Family", "Work", "General"));
  EXPECT_TRUE(fs::is_directory(Gallery() / "Work"));
}

TEST_F(AlbumStoreTest, ASecondClashOrNoAnswerEndsTheRename) {
  host.names.push_back(std::string("General"));
  store.RenameAlbum("Business", "Family");
  host.names.push_back(std::string(""));
  store.RenameAlbum("Business", "Family");
  store.RenameAlbum("Business", "Family");  // cancelled dialog
  EXPECT_EQ(host.messages.size(), 3u);
  EXPECT_THAT(store.Albums(), ElementsAre("Family", "Business", "General"));
  EXPECT_THAT(FolderNames(Gallery()), ElementsAre("Business", "Family", "General"));
}

TEST_F(AlbumStoreTest, RenameAlbumNeverMergesIntoAFolderMadeMeanwhile) {
  fs::create_directory(Gallery() / "Other");  // not yet a tab
  store.RenameAlbum("General", "Other");
  EXPECT_THAT(store.Albums(), ElementsAre("Family", "Business", "General"));
  EXPECT_TRUE(fs::is_directory(Gallery() / "General"));
}

TEST_F(AlbumStoreTest, DeletingTheLastAlbumIsRefused) {
  store.DeleteAlbum("General");
  store.DeleteAlbum("Business");
  ASSERT_EQ(store.Albums().size(), 1u);
  store.DeleteAlbum("Family");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Request denied due to lack of available albums !");
  EXPECT_EQ(host.messages[0].icon, MessageIcon::kExclamation);
  EXPECT_TRUE(fs::is_directory(Gallery() / "Family"));
  EXPECT_THAT(store.Albums(), ElementsAre("Family"));
}

TEST_F(AlbumStoreTest, AnEmptyAlbumGoesWithoutAQuestion) {
  store.SetCurrent(2);
  store.DeleteAlbum("General");
  EXPECT_TRUE(host.questions.empty());
  EXPECT_FALSE(fs::exists(Gallery() / "General"));
  EXPECT_THAT(store.Albums(), ElementsAre("Family", "Business"));
  EXPECT_EQ(store.Current(), 1u);
  EXPECT_THAT(view.events, ElementsAre("removed 2", "current 1"));
}

TEST_F(AlbumStoreTest, AnAlbumWithFilesAsksAndNoKeepsEverything) {
  test::WriteFile(InAlbum("Business", "a.avi"), "x");
  store.DeleteAlbum("Business");
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].caption, "Confirm album deletion");
  EXPECT_EQ(host.questions[0].text,
            "Warning : are you sure you want to delete the \"Business\" album and all its "
            "contents !");
  EXPECT_EQ(host.questions[0].icon, MessageIcon::kExclamation);
  EXPECT_EQ(host.questions[0].defaultButton, DefaultButton::kNo);
  EXPECT_TRUE(fs::exists(InAlbum("Business", "a.avi")));
  EXPECT_EQ(store.Albums().size(), 3u);
}

TEST_F(AlbumStoreTest, YesDeletesTheFilesAndTheAlbum) {
  test::WriteFile(InAlbum("Business", "a.avi"), "x");
  test::WriteFile(InAlbum("Business", "b.bmp"), "x");
  host.currentFile = InAlbum("Business", "a.avi");
  host.answers.push_back(true);
  store.DeleteAlbum("Business");
  EXPECT_EQ(host.questions.size(), 1u);  // no second question per file
  EXPECT_FALSE(fs::exists(Gallery() / "Business"));
  EXPECT_THAT(store.Albums(), ElementsAre("Family", "General"));
  EXPECT_THAT(host.dropped, ElementsAre(InAlbum("Business", "a.avi")));
}

TEST_F(AlbumStoreTest, OtherFilesKeepTheAlbumAfterItsMediaGo) {
  test::WriteFile(InAlbum("Business", "a.avi"), "x");
  test::WriteFile(InAlbum("Business", "notes.txt"), "keep me");
  host.answers.push_back(true);
  store.DeleteAlbum("Business");
  EXPECT_FALSE(fs::exists(InAlbum("Business", "a.avi")));
  EXPECT_EQ(test::ReadFile(InAlbum("Business", "notes.txt")), "keep me");
  EXPECT_EQ(store.Albums().size(), 3u);
}

// Files

TEST_F(AlbumStoreTest, DeleteOneFileAsksByName) {
  test::WriteFile(InAlbum("Family", "a.avi"), "x");
  host.answers.push_back(true);
  const std::vector<std::string> names = {"a.avi"};
  store.DeleteFiles("Family", names);
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].caption, "Confirm file delete");
  EXPECT_EQ(host.questions[0].text, "Are you sure you want to delete 'a.avi' ?");
  EXPECT_EQ(host.questions[0].icon, MessageIcon::kExclamation);
  EXPECT_EQ(host.questions[0].defaultButton, DefaultButton::kNo);
  EXPECT_FALSE(fs::exists(InAlbum("Family", "a.avi")));
  EXPECT_THAT(view.events, ElementsAre("content 0"));
}

TEST_F(AlbumStoreTest, DeleteSeveralFilesAsksByCountAndReportsFailures) {
  test::WriteFile(InAlbum("Family", "a.avi"), "x");
  test::WriteFile(InAlbum("Family", "b.bmp"), "x");
  host.currentFile = InAlbum("Family", "b.bmp");
  host.answers.push_back(true);
  const std::vector<std::string> names = {"a.avi", "gone.mpg", "b.bmp"};
  store.DeleteFiles("Family", names);
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].caption, "Confirm multiple file delete");
  EXPECT_EQ(host.questions[0].text, "Are you sure you want to delete 3 items ?");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text,
            "Cannot delete gone.mpg:Access is denied .\n\nMake sure the disk is not full or "
            "write-protected\nand that the file is not currently in use. ");
  EXPECT_EQ(host.messages[0].caption, "Error Deleting File");
  EXPECT_EQ(host.messages[0].icon, MessageIcon::kError);
  EXPECT_TRUE(store.ListAlbum("Family").empty());
  EXPECT_THAT(host.dropped, ElementsAre(InAlbum("Family", "b.bmp")));
}

TEST_F(AlbumStoreTest, NoToTheDeleteQuestionKeepsTheFiles) {
  test::WriteFile(InAlbum("Family", "a.avi"), "x");
  const std::vector<std::string> names = {"a.avi"};
  store.DeleteFiles("Family", names);
  EXPECT_TRUE(fs::exists(InAlbum("Family", "a.avi")));
}

TEST_F(AlbumStoreTest, DeleteNeverFollowsAHostileName) {
  test::WriteFile(dir.Path() / "victim.avi", "x");
  host.answers.push_back(true);
  const std::vector<std::string> names = {"../../victim.avi"};
  store.DeleteFiles("Family", names);
  EXPECT_TRUE(fs::exists(dir.Path() / "victim.avi"));
  EXPECT_EQ(host.messages.size(), 1u);
}

// A rename never hides a file from its album: the old extension stays.
TEST_F(AlbumStoreTest, ARenamedFileKeepsItsExtensionAndStaysListed) {
  test::WriteFile(InAlbum("Family", "still1.bmp"), "picture");
  std::string now;
  EXPECT_TRUE(store.RenameFile("Family", "still1.bmp", "bars", &now));
  EXPECT_EQ(now, "bars.bmp");
  EXPECT_TRUE(store.RenameFile("Family", "bars.bmp", "bars.txt", &now));
  EXPECT_EQ(now, "bars.txt.bmp");
  EXPECT_TRUE(store.RenameFile("Family", "bars.txt.bmp", "Test.BMP", &now));
  EXPECT_EQ(now, "Test.BMP");
  EXPECT_TRUE(store.RenameFile("Family", "Test.BMP", "Test", &now));
  EXPECT_EQ(now, "Test.BMP") << "the same name: nothing to do";
  const auto listed = store.ListAlbum("Family");
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].name, "Test.BMP");
  EXPECT_EQ(test::ReadFile(InAlbum("Family", "Test.BMP")), "picture");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(AlbumStoreTest, RenameFileKeepsTheOldNameOnEmptyOrHostileInput) {
  test::WriteFile(InAlbum("Family", "clip.avi"), "film");
  EXPECT_FALSE(store.RenameFile("Family", "clip.avi", ""));
  EXPECT_FALSE(store.RenameFile("Family", "clip.avi", "../../clip.avi"));
  EXPECT_FALSE(store.RenameFile("Family", "clip.avi", ".."));
  EXPECT_EQ(test::ReadFile(InAlbum("Family", "clip.avi")), "film");
  EXPECT_EQ(host.messages.size(), 2u);
  EXPECT_FALSE(fs::exists(dir.Path() / "clip.avi"));
}

TEST_F(AlbumStoreTest, RenameFileOntoAnotherFileFailsAndLosesNothing) {
  test::WriteFile(InAlbum("Family", "a.avi"), "first");
  test::WriteFile(InAlbum("Family", "b.avi"), "second");
  EXPECT_FALSE(store.RenameFile("Family", "a.avi", "b.avi"));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text,
            "Cannot rename a.avi:Access is denied .\n\nMake sure the disk is not full or "
            "write-protected\nand that the file is not currently in use. ");
  EXPECT_EQ(host.messages[0].caption, "Error Renaming File");
  EXPECT_EQ(host.messages[0].icon, MessageIcon::kError);
  EXPECT_EQ(test::ReadFile(InAlbum("Family", "a.avi")), "first");
  EXPECT_EQ(test::ReadFile(InAlbum("Family", "b.avi")), "second");
}

TEST_F(AlbumStoreTest, MoveFileToAnotherAlbum) {
  test::WriteFile(InAlbum("Family", "a.avi"), "film");
  EXPECT_TRUE(store.MoveFileToAlbum(InAlbum("Family", "a.avi"), "General"));
  EXPECT_EQ(test::ReadFile(InAlbum("General", "a.avi")), "film");
  EXPECT_FALSE(fs::exists(InAlbum("Family", "a.avi")));
  EXPECT_EQ(store.Current(), 2u);
  EXPECT_THAT(view.events, ElementsAre("current 2", "content 0", "content 2"));
}

TEST_F(AlbumStoreTest, MovingOntoAnExistingNameAsksAndReplacesOnYes) {
  test::WriteFile(InAlbum("Family", "a.avi"), "new");
  test::WriteFile(InAlbum("General", "a.avi"), "old");
  EXPECT_FALSE(store.MoveFileToAlbum(InAlbum("Family", "a.avi"), "General"));
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].text,
            "This Album already contains a file named 'a.avi'.\n\nWould you like to replace the "
            "existing file with this one? ");
  EXPECT_EQ(host.questions[0].caption, "Confirm File Replace");
  EXPECT_EQ(host.questions[0].defaultButton, DefaultButton::kNo);
  EXPECT_EQ(test::ReadFile(InAlbum("General", "a.avi")), "old");
  EXPECT_EQ(test::ReadFile(InAlbum("Family", "a.avi")), "new");

  host.answers.push_back(true);
  EXPECT_TRUE(store.MoveFileToAlbum(InAlbum("Family", "a.avi"), "General"));
  EXPECT_EQ(test::ReadFile(InAlbum("General", "a.avi")), "new");
  EXPECT_FALSE(fs::exists(InAlbum("Family", "a.avi")));
}

TEST_F(AlbumStoreTest, MovingTheFileInUseIsRefused) {
  test::WriteFile(InAlbum("Family", "a.avi"), "film");
  host.currentFile = InAlbum("Family", "a.avi");
  EXPECT_FALSE(store.MoveFileToAlbum(InAlbum("Family", "a.avi"), "General"));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Cannot move a.avi . The file is currently in use.");
  EXPECT_TRUE(fs::exists(InAlbum("Family", "a.avi")));
  EXPECT_EQ(store.Current(), 2u);  // the target tab became active first
}

TEST_F(AlbumStoreTest, MovingIntoItsOwnAlbumKeepsTheFile) {
  test::WriteFile(InAlbum("Family", "a.avi"), "film");
  host.answers.push_back(true);
  EXPECT_FALSE(store.MoveFileToAlbum(InAlbum("Family", "a.avi"), "Family"));
  EXPECT_EQ(test::ReadFile(InAlbum("Family", "a.avi")), "film");
  EXPECT_TRUE(host.questions.empty());
}

TEST_F(AlbumStoreTest, FilesFromOutsideTheGalleryAreNotTaken) {
  test::WriteFile(dir.Path() / "a.avi", "foreign");
  EXPECT_FALSE(store.MoveFileToAlbum(dir.Path() / "a.avi", "General"));
  EXPECT_FALSE(store.MoveFileToAlbum(InAlbum("Family", "a.avi"), "Nowhere"));
  EXPECT_TRUE(fs::exists(dir.Path() / "a.avi"));
  EXPECT_TRUE(store.ListAlbum("General").empty());
}

// Saving

TEST_F(AlbumStoreTest, SaveStillOffersTheDialogInTheCurrentAlbumAndWritesTheBitmap) {
  store.SetCurrent(1);
  host.savePath = InAlbum("General", "shot.bmp");
  BitmapInfoHeader header;
  header.width = 4;
  header.height = 2;
  header.sizeImage = 24;
  const std::vector<uint8_t> pixels(24, 0x5A);
  EXPECT_TRUE(store.SaveStill(header, pixels));

  ASSERT_EQ(host.saveRequests.size(), 1u);
  const SaveDialogRequest& r = host.saveRequests[0];
  EXPECT_EQ(r.title, "Save Capture Still");
  EXPECT_EQ(r.filter, "BitMap (*.bmp)|*.bmp||");
  EXPECT_EQ(r.defaultExtension, "bmp");
  EXPECT_EQ(r.folder, Gallery() / "Business");
  EXPECT_EQ(r.options, 0x880Eu);

  const std::string bytes = test::ReadFile(InAlbum("General", "shot.bmp"));
  ASSERT_EQ(bytes.size(), 54u + 24u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<uint8_t>(bytes[2]), 78);
  EXPECT_EQ(static_cast<uint8_t>(bytes[10]), 54);
  EXPECT_THAT(host.stills, ElementsAre(InAlbum("General", "shot.bmp")));
  // Shown in its album, which becomes the current one.
  EXPECT_EQ(store.Current(), 2u);
  EXPECT_THAT(view.events, ElementsAre("current 2", "content 2"));
  EXPECT_EQ(host.showWindow, 1);
  // No temporary file is left beside it.
  EXPECT_THAT(FolderNames(Gallery() / "General"), ElementsAre("shot.bmp"));
}

TEST_F(AlbumStoreTest, SaveStillCancelledWritesNothing) {
  BitmapInfoHeader header;
  header.width = 4;
  header.height = 2;
  EXPECT_FALSE(store.SaveStill(header, std::vector<uint8_t>(24)));
  EXPECT_TRUE(host.stills.empty());
  EXPECT_EQ(host.showWindow, 0);
}

TEST_F(AlbumStoreTest, AStillThatCannotBeWrittenIsReported) {
  host.savePath = dir.Path() / "missing-folder" / "shot.bmp";
  BitmapInfoHeader header;
  header.width = 4;
  header.height = 2;
  EXPECT_FALSE(store.SaveStill(header, std::vector<uint8_t>(24)));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].icon, MessageIcon::kError);
  EXPECT_TRUE(host.stills.empty());
}

TEST_F(AlbumStoreTest, SaveFilmHandsThePathToTheCaptureEngine) {
  host.savePath = InAlbum("Business", "clip.avi");
  EXPECT_TRUE(store.SaveFilm());
  ASSERT_EQ(host.saveRequests.size(), 1u);
  EXPECT_EQ(host.saveRequests[0].title, "Save Capture File");
  EXPECT_EQ(host.saveRequests[0].filter, "Microsoft AVI (*.avi)|*.avi||");
  EXPECT_EQ(host.saveRequests[0].defaultExtension, "avi");
  EXPECT_EQ(host.saveRequests[0].folder, Gallery() / "Family");
  EXPECT_THAT(host.savedCaptures, ElementsAre(InAlbum("Business", "clip.avi")));
  EXPECT_THAT(host.films, ElementsAre(InAlbum("Business", "clip.avi")));
  EXPECT_EQ(store.Current(), 1u);
}

TEST_F(AlbumStoreTest, SaveFilmFailsOnCancelOrEngineFailure) {
  EXPECT_FALSE(store.SaveFilm());
  EXPECT_TRUE(host.savedCaptures.empty());
  host.savePath = InAlbum("Family", "clip.avi");
  host.captureSaves = false;
  EXPECT_FALSE(store.SaveFilm());
  EXPECT_TRUE(host.films.empty());
  EXPECT_EQ(host.showWindow, 0);
}

TEST_F(AlbumStoreTest, ShowFileOutsideTheGalleryKeepsTheCurrentAlbum) {
  store.SetCurrent(1);
  fs::create_directories(dir.Path() / "elsewhere" / "General");
  store.ShowFileInAlbum(dir.Path() / "elsewhere" / "General" / "x.bmp");
  EXPECT_EQ(store.Current(), 1u);
  EXPECT_THAT(view.events, ElementsAre("content 1"));
  EXPECT_EQ(host.showWindow, 1);
}

}  // namespace
}  // namespace vd
