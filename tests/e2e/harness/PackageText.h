// Package descriptions for a case, written as the text a package maker would write.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct PackageEntry {
    std::wstring id;  // attribute texts, so a case can also write odd values
    std::wstring selector;
    std::wstring toolTip;
    std::wstring fileName;
    std::optional<std::wstring> timeout;  // absent: no TIMEOUT attribute
};

struct Package {
    std::optional<std::wstring> title;    // absent: no TITLE element
    std::optional<std::wstring> devName;  // absent: no DEVNAME element
    std::optional<std::wstring> check;    // DEVNAME's CHECK attribute
    std::vector<PackageEntry> entries;    // in the order written
};

// The document, UTF-8 with its declaration; texts and attribute values escaped.
std::string PackageXml(const Package& package);

std::string Utf8(const std::wstring& text);
std::string XmlEscaped(const std::wstring& text);

}  // namespace e2e
