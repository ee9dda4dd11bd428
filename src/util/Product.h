#pragma once
// The product's name and web address, in one place for every module that shows
// or writes them: the ID3 version 2 tag's "TENC" and "WXXX" frames of every
// ripped MP3 file, the About window's "Web page" button.

namespace tolvar {

inline constexpr const char* kProductName = "Tolvar";
inline constexpr const char* kProductWebAddress = "https://tolvar.org/";

}  // namespace tolvar
