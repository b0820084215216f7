// The album's user-visible texts (English string table) and the two substitutions they use.
#pragma once

#include <string>
#include <string_view>

namespace vd::album_text {

inline constexpr std::string_view kGalleryFolder = "Gallery";
inline constexpr std::string_view kGalleryCaption = "Gallery";
inline constexpr std::string_view kDefaultAlbums[] = {"Family", "Business", "General"};

inline constexpr std::string_view kAlbumExists = "This album already exists";
inline constexpr std::string_view kNameExists =
    "This name already exists , please choose a more original name !";
inline constexpr std::string_view kNoAlbumLeft = "Request denied due to lack of available albums !";
inline constexpr std::string_view kConfirmAlbumDeleteCaption = "Confirm album deletion";
inline constexpr std::string_view kConfirmAlbumDelete =
    "Warning : are you sure you want to delete the \"*\" album and all its contents !";
inline constexpr std::string_view kConfirmFileDeleteCaption = "Confirm* file delete";
inline constexpr std::string_view kConfirmFileDeleteLead = "Are you sure you want to delete ";
inline constexpr std::string_view kCannotDelete =
    "Cannot delete %1:Access is denied .\n\nMake sure the disk is not full or "
    "write-protected\nand that the file is not currently in use. ";
inline constexpr std::string_view kErrorDeletingCaption = "Error Deleting File";
inline constexpr std::string_view kCannotRename =
    "Cannot rename %1:Access is denied .\n\nMake sure the disk is not full or "
    "write-protected\nand that the file is not currently in use. ";
inline constexpr std::string_view kErrorRenamingCaption = "Error Renaming File";
inline constexpr std::string_view kFileInUse = "Cannot move %1 . The file is currently in use.";
inline constexpr std::string_view kConfirmReplace =
    "This Album already contains a file named '%1'.\n\nWould you like to replace the existing "
    "file with this one? ";
inline constexpr std::string_view kConfirmReplaceCaption = "Confirm File Replace";

inline constexpr std::string_view kSaveStillTitle = "Save Capture Still";
inline constexpr std::string_view kSaveStillFilter = "BitMap (*.bmp)|*.bmp||";
inline constexpr std::string_view kSaveStillExtension = "bmp";
inline constexpr std::string_view kSaveFilmTitle = "Save Capture File";
inline constexpr std::string_view kSaveFilmFilter = "Microsoft AVI (*.avi)|*.avi||";
inline constexpr std::string_view kSaveFilmExtension = "avi";

inline constexpr std::string_view kNoDoubleClickWhileCapturing =
    "Please note that Double click does not work while file is being captured";
inline constexpr std::string_view kNoDisplayWhileCapturing =
    "Please note that you cant display a file  while another clip is being captured";
inline constexpr std::string_view kNoDropWhileCapturing =
    "Please note that Drag & drop does not work while file is being captured";

// Names the file system cannot hold, or that would lead out of the gallery.
inline constexpr std::string_view kBadName =
    "The name '%1' cannot be used.\n\nA name may not contain '/', and may not be '.' or '..'.";
// A still whose file could not be written would otherwise vanish without a word.
inline constexpr std::string_view kCannotSaveStill =
    "Cannot save %1.\n\nMake sure the disk is not full or write-protected.";
// A row whose file went behind the window's back (another program, a file manager).
inline constexpr std::string_view kFileGone =
    "'%1' is no longer in this album: it was moved, renamed or deleted outside the "
    "program.\n\nThe list now shows what the album holds.";

// Replaces every "%1" in `pattern` with `arg`.
std::string Substitute(std::string_view pattern, std::string_view arg);
// Replaces every "*" in `pattern` with `arg` (an empty `arg` removes it).
std::string ReplaceStar(std::string_view pattern, std::string_view arg);

}  // namespace vd::album_text
