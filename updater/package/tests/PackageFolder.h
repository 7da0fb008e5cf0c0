// A package laid out in a fresh temporary folder: <temp>\UPDATEFILES with its description and
// image files, and room beside it for files that a package must not reach.
#pragma once

#include <string>
#include <string_view>

#include "PackageTestSink.h"
#include "TempFolder.h"

class PackageFolder {
public:
    PackageFolder();

    const std::wstring& Path() const { return path_; }   // the UPDATEFILES folder
    const TempFolder& Outside() const { return root_; }  // the folder that holds it

    void WriteDescription(std::string_view bytes) const;
    void AddFile(std::wstring_view name, std::string_view bytes = "image") const;
    void AddFolder(std::wstring_view name) const;

    // Writes `bytes` as the description and walks it into `sink`.
    bool Load(std::string_view bytes, PackageSink& sink) const;

private:
    TempFolder root_;
    std::wstring path_;
};

// A description around `body`, the content of ORVANEUPDATE.
std::string PackageXml(std::string_view body);
// A description whose UPDATEFILES element holds `files`.
std::string UpdateFilesXml(std::string_view files);
