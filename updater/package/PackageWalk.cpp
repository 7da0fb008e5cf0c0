#include "PackageWalk.h"

#include <string_view>
#include <utility>

#include "DecimalConversion.h"
#include "NameSuggestion.h"
#include "PackageNoteCodes.h"
#include "SystemErrorText.h"
#include "UpdateFileValues.h"

namespace {

constexpr wchar_t kRootName[] = L"ORVANEUPDATE";
constexpr wchar_t kTitleName[] = L"TITLE";
constexpr wchar_t kDevNameName[] = L"DEVNAME";
constexpr wchar_t kUpdateFilesName[] = L"UPDATEFILES";
constexpr wchar_t kUpdateFileName[] = L"UPDATEFILE";
constexpr wchar_t kCheckName[] = L"CHECK";
constexpr wchar_t kIdName[] = L"ID";
constexpr wchar_t kSelectorName[] = L"SELECTOR";
constexpr wchar_t kToolTipName[] = L"TOOLTIP";
constexpr wchar_t kFileNameName[] = L"FILENAME";
constexpr wchar_t kTimeoutName[] = L"TIMEOUT";
constexpr wchar_t kRebootName[] = L"REBOOT";
constexpr wchar_t kOn[] = L"ON";
constexpr wchar_t kYes[] = L"YES";

bool IsElementName(std::wstring_view name) {
    return name == kRootName || name == kTitleName || name == kDevNameName ||
           name == kUpdateFilesName || name == kUpdateFileName;
}

// A name or value as a note shows it: on one line, and long ones cut short.
std::wstring Shown(std::wstring_view text) {
    constexpr size_t kShownLength = 40;
    std::wstring shown(text.substr(0, kShownLength));
    for (wchar_t& c : shown) {
        if (c < L' ') {
            c = L' ';
        }
    }
    if (text.size() > kShownLength) {
        shown += L"...";
    }
    return shown;
}

std::wstring Quoted(std::wstring_view text) {
    return L"\"" + Shown(text) + L"\"";
}

std::wstring DidYouMean(const wchar_t* suggestion) {
    return suggestion != nullptr ? std::wstring(L"; did you mean ") + suggestion + L"?" : L"";
}

HRESULT LocalName(IXmlReader* reader, std::wstring_view& name) {
    const wchar_t* text = nullptr;
    UINT length = 0;
    const HRESULT status = reader->GetLocalName(&text, &length);
    name = (SUCCEEDED(status) && text != nullptr) ? std::wstring_view(text, length) : L"";
    return status;
}

struct Attribute {
    std::wstring_view name;
    std::wstring_view value;
    bool namespaceDeclaration = false;
};

// False when the attribute's name or value cannot be read: such an attribute is skipped.
bool ReadAttribute(IXmlReader* reader, Attribute& attribute) {
    const wchar_t* value = nullptr;
    UINT valueLength = 0;
    if (FAILED(LocalName(reader, attribute.name)) ||
        FAILED(reader->GetValue(&value, &valueLength)) || value == nullptr) {
        return false;
    }
    attribute.value = std::wstring_view(value, valueLength);
    const wchar_t* prefix = nullptr;
    UINT prefixLength = 0;
    std::wstring_view prefixText;
    if (SUCCEEDED(reader->GetPrefix(&prefix, &prefixLength)) && prefix != nullptr) {
        prefixText = std::wstring_view(prefix, prefixLength);
    }
    attribute.namespaceDeclaration =
        prefixText == L"xmlns" || (prefixText.empty() && attribute.name == L"xmlns");
    return true;
}

template <size_t N>
void CopyText(wchar_t (&target)[N], std::wstring_view text) {
    const size_t length = text.size() < N ? text.size() : N - 1;
    text.copy(target, length);
    target[length] = L'\0';
}

}  // namespace

HRESULT PackageWalk::Read(XmlNodeType* type) {
    if (++nodes_ > nodeLimit_) {
        stalled_ = true;
        return static_cast<HRESULT>(MX_E_INPUTEND);
    }
    return reader_->Read(type);
}

HRESULT PackageWalk::NextNode(XmlNodeType* type, std::wstring_view* name) {
    HRESULT status = S_OK;
    while ((status = Read(type)) == S_OK) {
        if (*type == XmlNodeType_Text) {
            *name = std::wstring_view();
            return S_OK;
        }
        if (*type == XmlNodeType_Element || *type == XmlNodeType_EndElement) {
            const HRESULT named = LocalName(reader_, *name);
            return FAILED(named) ? named : S_OK;
        }
    }
    return status;
}

PackageWalk::Position PackageWalk::Here() const {
    UINT line = 0;
    UINT column = 0;
    if (FAILED(reader_->GetLineNumber(&line))) {
        line = 0;
    }
    if (FAILED(reader_->GetLinePosition(&column))) {
        column = 0;
    }
    return {line, column};
}

void PackageWalk::Note(NoteSeverity severity, const char* code, std::wstring message, Position at) {
    PackageNote note{severity, code, std::move(message), at.line, at.column};
    if (held_ != nullptr) {
        held_->push_back(std::move(note));
    } else {
        sink_.Note(note);
    }
}

HRESULT PackageWalk::Document() {
    HRESULT status = S_OK;
    XmlNodeType type = XmlNodeType_None;
    std::wstring_view name;
    while ((status = NextNode(&type, &name)) == S_OK) {
        if (type != XmlNodeType_Element) {
            continue;
        }
        if (name != kRootName) {
            NotePassedOver(name, Container::Document);
            continue;
        }
        status = Root();
        if (status != S_OK) {
            break;  // a failure, or the document ended inside the package data
        }
    }
    if (FAILED(status)) {
        NoteStopped(status);
    }
    if (!record_.titleSet) {
        Note(NoteSeverity::Warning, note_code::kNoTitle,
             L"no TITLE text was found: the dialog shows its own title", {});
    }
    if (!record_.devNameSet) {
        Note(NoteSeverity::Warning, note_code::kNoDeviceName,
             L"no DEVNAME text was found: the dialog shows its own device name", {});
    }
    return FAILED(status) ? status : S_FALSE;
}

HRESULT PackageWalk::Root() {
    NoteSelfClosed(kRootName);
    HRESULT status = S_OK;
    XmlNodeType type = XmlNodeType_None;
    std::wstring_view name;
    while ((status = NextNode(&type, &name)) == S_OK) {
        if (type == XmlNodeType_Text) {
            continue;
        }
        if (type == XmlNodeType_EndElement) {
            if (name == kRootName) {
                return S_OK;
            }
            continue;
        }
        if (name == kTitleName) {
            status = Title();
        } else if (name == kDevNameName) {
            status = DevName();
        } else if (name == kUpdateFilesName) {
            status = UpdateFiles();
        } else {
            NotePassedOver(name, Container::Root);
            continue;
        }
        if (status != S_OK) {
            return status;
        }
    }
    return status;
}

HRESULT PackageWalk::Title() {
    NoteSelfClosed(kTitleName);
    return ReadText(kTitleName, &PackageSink::SetTitleText, record_.titleSet);
}

HRESULT PackageWalk::DevName() {
    // Asked before the attribute visit: the answer is the element's only while on it.
    NoteSelfClosed(kDevNameName);
    for (HRESULT moved = reader_->MoveToFirstAttribute(); moved == S_OK;
         moved = reader_->MoveToNextAttribute()) {
        Attribute attribute;
        if (!ReadAttribute(reader_, attribute)) {
            continue;
        }
        if (attribute.name == kCheckName) {
            const KeywordMatch match = MatchKeyword(attribute.value, kOn);
            sink_.SetDevNameCheck(match == KeywordMatch::Exact);
            if (match == KeywordMatch::OtherCase) {
                Note(NoteSeverity::Warning, note_code::kKeywordCase,
                     L"CHECK=" + Quoted(attribute.value) +
                         L" is not ON (letter case counts): a model mismatch cannot be overridden");
            }
        } else if (!attribute.namespaceDeclaration) {
            Note(NoteSeverity::Warning, note_code::kUnknownAttribute,
                 L"attribute " + Shown(attribute.name) + L" of DEVNAME passed over" +
                     DidYouMean(NearestName(attribute.name, {kCheckName})));
        }
    }
    return ReadText(kDevNameName, &PackageSink::SetDevNameText, record_.devNameSet);
}

HRESULT PackageWalk::ReadText(const wchar_t* endName, void (PackageSink::*setText)(const wchar_t*),
                              bool& textSet) {
    const Container where =
        std::wstring_view(endName) == kTitleName ? Container::Title : Container::DevName;
    HRESULT status = S_OK;
    XmlNodeType type = XmlNodeType_None;
    std::wstring_view name;
    while ((status = NextNode(&type, &name)) == S_OK) {
        if (type == XmlNodeType_Text) {
            const wchar_t* value = nullptr;
            if (SUCCEEDED(reader_->GetValue(&value, nullptr)) && value != nullptr) {
                (sink_.*setText)(value);
                textSet = true;
            }
            continue;
        }
        if (type == XmlNodeType_Element) {
            NotePassedOver(name, where);
        } else if (name == endName) {
            return S_OK;
        }
    }
    return status;
}

HRESULT PackageWalk::UpdateFiles() {
    NoteSelfClosed(kUpdateFilesName);
    HRESULT status = S_OK;
    XmlNodeType type = XmlNodeType_None;
    std::wstring_view name;
    while ((status = NextNode(&type, &name)) == S_OK) {
        if (type == XmlNodeType_Text) {
            continue;
        }
        if (type == XmlNodeType_EndElement) {
            if (name == kUpdateFilesName) {
                return S_OK;
            }
        } else if (name == kUpdateFileName) {
            status = UpdateFile();
            if (FAILED(status)) {
                return status;
            }
        } else {
            NotePassedOver(name, Container::UpdateFiles);
        }
    }
    return status;
}

HRESULT PackageWalk::UpdateFile() {
    std::vector<PackageNote> held;
    held_ = &held;
    int storedId = 0;
    const HRESULT status = ReadUpdateFile(&storedId);
    held_ = nullptr;
    for (PackageNote& note : held) {
        note.entry = storedId;
        sink_.Note(note);
    }
    return status;
}

HRESULT PackageWalk::ReadUpdateFile(int* storedId) {
    const Position element = Here();
    UpdateFileEntry candidate = {};
    candidate.timeoutMs = kDefaultTimeoutMs;
    int32_t id = 0;
    bool hasId = false;
    bool hasFileName = false;
    bool fileNameTooLong = false;

    HRESULT moved = reader_->MoveToFirstAttribute();
    if (moved == S_FALSE) {
        Note(NoteSeverity::Warning, note_code::kIdOutOfRange,
             L"UPDATEFILE without attributes has no effect", element);
        return S_OK;
    }
    if (FAILED(moved)) {
        return moved;
    }
    for (; moved == S_OK; moved = reader_->MoveToNextAttribute()) {
        Attribute attribute;
        if (!ReadAttribute(reader_, attribute)) {
            continue;
        }
        const std::wstring_view name = attribute.name;
        const std::wstring_view value = attribute.value;
        if (name == kIdName) {
            id = ConvertDecimal(value);
            hasId = true;
        } else if (name == kSelectorName) {
            const DecimalParse selector = ParseDecimal(value);
            candidate.selector = selector.value;
            if (!selector.hasDigits || selector.trailingText) {
                Note(NoteSeverity::Warning, note_code::kSelectorNotDecimal,
                     L"SELECTOR=" + Quoted(value) + L" is not a decimal number: taken as " +
                         std::to_wstring(selector.value));
            }
            if (selector.value < 0 || selector.value > 255) {
                Note(NoteSeverity::Warning, note_code::kSelectorTruncated,
                     L"SELECTOR " + std::to_wstring(selector.value) +
                         L" does not fit in a byte: only its low byte is sent, " +
                         std::to_wstring(selector.value & 0xFF));
            }
        } else if (name == kToolTipName) {
            const size_t kept = KeptToolTipLength(value);
            CopyText(candidate.toolTip, value.substr(0, kept));
            if (kept < value.size()) {
                Note(NoteSeverity::Warning, note_code::kToolTipCut,
                     L"TOOLTIP is longer than 30 characters: cut to " +
                         Quoted(value.substr(0, kept)));
            }
        } else if (name == kFileNameName) {
            // A later FILENAME replaces an earlier one (only a lenient reader lets one through).
            candidate.fileName[0] = L'\0';
            fileNameTooLong = false;
            hasFileName = !value.empty();
            if (value.size() > kMaxFileName) {
                fileNameTooLong = true;
                Note(NoteSeverity::Warning, note_code::kFileNameTooLong,
                     L"FILENAME is longer than 258 characters: the UPDATEFILE is dropped, since a "
                     L"shortened name could match another file");
            } else if (HasPathCharacter(value)) {
                Note(NoteSeverity::Warning, note_code::kFileNameRefused,
                     L"FILENAME " + Quoted(value) +
                         L" holds \\, / or : and is refused: only a file of the package folder "
                         L"can be sent");
            } else {
                CopyText(candidate.fileName, value);
            }
        } else if (name == kTimeoutName) {
            const TimeoutValue timeout = TimeoutFromText(value);
            candidate.timeoutMs = timeout.ms;
            if (timeout.issue == TimeoutIssue::Defaulted) {
                Note(NoteSeverity::Warning, note_code::kTimeoutDefaulted,
                     L"TIMEOUT=" + Quoted(value) +
                         L" is not a positive number of seconds: 60 seconds are used");
            } else if (timeout.issue == TimeoutIssue::Held) {
                Note(NoteSeverity::Warning, note_code::kTimeoutHeld,
                     L"TIMEOUT=" + Quoted(value) + L" is held at 2147483 seconds");
            }
            if (timeout.trailingText) {
                Note(NoteSeverity::Warning, note_code::kTimeoutTrailingText,
                     L"TIMEOUT=" + Quoted(value) + L": only the digits before the text count, " +
                         std::to_wstring(timeout.ms / 1000) + L" seconds");
            }
        } else if (name == kRebootName) {
            const KeywordMatch match = MatchKeyword(value, kYes);
            if (match == KeywordMatch::Exact) {
                Note(NoteSeverity::Info, note_code::kRebootIgnored,
                     L"REBOOT=\"YES\" is accepted; the updater does not act on it");
            } else if (match == KeywordMatch::OtherCase) {
                Note(NoteSeverity::Warning, note_code::kKeywordCase,
                     L"REBOOT=" + Quoted(value) +
                         L" is not YES (letter case counts); the updater does not act on it");
            }
        } else if (!attribute.namespaceDeclaration) {
            Note(NoteSeverity::Warning, note_code::kUnknownAttribute,
                 L"attribute " + Shown(name) + L" of UPDATEFILE passed over" +
                     DidYouMean(NearestName(name, {kIdName, kSelectorName, kToolTipName,
                                                   kFileNameName, kTimeoutName, kRebootName})));
        }
    }
    const HRESULT visit = FAILED(moved) ? moved : S_OK;

    if (fileNameTooLong) {
        return visit;
    }
    if (!hasId || id < 1 || id > kUpdateFileCount) {
        Note(NoteSeverity::Warning, note_code::kIdOutOfRange,
             hasId ? L"UPDATEFILE with ID " + std::to_wstring(id) +
                         L" has no effect: IDs run from 1 to 5"
                   : std::wstring(L"UPDATEFILE without ID has no effect"),
             element);
        return visit;
    }
    const int index = id - 1;
    if (record_.entryStored[index]) {
        Note(NoteSeverity::Warning, note_code::kDuplicateId,
             L"a second UPDATEFILE with ID " + std::to_wstring(id) +
                 L" replaces the first, with defaults for what it leaves out",
             element);
    }
    sink_.StoreUpdateFile(index, candidate);
    record_.entryStored[index] = true;
    *storedId = id;
    if (!hasFileName) {
        Note(NoteSeverity::Warning, note_code::kNoFileName,
             L"UPDATEFILE with ID " + std::to_wstring(id) + L" names no FILENAME: never sent",
             element);
    }
    return visit;
}

void PackageWalk::NoteSelfClosed(const wchar_t* name) {
    if (reader_->IsEmptyElement()) {
        Note(NoteSeverity::Warning, note_code::kSelfClosedContainer,
             std::wstring(L"<") + name + L"/> is self-closed: what follows, up to the next </" +
                 name + L"> or the end of the description, is read as its content");
    }
}

void PackageWalk::NotePassedOver(std::wstring_view name, Container where) {
    if (!IsElementName(name)) {
        Note(NoteSeverity::Warning, note_code::kUnknownElement,
             L"unknown element " + Shown(name) + L" passed over" +
                 DidYouMean(NearestName(name, {kRootName, kTitleName, kDevNameName,
                                               kUpdateFilesName, kUpdateFileName})));
        return;
    }
    const wchar_t* place = L"";
    switch (where) {
        case Container::Document:
            place = L"outside ORVANEUPDATE";
            break;
        case Container::Root:
            place = name == kUpdateFileName ? L"outside UPDATEFILES" : L"inside ORVANEUPDATE";
            break;
        case Container::Title:
            place = L"inside TITLE";
            break;
        case Container::DevName:
            place = L"inside DEVNAME";
            break;
        case Container::UpdateFiles:
            place = L"inside UPDATEFILES";
            break;
    }
    Note(NoteSeverity::Warning, note_code::kOutsideContainer,
         std::wstring(name) + L" has no effect " + place);
}

void PackageWalk::NoteStopped(HRESULT status) {
    const char* code = note_code::kWalkStopped;
    std::wstring why;
    if (stalled_) {
        why = L"the reader keeps handing out nodes past the end of the description";
    } else if (status == static_cast<HRESULT>(MX_E_INPUTEND)) {
        why = L"the description ends before its elements do";
    } else if (status == static_cast<HRESULT>(WC_E_DTDPROHIBITED)) {
        why = L"a document type declaration is not read";
    } else if (status == static_cast<HRESULT>(SC_E_MAXELEMENTDEPTH)) {
        why = L"elements nest deeper than the reader allows";
    } else if (HRESULT_FACILITY(status) == FACILITY_WIN32) {
        code = note_code::kReadFailed;
        why = L"the description could not be read further: " + StatusText(status);
    } else {
        why = L"the description is not well-formed (" + StatusNumber(status) + L")";
    }
    Note(NoteSeverity::Error, code,
         why + L": the walk stopped here; taken before: " + TakenSoFar() + L"; the rest is lost");
}

std::wstring PackageWalk::TakenSoFar() const {
    std::wstring taken;
    const auto add = [&taken](const std::wstring& part) {
        taken += taken.empty() ? part : L", " + part;
    };
    if (record_.titleSet) {
        add(L"title");
    }
    if (record_.devNameSet) {
        add(L"device name");
    }
    std::wstring entries;
    for (int i = 0; i < kUpdateFileCount; ++i) {
        if (record_.entryStored[i]) {
            entries += (entries.empty() ? L"" : L" ") + std::to_wstring(i + 1);
        }
    }
    if (!entries.empty()) {
        add(L"entries " + entries);
    }
    return taken.empty() ? std::wstring(L"nothing") : taken;
}

HRESULT ReadPackageRoot(IXmlReader* reader, PackageSink& sink) {
    return reader != nullptr ? PackageWalk(reader, sink).Root() : E_POINTER;
}

HRESULT ReadTitle(IXmlReader* reader, PackageSink& sink) {
    return reader != nullptr ? PackageWalk(reader, sink).Title() : E_POINTER;
}

HRESULT ReadDevName(IXmlReader* reader, PackageSink& sink) {
    return reader != nullptr ? PackageWalk(reader, sink).DevName() : E_POINTER;
}

HRESULT ReadUpdateFiles(IXmlReader* reader, PackageSink& sink) {
    return reader != nullptr ? PackageWalk(reader, sink).UpdateFiles() : E_POINTER;
}
