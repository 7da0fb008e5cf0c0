#include "ReplayScript.h"

#include <windows.h>

#include <nlohmann/json.hpp>

#include <cstring>

#include "CamSimProtocol.h"
#include "UniqueAny.h"

namespace camsim {
namespace {

using Json = nlohmann::json;

constexpr uint32_t kErrorMoreData = 234;
constexpr int32_t kStatusBufferOverflow = static_cast<int32_t>(0x80000005u);
constexpr uint32_t kSetSystemData = 0x00220050;

bool HexBytes(const std::string& hex, std::vector<uint8_t>* bytes) {
    if (hex.size() % 2 != 0) {
        return false;
    }
    bytes->clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        for (size_t j = i; j < i + 2; ++j) {
            const char c = hex[j];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) {
                return false;
            }
            value = value * 16 + static_cast<unsigned>(digit);
        }
        bytes->push_back(static_cast<uint8_t>(value));
    }
    return true;
}

bool Number(const Json& line, const char* key, uint64_t limit, uint64_t* value) {
    const auto it = line.find(key);
    if (it == line.end() || !it->is_number_unsigned() || it->get<uint64_t>() > limit) {
        return false;
    }
    *value = it->get<uint64_t>();
    return true;
}

bool Text(const Json& line, const char* key, std::string* value) {
    const auto it = line.find(key);
    if (it == line.end() || !it->is_string()) {
        return false;
    }
    *value = it->get<std::string>();
    return true;
}

// Bytes as the trace gives them: copied (`key`) or as `keyLength` and `keySha256`.
enum class Payload { Absent, Copied, Digest, Bad };
Payload ReadPayload(const Json& line, const std::string& key, std::vector<uint8_t>* bytes,
                    uint32_t* size, uint8_t (&sha256)[32]) {
    std::string text;
    if (Text(line, key.c_str(), &text)) {
        if (!HexBytes(text, bytes) || bytes->size() > 0xFFFFFFFFu) {
            return Payload::Bad;
        }
        *size = static_cast<uint32_t>(bytes->size());
        return Payload::Copied;
    }
    uint64_t length = 0;
    if (!Number(line, (key + "Length").c_str(), 0xFFFFFFFFu, &length)) {
        return line.contains(key + "Length") || line.contains(key + "Sha256") ? Payload::Bad
                                                                              : Payload::Absent;
    }
    std::vector<uint8_t> digest;
    if (!Text(line, (key + "Sha256").c_str(), &text) || !HexBytes(text, &digest) ||
        digest.size() != sizeof(sha256)) {
        return Payload::Bad;  // "unreadable" too: nothing could be compared with it
    }
    std::memcpy(sha256, digest.data(), sizeof(sha256));
    *size = static_cast<uint32_t>(length);
    bytes->clear();
    return Payload::Digest;
}

void Append(std::vector<uint8_t>* script, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    script->insert(script->end(), bytes, bytes + size);
    script->resize(script->size() + (4 - size % 4) % 4, 0);
}

// One request line; false with `problem` set.
bool AddRequest(const Json& line, uint32_t atMs, std::vector<uint8_t>* script,
                std::string* problem) {
    ReplayStep step{};
    step.kind = kReplayRequest;
    step.atMs = atMs;
    uint64_t code = 0, us = 0, error = 0;
    const auto ok = line.find("ok");
    if (!Number(line, "code", 0xFFFFFFFFu, &code) || !Number(line, "us", UINT64_MAX, &us) ||
        !Number(line, "error", 0xFFFFFFFFu, &error) || ok == line.end() || !ok->is_boolean()) {
        *problem = "a request needs code, ok, error and us";
        return false;
    }
    step.code = static_cast<uint32_t>(code);
    step.microseconds = us > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(us);
    step.status = StatusOfOutcome(ok->get<bool>(), static_cast<uint32_t>(error));

    std::vector<uint8_t> input, image, output;
    switch (ReadPayload(line, "in", &input, &step.inputSize, step.inputSha256)) {
        case Payload::Copied:
            break;
        case Payload::Digest:
            step.flags |= kReplayInputDigest;
            break;
        default:
            *problem = "a request's input is missing or malformed";
            return false;
    }
    switch (ReadPayload(line, "image", &image, &step.imageSize, step.imageSha256)) {
        case Payload::Absent:
            break;
        case Payload::Copied:
            step.flags |= kReplayImage;
            break;
        case Payload::Digest:
            step.flags |= kReplayImage | kReplayImageDigest;
            break;
        case Payload::Bad:
            *problem = "the image is malformed or was unreadable when recorded";
            return false;
    }
    if ((step.flags & kReplayImage) != 0 && (step.code != kSetSystemData || step.inputSize != 12)) {
        *problem = "only a system-data write has an image";
        return false;
    }
    std::string out;
    uint64_t returned = 0;
    if (!Text(line, "out", &out) || !HexBytes(out, &output) ||
        !Number(line, "returned", 0xFFFFFFFFu, &returned) || returned != output.size()) {
        *problem = "a request's output is missing or does not match its count";
        return false;
    }
    step.outputSize = static_cast<uint32_t>(output.size());
    Append(script, &step, sizeof(step));
    Append(script, input.data(), input.size());
    Append(script, image.data(), image.size());
    Append(script, output.data(), output.size());
    return true;
}

}  // namespace

int32_t StatusOfOutcome(bool ok, uint32_t error) {
    if (ok) {
        return 0;
    }
    if (error == kErrorMoreData) {
        return kStatusBufferOverflow;
    }
    return static_cast<int32_t>(0xC0070000u | (error & 0xFFFFu));
}

bool ScriptFromTrace(const std::string& trace, std::vector<uint8_t>* script, std::string* problem) {
    script->assign(sizeof(ReplayScript), 0);
    uint32_t steps = 0;
    size_t lineNumber = 0;
    bool header = false;
    for (size_t at = 0; at < trace.size();) {
        size_t end = trace.find('\n', at);
        if (end == std::string::npos) {
            end = trace.size();
        }
        std::string text = trace.substr(at, end - at);
        at = end + 1;
        ++lineNumber;
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        if (text.empty()) {
            continue;
        }
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        const Json line = Json::parse(text, nullptr, false);
        if (line.is_discarded() || !line.is_object()) {
            *problem = where + "not a JSON object";
            return false;
        }
        uint64_t number = 0;
        if (!header) {
            if (!Number(line, "schemaVersion", 0xFFFFFFFFu, &number) || number != 1) {
                *problem = where + "not a TAVIK_TRACE header of schema version 1";
                return false;
            }
            header = true;
            continue;
        }
        std::string event;
        if (!Text(line, "event", &event) || !Number(line, "ms", UINT64_MAX, &number)) {
            *problem = where + "a line needs event and ms";
            return false;
        }
        const uint32_t atMs = number > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(number);
        if (event == "request") {
            if (!AddRequest(line, atMs, script, problem)) {
                *problem = where + *problem;
                return false;
            }
        } else if (event == "found" || event == "removed") {
            ReplayStep step{};
            step.kind = event == "found" ? kReplayArrival : kReplayRemoval;
            step.atMs = atMs;
            Append(script, &step, sizeof(step));
        } else if (event == "opened" || event == "open-failed" || event == "closed") {
            continue;  // the program's own doings; the camera has no part in them
        } else {
            *problem = where + "unknown event \"";
            *problem += event + "\"";
            return false;
        }
        ++steps;
        if (script->size() > kMaxReplayScript) {
            *problem = where + "the trace is too large to replay";
            return false;
        }
    }
    if (!header) {
        *problem = "the trace is empty";
        return false;
    }
    const ReplayScript head{kReplayMagic, steps};
    std::memcpy(script->data(), &head, sizeof(head));
    return true;
}

bool ScriptFromTraceFile(const std::wstring& path, std::vector<uint8_t>* script,
                         std::string* problem) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) {
        *problem = "cannot open the trace (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    // A trace holds no firmware; one this large is not one.
    if (size.QuadPart > 256ll * 1024 * 1024) {
        *problem = "the file is too large to be a trace";
        return false;
    }
    std::string text(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!text.empty() &&
        (!ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &read, nullptr) ||
         read != text.size())) {
        *problem = "cannot read the trace (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return ScriptFromTrace(text, script, problem);
}

}  // namespace camsim
