// The lines of the session trace, from plain data: JSON Lines, one object a line, each ending
// in a line feed.
#pragma once

#include <cstdint>
#include <string>

namespace trace {

// 2: a file holds sessions one after another, each from its header line; requests carry the
// sequence number they were issued with.
constexpr int kSchemaVersion = 2;
// Bytes sent beyond this many are not copied into the trace: their length and SHA-256 stand
// for them, so a whole update's trace stays small and never holds firmware.
constexpr uint32_t kLargestCopiedInput = 256;

// A JSON string literal, quotes included, of UTF-8 text; control characters escaped.
std::string JsonString(const std::string& utf8);
std::string Utf8(const std::wstring& text);
std::string Hex(const void* bytes, size_t size);

std::string HeaderLine(const std::string& libraryVersion, const std::string& program,
                       const std::string& utcTime);

// "found", "opened", "open-failed" (with the system error), "removed" or "closed".
std::string CameraLine(uint64_t ms, const char* event, const std::string& path, uint32_t error);

struct RequestFields {
    uint64_t ms = 0;               // since the session's header line, when it was answered
    uint32_t sequence = 0;         // of the session's requests, in the order they were issued
    const char* caller = nullptr;  // the export that made the request
    uint32_t code = 0;
    // The input, or for a large one its length and digest (hexadecimal).
    const uint8_t* input = nullptr;
    uint32_t inputSize = 0;
    std::string inputSha256;  // set when the input is not copied
    // For a system-data write: the image behind the record, as the input above.
    bool image = false;
    const uint8_t* imageBytes = nullptr;
    uint32_t imageSize = 0;
    std::string imageSha256;
    const uint8_t* output = nullptr;
    uint32_t returned = 0;
    bool ok = false;
    uint32_t error = 0;
    uint64_t microseconds = 0;
};
std::string RequestLine(const RequestFields& fields);

// "OrvaneUtil_GetVersion" for the request function 26; null past the last.
const char* ExportOf(uint32_t function);

}  // namespace trace
