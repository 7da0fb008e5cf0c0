#include "PackageText.h"

#include <windows.h>

namespace e2e {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size,
                        nullptr, nullptr);
    return bytes;
}

std::string XmlEscaped(const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        switch (c) {
            case L'&':
                escaped += L"&amp;";
                break;
            case L'<':
                escaped += L"&lt;";
                break;
            case L'>':
                escaped += L"&gt;";
                break;
            case L'"':
                escaped += L"&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return Utf8(escaped);
}

namespace {

std::string Attribute(const char* name, const std::wstring& value) {
    return std::string(" ") + name + "=\"" + XmlEscaped(value) + "\"";
}

}  // namespace

std::string PackageXml(const Package& package) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<ORVANEUPDATE>\r\n";
    if (package.title) {
        xml += "  <TITLE>" + XmlEscaped(*package.title) + "</TITLE>\r\n";
    }
    if (package.devName) {
        xml += "  <DEVNAME";
        if (package.check) {
            xml += Attribute("CHECK", *package.check);
        }
        xml += ">" + XmlEscaped(*package.devName) + "</DEVNAME>\r\n";
    }
    xml += "  <UPDATEFILES>\r\n";
    for (const auto& entry : package.entries) {
        xml += "    <UPDATEFILE" + Attribute("ID", entry.id) +
               Attribute("SELECTOR", entry.selector) + Attribute("TOOLTIP", entry.toolTip) +
               Attribute("FILENAME", entry.fileName);
        if (entry.timeout) {
            xml += Attribute("TIMEOUT", *entry.timeout);
        }
        xml += "/>\r\n";
    }
    xml += "  </UPDATEFILES>\r\n</ORVANEUPDATE>\r\n";
    return xml;
}

}  // namespace e2e
