#pragma once

#include <initializer_list>
#include <string_view>

// The recognised name that `name` most likely misspells (a difference of letter case only, or
// one or two letters), or null when none is close.
const wchar_t* NearestName(std::wstring_view name, std::initializer_list<const wchar_t*> known);
