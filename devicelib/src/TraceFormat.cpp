#include "TraceFormat.h"

#include <windows.h>

#include <cstdio>

namespace trace {
namespace {

// In the order of the request functions' numbers.
const char* const kExports[] = {
    "OrvaneUtil_SetTimeOutInfo",     "OrvaneUtil_GetCtrlCurEvent",
    "OrvaneUtil_GetCtrlSignalEvent", "OrvaneUtil_GetTransErrorEvent",
    "OrvaneUtil_GetImageRecvEvent",  "OrvaneUtil_GetSizeErrorEvent",
    "OrvaneUtil_GetCtrlSupport",     "OrvaneUtil_GetCtrlAttribute",
    "OrvaneUtil_GetCtrlCurrent",     "OrvaneUtil_SetCtrlCurrent",
    "OrvaneUtil_GetImageSupport",    "OrvaneUtil_GetImageAttribute",
    "OrvaneUtil_GetImageCurrent",    "OrvaneUtil_GetImageTransfer",
    "OrvaneUtil_SetImageCurrent",    "OrvaneUtil_GetTrans",
    "OrvaneUtil_SetTrans",           "OrvaneUtil_GetSystemSupport",
    "OrvaneUtil_GetSystemDataSize",  "OrvaneUtil_GetSystemData",
    "OrvaneUtil_SetSystemData",      "OrvaneUtil_GetFrame",
    "OrvaneUtil_GetBufferTable",     "OrvaneUtil_GetRequest",
    "OrvaneUtil_SetRequest",         "OrvaneUtil_GetLastError",
    "OrvaneUtil_GetVersion",
};

void AppendNumber(std::string& line, const char* key, uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%llu", static_cast<unsigned long long>(value));
    line += ",\"";
    line += key;
    line += "\":";
    line += text;
}

void AppendString(std::string& line, const char* key, const std::string& value) {
    line += ",\"";
    line += key;
    line += "\":";
    line += JsonString(value);
}

// Copied as hexadecimal, or only its length and digest where it is large.
void AppendBytes(std::string& line, const char* key, const uint8_t* bytes, uint32_t size,
                 const std::string& sha256) {
    if (sha256.empty()) {
        AppendString(line, key, Hex(bytes, size));
        return;
    }
    AppendNumber(line, (std::string(key) + "Length").c_str(), size);
    AppendString(line, (std::string(key) + "Sha256").c_str(), sha256);
}

}  // namespace

std::string JsonString(const std::string& utf8) {
    std::string quoted = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", byte);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    quoted += '"';
    return quoted;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return std::string();
    }
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], size,
                        nullptr, nullptr);
    return utf8;
}

std::string Hex(const void* bytes, size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(size * 2);
    const auto* byte = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < size; ++i) {
        hex += kDigits[byte[i] >> 4];
        hex += kDigits[byte[i] & 0x0F];
    }
    return hex;
}

std::string HeaderLine(const std::string& libraryVersion, const std::string& program,
                       const std::string& utcTime) {
    std::string line = "{\"schemaVersion\":" + std::to_string(kSchemaVersion);
    AppendString(line, "library", libraryVersion);
    AppendString(line, "program", program);
    AppendString(line, "time", utcTime);
    return line + "}\n";
}

std::string CameraLine(uint64_t ms, const char* event, const std::string& path, uint32_t error) {
    std::string line = "{\"ms\":" + std::to_string(ms);
    AppendString(line, "event", event);
    AppendString(line, "path", path);
    if (error != 0) {
        AppendNumber(line, "error", error);
    }
    return line + "}\n";
}

std::string RequestLine(const RequestFields& fields) {
    std::string line = "{\"ms\":" + std::to_string(fields.ms) + ",\"event\":\"request\"";
    AppendNumber(line, "seq", fields.sequence);
    AppendString(line, "export", fields.caller != nullptr ? fields.caller : "");
    AppendNumber(line, "code", fields.code);
    AppendBytes(line, "in", fields.input, fields.inputSize, fields.inputSha256);
    if (fields.image) {
        AppendBytes(line, "image", fields.imageBytes, fields.imageSize, fields.imageSha256);
    }
    AppendString(line, "out", Hex(fields.output, fields.returned));
    AppendNumber(line, "returned", fields.returned);
    line += fields.ok ? ",\"ok\":true" : ",\"ok\":false";
    AppendNumber(line, "error", fields.error);
    AppendNumber(line, "us", fields.microseconds);
    return line + "}\n";
}

const char* ExportOf(uint32_t function) {
    return function < sizeof(kExports) / sizeof(kExports[0]) ? kExports[function] : nullptr;
}

}  // namespace trace
