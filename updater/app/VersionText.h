// What the device check makes of the camera's answers: the model and the version line.
#pragma once

#include <cstdint>
#include <string>

inline constexpr uint8_t kVersionControl = 61;  // control whose 14-byte value is the version
inline constexpr size_t kVersionBlockSize = 14;

// The models the updater knows, by product code; null for any other camera.
const wchar_t* ModelName(uint16_t productCode);

// Whether `name` is the name of a model the updater knows.
bool IsKnownModelName(const std::wstring& name);

// ":Ver=" and the block's bytes 7 6 5 . 4 - 11 10 9 8 - 13 12 in hexadecimal.
std::wstring FormatVersionText(const uint8_t (&block)[kVersionBlockSize]);

// The model name followed by the version text, as shown and logged.
std::wstring FormatVersionLine(const wchar_t* model, const uint8_t (&block)[kVersionBlockSize]);
