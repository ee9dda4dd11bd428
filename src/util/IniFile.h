#pragma once
// INI files in UTF-8 with the semantics of the private-profile functions: a
// file that is not valid UTF-8 is read as Latin-1, a missing file reads as
// empty, names compare without regard to case, integers that do not
// parse give the default, booleans are "1"/"0". Writes keep the order, comments
// and blank lines of the existing file, append new keys to their section and
// new sections at the end, and reach the disk atomically in UpdateFile (called
// by the destructor when anything changed).
#include <string>
#include <vector>

namespace tolvar {

class TIniFile {
 public:
  explicit TIniFile(std::string FileName);
  ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::string& FileName() const { return Path; }

  std::string ReadString(const std::string& Section, const std::string& Key,
                         const std::string& Default) const;
  long long ReadInteger(const std::string& Section, const std::string& Key,
                        long long Default) const;
  bool ReadBool(const std::string& Section, const std::string& Key, bool Default) const;

  void WriteString(const std::string& Section, const std::string& Key, const std::string& Value);
  void WriteInteger(const std::string& Section, const std::string& Key, long long Value);
  void WriteBool(const std::string& Section, const std::string& Key, bool Value);

  bool SectionExists(const std::string& Section) const;
  bool ValueExists(const std::string& Section, const std::string& Key) const;
  std::vector<std::string> ReadSections() const;
  std::vector<std::string> ReadSection(const std::string& Section) const;  // key names
  void EraseSection(const std::string& Section);
  void DeleteKey(const std::string& Section, const std::string& Key);

  // Writes pending changes; false (and the old file intact) when that fails.
  bool UpdateFile();

 private:
  struct TLine {
    std::string Text;  // the line as it stands in the file
    std::string Key;   // empty for comments, blank lines and lines without "="
  };
  struct TSection {
    std::string Name;  // empty for the lines before the first section header
    std::vector<TLine> Lines;
    bool Added = false;  // not in the file as read
  };

  const TSection* Find(const std::string& Section) const;
  TSection* Find(const std::string& Section);
  static const TLine* FindKey(const TSection& S, const std::string& Key);
  static std::string ValueOf(const TLine& Line);

  std::string Path;
  std::vector<TSection> Sections;
  bool Dirty = false;
};

// Parses a whole decimal (or 0x hexadecimal) integer; false for anything else.
bool ParseInteger(const std::string& Text, long long& Value);

}  // namespace tolvar
