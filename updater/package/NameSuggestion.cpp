#include "NameSuggestion.h"

#include <algorithm>
#include <vector>

namespace {

wchar_t FoldAsciiCase(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// Edits (insert, delete, replace, swap of neighbours) between the two, letter case aside.
size_t EditDistance(std::wstring_view a, std::wstring_view b) {
    std::vector<size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) {
        previous[j] = j;
    }
    for (size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const bool same = FoldAsciiCase(a[i - 1]) == FoldAsciiCase(b[j - 1]);
            current[j] =
                std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && FoldAsciiCase(a[i - 1]) == FoldAsciiCase(b[j - 2]) &&
                FoldAsciiCase(a[i - 2]) == FoldAsciiCase(b[j - 1])) {
                current[j] = std::min(current[j], before[j - 2] + 1);
            }
        }
        before.swap(previous);
        previous.swap(current);
    }
    return previous[b.size()];
}

}  // namespace

const wchar_t* NearestName(std::wstring_view name, std::initializer_list<const wchar_t*> known) {
    const wchar_t* best = nullptr;
    size_t bestDistance = 0;
    for (const wchar_t* candidate : known) {
        const std::wstring_view text(candidate);
        // Short names tolerate one slip, longer ones two.
        const size_t allowed = text.size() <= 4 ? 1 : 2;
        const size_t gap =
            name.size() > text.size() ? name.size() - text.size() : text.size() - name.size();
        if (gap > allowed) {
            continue;
        }
        const size_t distance = EditDistance(name, text);
        if (distance <= allowed && (best == nullptr || distance < bestDistance)) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}
