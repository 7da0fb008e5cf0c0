#include "PackageDescription.h"

#include <string>
#include <utility>

#include "ComPtr.h"
#include "FileStream.h"
#include "PackageNoteCodes.h"
#include "PackageWalk.h"
#include "SystemErrorText.h"
#include "SystemXmlReader.h"
#include "UniqueAny.h"

namespace {

std::wstring DescriptionPath(const wchar_t* folder) {
    return std::wstring(folder) + L"\\" + kPackageDescriptionName;
}

void NoteUnreadable(PackageSink& sink, std::wstring message) {
    sink.Note(PackageNote{NoteSeverity::Error, note_code::kUnreadable, std::move(message), 0, 0});
}

}  // namespace

HRESULT OpenPackageStream(IStream** stream, const wchar_t* folder) {
    if (stream == nullptr) {
        return E_POINTER;
    }
    *stream = nullptr;
    if (folder == nullptr) {
        return E_INVALIDARG;
    }
    // Others may read the description meanwhile, never write it.
    UniqueHandle file(::CreateFileW(DescriptionPath(folder).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
    }
    return FileStream::Create(std::move(file), stream);
}

bool LoadPackageDescription(PackageSink& sink, const wchar_t* folder) {
    ComPtr<IStream> stream;
    HRESULT status = OpenPackageStream(stream.Put(), folder);
    if (FAILED(status)) {
        NoteUnreadable(sink, L"the description " +
                                 (folder != nullptr ? DescriptionPath(folder) : std::wstring()) +
                                 L" cannot be opened: " + StatusText(status));
        return false;
    }
    ComPtr<IXmlReader> reader;
    status = CreateSystemXmlReader(reader.Put());
    if (FAILED(status) || !reader) {
        NoteUnreadable(sink, L"no XML reader can be made: " + StatusText(status));
        return false;
    }
    status = reader->SetInput(stream.Get());
    if (FAILED(status)) {
        NoteUnreadable(sink,
                       L"the XML reader does not take the description: " + StatusText(status));
        return false;
    }
    // No document has more nodes than bytes.
    uint64_t nodeLimit = PackageWalk::kDefaultNodeLimit;
    STATSTG record = {};
    if (SUCCEEDED(stream->Stat(&record, STATFLAG_NONAME))) {
        nodeLimit = record.cbSize.QuadPart + 16;
    }
    // A walk that stops early has taken what came before; that much is the package.
    PackageWalk(reader.Get(), sink, nodeLimit).Document();
    // The reader lets go of its reference first; the file closes with the last one.
    reader.Reset();
    stream.Reset();
    return true;
}
