#pragma once
// File and folder helpers. Paths are UTF-8 with "/" separators.
#include <functional>
#include <string>
#include <vector>

namespace tolvar {

// Attribute bits as the file listing reports them.
enum : int {
  faReadOnly = 0x01,
  faHidden = 0x02,  // a name that begins with "."
  faSysFile = 0x04,
  faDirectory = 0x10,
  faArchive = 0x20,
  faAnyFile = 0x3F,
};

using TFolderCallback = std::function<void(const std::string& RelativeFolder)>;

// Appends the paths (relative to Root) of the files in Root/RelSub. Hidden
// entries and folders are listed only when AttrMask holds their bit. With
// Timestamps, "?" and the modification time in seconds follow each path; with
// Extensions, only files whose extension (no dot, any case) is listed are added.
void ListFiles(std::vector<std::string>& List, const std::string& Root, const std::string& RelSub,
               bool Recurse, int AttrMask, const TFolderCallback& OnFolder = nullptr,
               const std::vector<std::string>* Extensions = nullptr, bool Timestamps = false);

// Deletes Folder with everything in it. A file that resists brings up
// "Cannot delete <path>" with Retry and Ignore. Links are removed, never followed.
void DeleteDirTree(const std::string& Folder);

// True when Folder holds nothing, and when it cannot be listed.
bool IsDirEmpty(const std::string& Folder);

// Extension of the last path component, lower case, without the dot.
std::string ExtNoDot(const std::string& FileName);
// FileName without the last extension of its last path component and its dot.
std::string StripExt(const std::string& FileName);

// Writes Count bytes to Fd, going on after short writes and interruptions;
// returns how many bytes reached the file (Count unless writing failed).
size_t WriteAll(int Fd, const void* Bytes, size_t Count);

// Reads a whole file; false when it cannot be read.
bool ReadFileText(const std::string& Path, std::string& Contents);
// Writes Contents to Path through a temporary file and a rename, so readers
// see the old file or the new one, never half of one. A device or pipe at Path
// is written to directly and stays what it is.
bool WriteFileAtomic(const std::string& Path, const std::string& Contents);

}  // namespace tolvar
