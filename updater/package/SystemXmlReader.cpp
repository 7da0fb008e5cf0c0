#include "SystemXmlReader.h"

#include "SystemLibrary.h"

namespace {

struct XmlLiteModule {
    HMODULE module;
    DWORD error;  // why it could not be loaded
};

// Loaded once and kept: the readers it makes run its code.
const XmlLiteModule& XmlLite() {
    static const XmlLiteModule loaded = [] {
        const HMODULE module = LoadSystemLibrary(L"xmllite.dll");
        return XmlLiteModule{module, module != nullptr ? ERROR_SUCCESS : GetLastError()};
    }();
    return loaded;
}

HRESULT FromError(DWORD error) {
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

}  // namespace

HRESULT CreateSystemXmlReader(IXmlReader** reader) {
    if (reader == nullptr) {
        return E_POINTER;
    }
    *reader = nullptr;
    const XmlLiteModule& xmllite = XmlLite();
    if (xmllite.module == nullptr) {
        return FromError(xmllite.error);
    }
    const auto create = ProcedureOf<decltype(&CreateXmlReader)>(xmllite.module, "CreateXmlReader");
    if (create == nullptr) {
        return FromError(GetLastError());
    }
    const HRESULT status = create(__uuidof(IXmlReader), reinterpret_cast<void**>(reader), nullptr);
    if (FAILED(status) && *reader != nullptr) {
        (*reader)->Release();
        *reader = nullptr;
    }
    return status;
}
