#pragma once
// Small text helpers shared by the window and the tools. Texts are UTF-8
// strings; comparisons fold ASCII case only.
#include <string>
#include <string_view>

namespace tolvar {

// Decimal text of Value with "0" put in front until it is Width characters long.
std::string ZeroPad(long long Value, int Width);
// True when Text begins with Prefix, compared without regard to case.
bool StartsWithText(std::string_view Prefix, std::string_view Text);
// True when Text ends with Suffix, compared without regard to case.
bool EndsWithText(std::string_view Suffix, std::string_view Text);
// Removes one trailing "/" or "\", if there is one.
std::string ExcludeTrailingSlash(std::string_view Text);

std::string LowerCase(std::string_view Text);
bool SameText(std::string_view A, std::string_view B);
std::string Trim(std::string_view Text);

}  // namespace tolvar
