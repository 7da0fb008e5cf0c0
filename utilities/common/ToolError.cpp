#include "ToolError.h"

#include "ConsoleOutput.h"
#include "SystemErrorText.h"
#include "ToolVersion.h"

ToolError SystemToolError(const std::wstring& what, DWORD code) {
    return {what + L": " + SystemErrorText(code), code};
}

ToolError ErrorFromLine(const wchar_t* tool, const std::wstring& line) {
    std::wstring message = line;
    const std::wstring prefix = std::wstring(tool) + L": ";
    if (message.compare(0, prefix.size(), prefix) == 0) {
        message.erase(0, prefix.size());
    }
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n')) {
        message.pop_back();
    }
    return {message, std::nullopt};
}

nlohmann::ordered_json ErrorJson(const std::optional<ToolError>& error) {
    using Json = nlohmann::ordered_json;
    if (!error) {
        return Json(nullptr);
    }
    Json json;
    json["code"] = error->code ? Json(*error->code) : Json(nullptr);
    json["message"] = ToUtf8(error->message);
    const std::wstring words = error->code ? SystemErrorWords(*error->code) : std::wstring();
    json["words"] = words.empty() ? Json(nullptr) : Json(ToUtf8(words));
    return json;
}

nlohmann::ordered_json DocumentHeader() {
    nlohmann::ordered_json json;
    json["schemaVersion"] = kSchemaVersion;
    json["toolVersion"] = kToolVersion;
    return json;
}

std::string ErrorDocument(const char* status, const ToolError& error) {
    nlohmann::ordered_json json = DocumentHeader();
    json["status"] = status;
    json["error"] = ErrorJson(error);
    return json.dump(2) + "\n";
}
