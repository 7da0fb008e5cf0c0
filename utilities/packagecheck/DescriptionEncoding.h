// The encoding of a description as its bytes say it (a byte-order mark, or the XML
// declaration), and where bytes break it: a file saved as "ANSI" but declared UTF-8 reads with
// U+FFFD in place of its accented letters, without a word from the reader.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "PackageSink.h"

struct DescriptionEncoding {
    std::string declared;  // as the XML declaration names it; empty when it names none
    bool utf8 = true;      // read as UTF-8: its mark, its declaration, or neither
    // Where the first byte that is not UTF-8 lies, when it is read as UTF-8 (1-based; the
    // column counts characters, as the reader's do); 0 when every byte is valid.
    uint32_t line = 0;
    uint32_t column = 0;
    uint8_t byte = 0;  // that byte
};

DescriptionEncoding ExamineEncoding(std::string_view bytes);

// Whether the platform's XML reader reads a document declared in `name`.
bool ReaderReadsEncoding(const std::string& name);

// The note for a description of these bytes, if it needs one: encoding-unsupported, naming the
// encoding, or encoding-mismatch at the first byte that is not UTF-8.
bool EncodingNote(std::string_view bytes, PackageNote* note);
