#include "IniFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "FileFunctions.h"
#include "StringFunctions.h"
#include "TextEncoding.h"

namespace tolvar {

bool ParseInteger(const std::string& Text, long long& Value) {
  std::string T = Trim(Text);
  if (T.empty()) return false;
  int Base = 10;
  size_t Digits = (T[0] == '-' || T[0] == '+') ? 1 : 0;
  if (T.size() > Digits + 2 && T[Digits] == '0' && (T[Digits + 1] == 'x' || T[Digits + 1] == 'X'))
    Base = 16;
  if (Digits >= T.size() || !std::isxdigit(static_cast<unsigned char>(T.back()))) return false;
  char* End = nullptr;
  errno = 0;
  long long Parsed = std::strtoll(T.c_str(), &End, Base);
  if (errno != 0 || End != T.c_str() + T.size()) return false;
  Value = Parsed;
  return true;
}

TIniFile::TIniFile(std::string FileName) : Path(std::move(FileName)) {
  Sections.push_back({});
  std::string Contents;
  if (!ReadFileText(Path, Contents)) return;
  // Files are UTF-8; one written with Latin-1 texts (by an earlier version)
  // is read as Latin-1 and written back in UTF-8.
  Contents = Utf8OrLatin1(Contents);
  size_t Pos = 0;
  while (Pos < Contents.size()) {
    size_t End = Contents.find('\n', Pos);
    if (End == std::string::npos) End = Contents.size();
    std::string Line = Contents.substr(Pos, End - Pos);
    Pos = End + 1;
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    std::string T = Trim(Line);
    if (T.size() >= 2 && T.front() == '[' && T.find(']') != std::string::npos) {
      Sections.push_back({Trim(T.substr(1, T.find(']') - 1)), {}});
      continue;
    }
    TLine Parsed{Line, {}};
    auto Eq = Line.find('=');
    if (Eq != std::string::npos && T[0] != ';' && T[0] != '#')
      Parsed.Key = Trim(Line.substr(0, Eq));
    Sections.back().Lines.push_back(std::move(Parsed));
  }
}

TIniFile::~TIniFile() {
  if (Dirty) UpdateFile();
}

const TIniFile::TSection* TIniFile::Find(const std::string& Section) const {
  for (size_t I = 1; I < Sections.size(); ++I)
    if (SameText(Sections[I].Name, Section)) return &Sections[I];
  return nullptr;
}

TIniFile::TSection* TIniFile::Find(const std::string& Section) {
  return const_cast<TSection*>(std::as_const(*this).Find(Section));
}

const TIniFile::TLine* TIniFile::FindKey(const TSection& S, const std::string& Key) {
  for (const TLine& L : S.Lines)
    if (!L.Key.empty() && SameText(L.Key, Key)) return &L;
  return nullptr;
}

std::string TIniFile::ValueOf(const TLine& Line) {
  std::string Value = Trim(Line.Text.substr(Line.Text.find('=') + 1));
  // Like the private-profile functions: one pair of enclosing quotes is dropped.
  if (Value.size() >= 2 && (Value.front() == '"' || Value.front() == '\'') &&
      Value.back() == Value.front())
    Value = Value.substr(1, Value.size() - 2);
  return Value;
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Key,
                                 const std::string& Default) const {
  const TSection* S = Find(Section);
  const TLine* L = S ? FindKey(*S, Key) : nullptr;
  return L ? ValueOf(*L) : Default;
}

long long TIniFile::ReadInteger(const std::string& Section, const std::string& Key,
                                long long Default) const {
  long long Value;
  return ParseInteger(ReadString(Section, Key, ""), Value) ? Value : Default;
}

bool TIniFile::ReadBool(const std::string& Section, const std::string& Key, bool Default) const {
  return ReadInteger(Section, Key, Default ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Key,
                           const std::string& Text) {
  // A text that is no UTF-8 is taken as Latin-1 here, as a file is when read:
  // kept raw, it would make the whole file read as Latin-1 next time, every
  // other text garbled and longer on each round.
  const std::string Name = Utf8OrLatin1(Section);
  const std::string K = Utf8OrLatin1(Trim(Key));
  const std::string Value = Utf8OrLatin1(Text);
  TSection* S = Find(Name);
  if (!S) {
    Sections.push_back({Name, {}, true});
    S = &Sections.back();
  }
  Dirty = true;
  for (TLine& L : S->Lines) {
    if (!L.Key.empty() && SameText(L.Key, K)) {
      L.Text = L.Key + "=" + Value;
      return;
    }
  }
  // New keys go after the last key of the section, before its trailing blank lines.
  auto Insert = S->Lines.end();
  while (Insert != S->Lines.begin() && Trim(std::prev(Insert)->Text).empty()) --Insert;
  S->Lines.insert(Insert, TLine{K + "=" + Value, K});
}

void TIniFile::WriteInteger(const std::string& Section, const std::string& Key, long long Value) {
  WriteString(Section, Key, std::to_string(Value));
}

void TIniFile::WriteBool(const std::string& Section, const std::string& Key, bool Value) {
  WriteString(Section, Key, Value ? "1" : "0");
}

bool TIniFile::SectionExists(const std::string& Section) const {
  return Find(Section) != nullptr;
}

bool TIniFile::ValueExists(const std::string& Section, const std::string& Key) const {
  const TSection* S = Find(Section);
  return S && FindKey(*S, Key);
}

std::vector<std::string> TIniFile::ReadSections() const {
  std::vector<std::string> Names;
  for (size_t I = 1; I < Sections.size(); ++I) Names.push_back(Sections[I].Name);
  return Names;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& Section) const {
  std::vector<std::string> Keys;
  if (const TSection* S = Find(Section))
    for (const TLine& L : S->Lines)
      if (!L.Key.empty()) Keys.push_back(L.Key);
  return Keys;
}

void TIniFile::EraseSection(const std::string& Section) {
  auto It = std::find_if(Sections.begin() + 1, Sections.end(),
                         [&](const TSection& S) { return SameText(S.Name, Section); });
  if (It == Sections.end()) return;
  Sections.erase(It);
  Dirty = true;
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Key) {
  TSection* S = Find(Section);
  if (!S) return;
  auto It = std::find_if(S->Lines.begin(), S->Lines.end(),
                         [&](const TLine& L) { return !L.Key.empty() && SameText(L.Key, Key); });
  if (It == S->Lines.end()) return;
  S->Lines.erase(It);
  Dirty = true;
}

bool TIniFile::UpdateFile() {
  std::string Out;
  for (size_t I = 0; I < Sections.size(); ++I) {
    if (I > 0) {
      // A section we add stands apart from the one before it by a blank line.
      if (Sections[I].Added && !Out.empty() && !Out.ends_with("\n\n")) Out += "\n";
      Out += "[" + Sections[I].Name + "]\n";
    }
    for (const TLine& L : Sections[I].Lines) Out += L.Text + "\n";
  }
  if (!WriteFileAtomic(Path, Out)) return false;
  Dirty = false;
  return true;
}

}  // namespace tolvar
