#include "ReplayScript.h"

#include <windows.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <utility>

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
    if ((step.code & 3u) != 0) {
        *problem = "a request whose code is not a buffered one";
        return false;
    }
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

// One non-empty line of a trace, with its number in the file.
struct TraceLine {
    size_t number;
    std::string text;
};

std::vector<TraceLine> SplitLines(const std::string& trace) {
    std::vector<TraceLine> lines;
    size_t number = 0;
    for (size_t at = 0; at < trace.size();) {
        size_t end = trace.find('\n', at);
        if (end == std::string::npos) {
            end = trace.size();
        }
        std::string text = trace.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        if (!text.empty()) {
            lines.push_back({number, std::move(text)});
        }
    }
    return lines;
}

constexpr char kHeaderStart[] = "{\"schemaVersion\":";

bool ReadHeader(const TraceLine& header, SessionFound* found, std::string* problem) {
    const Json line = Json::parse(header.text, nullptr, false);
    uint64_t version = 0;
    if (line.is_discarded() || !line.is_object() ||
        !Number(line, "schemaVersion", 0xFFFFFFFFu, &version) || version < 1 || version > 2) {
        *problem = "line " + std::to_string(header.number) +
                   ": not a TAVIK_TRACE header of schema version 1 or 2";
        return false;
    }
    Text(line, "program", &found->program);
    Text(line, "time", &found->time);
    return true;
}

// A request's step with the camera events that followed its answer, or (the first) the events
// before the first request.
struct Block {
    uint64_t sequence = 0;
    std::vector<uint8_t> bytes;
    uint32_t steps = 0;
};

bool AddEvent(const std::string& event, const Json& line, uint32_t atMs, Block* block,
              std::string* problem) {
    ReplayStep step{};
    step.atMs = atMs;
    if (event == "found") {
        step.kind = kReplayArrival;
    } else if (event == "removed") {
        step.kind = kReplayRemoval;
    } else if (event == "open-failed") {
        step.kind = kReplayRefusal;
        uint64_t error = 0;
        Number(line, "error", 0xFFFFFFFFu, &error);
        step.code = static_cast<uint32_t>(error);
    } else if (event == "opened") {
        step.kind = kReplayOpened;
    } else if (event == "closed") {
        return true;  // the program's own doing; the camera has no part in it
    } else {
        *problem = "unknown event \"" + event + "\"";
        return false;
    }
    Append(&block->bytes, &step, sizeof(step));
    ++block->steps;
    return true;
}

bool AddLine(const TraceLine& text, std::vector<Block>* blocks, std::string* problem) {
    const Json line = Json::parse(text.text, nullptr, false);
    if (line.is_discarded() || !line.is_object()) {
        *problem = "not a JSON object";
        return false;
    }
    std::string event;
    uint64_t ms = 0;
    if (!Text(line, "event", &event) || !Number(line, "ms", UINT64_MAX, &ms)) {
        *problem = "a line needs event and ms";
        return false;
    }
    const uint32_t atMs = ms > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(ms);
    if (event != "request") {
        return AddEvent(event, line, atMs, &blocks->back(), problem);
    }
    Block block;
    // A trace of schema version 1 numbers nothing: its lines stand in the order of issue.
    if (!Number(line, "seq", UINT64_MAX, &block.sequence)) {
        block.sequence = blocks->size();
    }
    if (!AddRequest(line, atMs, &block.bytes, problem)) {
        return false;
    }
    block.steps = 1;
    blocks->push_back(std::move(block));
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

bool ScriptFromTrace(const std::string& trace, std::vector<uint8_t>* script, std::string* problem,
                     uint32_t session, SessionFound* found) {
    const std::vector<TraceLine> lines = SplitLines(trace);
    std::vector<size_t> headers;  // index in `lines` of each session's header
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].text.rfind(kHeaderStart, 0) == 0) {
            headers.push_back(i);
        }
    }
    if (lines.empty()) {
        *problem = "the trace is empty";
        return false;
    }
    if (headers.empty() || headers[0] != 0) {
        *problem = "line " + std::to_string(lines[0].number) + ": not a TAVIK_TRACE header";
        return false;
    }
    const size_t count = headers.size();
    if (session > count) {
        *problem = "the trace holds " + std::to_string(count) + " session" +
                   (count == 1 ? "" : "s") + ", not " + std::to_string(session);
        return false;
    }
    const size_t chosen = session == 0 ? count - 1 : session - 1;
    const size_t first = headers[chosen];
    const size_t last = chosen + 1 < count ? headers[chosen + 1] : lines.size();
    SessionFound what;
    what.number = static_cast<uint32_t>(chosen + 1);
    what.count = static_cast<uint32_t>(count);
    if (!ReadHeader(lines[first], &what, problem)) {
        return false;
    }
    std::vector<Block> blocks(1);  // what comes before the first request, then one per request
    for (size_t i = first + 1; i < last; ++i) {
        if (!AddLine(lines[i], &blocks, problem)) {
            *problem = "line " + std::to_string(lines[i].number) + ": " + *problem;
            return false;
        }
    }
    // Answered in the order they were issued, whatever order their lines were written in.
    std::stable_sort(blocks.begin() + 1, blocks.end(),
                     [](const Block& a, const Block& b) { return a.sequence < b.sequence; });
    script->assign(sizeof(ReplayScript), 0);
    uint32_t steps = 0;
    for (const Block& block : blocks) {
        script->insert(script->end(), block.bytes.begin(), block.bytes.end());
        steps += block.steps;
    }
    if (script->size() > kMaxReplayScript) {
        *problem = "the session is too large to replay";
        return false;
    }
    const ReplayScript head{kReplayMagic, steps};
    std::memcpy(script->data(), &head, sizeof(head));
    if (found != nullptr) {
        *found = what;
    }
    return true;
}

bool ScriptFromTraceFile(const std::wstring& path, std::vector<uint8_t>* script,
                         std::string* problem, uint32_t session, SessionFound* found) {
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
    return ScriptFromTrace(text, script, problem, session, found);
}

}  // namespace camsim
