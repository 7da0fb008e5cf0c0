#include "DescriptionEncoding.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "CheckNoteCodes.h"
#include "ComPtr.h"
#include "ConsoleOutput.h"
#include "SystemXmlReader.h"
#include "UniqueAny.h"

namespace {

struct GlobalMemoryTraits {
    using Type = HGLOBAL;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { GlobalFree(h); }
};

bool StartsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

bool IsXmlBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// The encoding="..." of an XML declaration at the very start; empty when there is none.
std::string DeclaredEncoding(std::string_view bytes) {
    if (!StartsWith(bytes, "<?xml")) {
        return std::string();
    }
    const std::string_view declaration = bytes.substr(0, bytes.find("?>"));
    size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) {
        return std::string();
    }
    at += std::strlen("encoding");
    while (at < declaration.size() && IsXmlBlank(declaration[at])) {
        ++at;
    }
    if (at >= declaration.size() || declaration[at] != '=') {
        return std::string();
    }
    ++at;
    while (at < declaration.size() && IsXmlBlank(declaration[at])) {
        ++at;
    }
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) {
        return std::string();
    }
    const size_t end = declaration.find(declaration[at], at + 1);
    if (end == std::string_view::npos) {
        return std::string();
    }
    return std::string(declaration.substr(at + 1, end - at - 1));
}

// The length of the UTF-8 sequence at `at`, 0 when it is not one (overlong forms, surrogates
// and values past U+10FFFF included, as the standard has it).
size_t Utf8SequenceLength(std::string_view bytes, size_t at) {
    const auto byte = [&bytes](size_t i) { return static_cast<uint8_t>(bytes[i]); };
    const uint8_t lead = byte(at);
    if (lead < 0x80) {
        return 1;
    }
    size_t length = 0;
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > bytes.size()) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        const uint8_t next = byte(at + i);
        const uint8_t min = i == 1 ? low : 0x80;
        const uint8_t max = i == 1 ? high : 0xBF;
        if (next < min || next > max) {
            return 0;
        }
    }
    return length;
}

}  // namespace

DescriptionEncoding ExamineEncoding(std::string_view bytes) {
    DescriptionEncoding found;
    if (StartsWith(bytes, "\xFF\xFE") || StartsWith(bytes, "\xFE\xFF")) {
        found.utf8 = false;  // UTF-16, whatever a declaration says
        return found;
    }
    const bool marked = StartsWith(bytes, "\xEF\xBB\xBF");
    if (marked) {
        bytes.remove_prefix(3);
    }
    found.declared = DeclaredEncoding(bytes);
    const std::string name = Lowered(found.declared);
    found.utf8 = marked || name.empty() || name == "utf-8";
    if (!found.utf8) {
        return found;
    }
    uint32_t line = 1;
    uint32_t column = 1;
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0) {
            found.line = line;
            found.column = column;
            found.byte = static_cast<uint8_t>(bytes[at]);
            return found;
        }
        if (bytes[at] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
        at += length;
    }
    return found;
}

bool ReaderReadsEncoding(const std::string& name) {
    const std::string document = "<?xml version=\"1.0\" encoding=\"" + name + "\"?><a/>";
    UniqueAny<GlobalMemoryTraits> memory(GlobalAlloc(GMEM_MOVEABLE, document.size()));
    void* bytes = memory ? GlobalLock(memory.get()) : nullptr;
    if (bytes == nullptr) {
        return true;  // nothing is claimed that was not seen
    }
    std::memcpy(bytes, document.data(), document.size());
    GlobalUnlock(memory.get());
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory.get(), TRUE, stream.Put()))) {
        return true;
    }
    memory.release();  // the stream's own now
    ComPtr<IXmlReader> reader;
    if (FAILED(CreateSystemXmlReader(reader.Put())) || !reader ||
        FAILED(reader->SetInput(stream.Get()))) {
        return true;
    }
    // A declaration and one element, then the end: a bound, in case a reader never ends.
    XmlNodeType type = XmlNodeType_None;
    HRESULT status = S_OK;
    for (int nodes = 0; nodes < 8 && (status = reader->Read(&type)) == S_OK; ++nodes) {
    }
    return status == S_FALSE;
}

bool EncodingNote(std::string_view bytes, PackageNote* note) {
    const DescriptionEncoding encoding = ExamineEncoding(bytes);
    if (!encoding.utf8 && !encoding.declared.empty() && !ReaderReadsEncoding(encoding.declared)) {
        *note = {NoteSeverity::Error, check_code::kEncodingUnsupported,
                 L"the description declares the encoding \"" + FromUtf8(encoding.declared) +
                     L"\", which the XML reader cannot read: the updater takes nothing from it; "
                     L"save it as UTF-8 and declare that",
                 0, 0};
        return true;
    }
    if (encoding.line == 0) {
        return false;
    }
    wchar_t byte[8] = {};
    std::swprintf(byte, 8, L"0x%02X", unsigned{encoding.byte});
    *note = {NoteSeverity::Warning, check_code::kEncodingMismatch,
             L"byte " + std::wstring(byte) + L" is not UTF-8, " +
                 (encoding.declared.empty()
                      ? std::wstring(L"which a description without an encoding is in")
                      : L"the encoding the description declares") +
                 L": the dialog shows the replacement character \uFFFD in its place; save the "
                 L"file as UTF-8",
             encoding.line, encoding.column};
    return true;
}
