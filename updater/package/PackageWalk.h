// The element walk over an XmlLite reader. One object serves one document, so that what an
// earlier part of the walk took (an entry's ID, a title) is known to the notes of a later part.
#pragma once

#include <windows.h>
#include <xmllite.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "PackageSink.h"
#include "UpdateFileEntry.h"

// What the walk has handed to the sink so far.
struct WalkRecord {
    bool titleSet = false;
    bool devNameSet = false;
    bool entryStored[kUpdateFileCount] = {};
};

class PackageWalk {
public:
    // More nodes than this end the walk as an unexpected end of the input. Every node takes at
    // least one byte of the input, so a description's size bounds its nodes; the limit stops a
    // reader that keeps handing out nodes at the end of a cut-off document (Wine's xmllite
    // repeats a white-space node there for ever, where Windows' reports the end of the input).
    static constexpr uint64_t kDefaultNodeLimit = 1u << 22;

    PackageWalk(IXmlReader* reader, PackageSink& sink, uint64_t nodeLimit = kDefaultNodeLimit)
        : reader_(reader), sink_(sink), nodeLimit_(nodeLimit) {}

    // The whole document from the reader's position: each ORVANEUPDATE element runs Root.
    // Ends with notes on how it ended and what the dialog will show without a title or a
    // device name. S_FALSE at the end of the document, else the failure that stopped it.
    HRESULT Document();

    // Positioned on the element of their name; see ReadPackageRoot and the others.
    HRESULT Root();
    HRESULT Title();
    HRESULT DevName();
    HRESULT UpdateFiles();

    const WalkRecord& Record() const { return record_; }

private:
    struct Position {
        uint32_t line = 0;
        uint32_t column = 0;
    };
    enum class Container { Document, Root, Title, DevName, UpdateFiles };

    // IXmlReader::Read within the node limit.
    HRESULT Read(XmlNodeType* type);
    // The next node a walker acts on: an element or an end element with its local name, or a
    // text node (no name). Every other kind is passed over here.
    HRESULT NextNode(XmlNodeType* type, std::wstring_view* name);
    Position Here() const;
    void Note(NoteSeverity severity, const char* code, std::wstring message, Position at);
    void Note(NoteSeverity severity, const char* code, std::wstring message) {
        Note(severity, code, std::move(message), Here());
    }

    // Title and DevName after the attributes: text nodes go to `setText` until </endName>.
    HRESULT ReadText(const wchar_t* endName, void (PackageSink::*setText)(const wchar_t*),
                     bool& textSet);
    // One UPDATEFILE: its notes are held until its ID is known, so each names its entry.
    HRESULT UpdateFile();
    HRESULT ReadUpdateFile(int* storedId);
    void NoteSelfClosed(const wchar_t* name);
    // An element that has no effect where it stands.
    void NotePassedOver(std::wstring_view name, Container where);
    void NoteStopped(HRESULT status);
    std::wstring TakenSoFar() const;

    IXmlReader* reader_;
    PackageSink& sink_;
    WalkRecord record_;
    uint64_t nodeLimit_;
    uint64_t nodes_ = 0;
    bool stalled_ = false;                      // the node limit ended the walk
    std::vector<PackageNote>* held_ = nullptr;  // notes of the UPDATEFILE being read
};

// The walkers, each on a walk of its own: S_OK when the end tag they wait for was reached,
// S_FALSE when the document ended first, the reader's failure status otherwise.
HRESULT ReadPackageRoot(IXmlReader* reader, PackageSink& sink);
HRESULT ReadTitle(IXmlReader* reader, PackageSink& sink);
HRESULT ReadDevName(IXmlReader* reader, PackageSink& sink);
HRESULT ReadUpdateFiles(IXmlReader* reader, PackageSink& sink);
