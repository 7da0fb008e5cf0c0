#include "VersionText.h"

#include <cwchar>

namespace {

struct Model {
    uint16_t productCode;
    const wchar_t* name;
};

constexpr Model kModels[] = {
    {0x7012, L"ZP-Na7"},
    {0x7013, L"ZP-Mo7"},
};

}  // namespace

const wchar_t* ModelName(uint16_t productCode) {
    for (const Model& model : kModels) {
        if (model.productCode == productCode) {
            return model.name;
        }
    }
    return nullptr;
}

bool IsKnownModelName(const std::wstring& name) {
    for (const Model& model : kModels) {
        if (name == model.name) {
            return true;
        }
    }
    return false;
}

std::wstring FormatVersionText(const uint8_t (&b)[kVersionBlockSize]) {
    // Eleven bytes of at most two digits each and the fixed characters fit easily.
    wchar_t text[64];
    std::swprintf(text, sizeof(text) / sizeof(text[0]), L":Ver=%X%X%X.%02X-%X%X%X%X-%X%X",
                  unsigned{b[7]}, unsigned{b[6]}, unsigned{b[5]}, unsigned{b[4]}, unsigned{b[11]},
                  unsigned{b[10]}, unsigned{b[9]}, unsigned{b[8]}, unsigned{b[13]},
                  unsigned{b[12]});
    return text;
}

std::wstring FormatVersionLine(const wchar_t* model, const uint8_t (&block)[kVersionBlockSize]) {
    return std::wstring(model) + FormatVersionText(block);
}
