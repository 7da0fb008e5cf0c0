#include "PackageFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "PackageDescription.h"

PackageFolder::PackageFolder() : path_(root_.PathOf(L"UPDATEFILES")) {
    EXPECT_TRUE(::CreateDirectoryW(path_.c_str(), nullptr)) << ::GetLastError();
}

void PackageFolder::WriteDescription(std::string_view bytes) const {
    WriteBytes(path_ + L"\\" + kPackageDescriptionName, bytes);
}

void PackageFolder::AddFile(std::wstring_view name, std::string_view bytes) const {
    WriteBytes(path_ + L"\\" + std::wstring(name), bytes);
}

void PackageFolder::AddFolder(std::wstring_view name) const {
    EXPECT_TRUE(::CreateDirectoryW((path_ + L"\\" + std::wstring(name)).c_str(), nullptr));
}

bool PackageFolder::Load(std::string_view bytes, PackageSink& sink) const {
    WriteDescription(bytes);
    return LoadPackageDescription(sink, path_.c_str());
}

std::string PackageXml(std::string_view body) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<ORVANEUPDATE>\n" + std::string(body) +
           "\n</ORVANEUPDATE>\n";
}

std::string UpdateFilesXml(std::string_view files) {
    return PackageXml("<UPDATEFILES>\n" + std::string(files) + "\n</UPDATEFILES>");
}
