#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ComPtr.h"
#include "FileStream.h"
#include "SystemXmlReader.h"
#include "TempFolder.h"
#include "UniqueAny.h"

namespace {

// Elements in document order, each with its attributes as name=value, and text as "text:".
std::vector<std::wstring> ReadDocument(IStream* stream) {
    std::vector<std::wstring> items;
    ComPtr<IXmlReader> reader;
    HRESULT result = CreateSystemXmlReader(reader.Put());
    EXPECT_EQ(result, S_OK);
    if (FAILED(result)) {
        return items;
    }
    EXPECT_EQ(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit), S_OK);
    EXPECT_EQ(reader->SetInput(stream), S_OK);
    XmlNodeType type = XmlNodeType_None;
    while ((result = reader->Read(&type)) == S_OK) {
        const wchar_t* name = nullptr;
        const wchar_t* value = nullptr;
        if (type == XmlNodeType_Element) {
            EXPECT_EQ(reader->GetLocalName(&name, nullptr), S_OK);
            items.push_back(name);
            for (HRESULT attribute = reader->MoveToFirstAttribute(); attribute == S_OK;
                 attribute = reader->MoveToNextAttribute()) {
                EXPECT_EQ(reader->GetLocalName(&name, nullptr), S_OK);
                EXPECT_EQ(reader->GetValue(&value, nullptr), S_OK);
                items.push_back(std::wstring(L"  ") + name + L"=" + value);
            }
        } else if (type == XmlNodeType_Text) {
            EXPECT_EQ(reader->GetValue(&value, nullptr), S_OK);
            items.push_back(std::wstring(L"  text:") + value);
        }
    }
    EXPECT_EQ(result, S_FALSE) << "the document ends cleanly";
    return items;
}

}  // namespace

TEST(FileStreamWithXmlLite, ReadsElementsAndAttributesOfADocument) {
    TempFolder folder;
    const std::wstring path = folder.PathOf(L"TAVIKUpdate.xml");
    WriteBytes(path,
               "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
               "<UPDATE>\r\n"
               "  <DEVICE NAME=\"ZP-Na7\" CHECK=\"1\"/>\r\n"
               "  <TITLE>Firmware \xE2\x85\xA1 update</TITLE>\r\n"
               "  <FILE ID=\"1\" SELECT=\"3\" TIMEOUT=\"60000\">main.bin</FILE>\r\n"
               "</UPDATE>\r\n");

    ComPtr<IStream> stream;
    {
        UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        ASSERT_EQ(FileStream::Create(std::move(file), stream.Put()), S_OK);
    }
    const std::vector<std::wstring> expected = {
        L"UPDATE",
        L"DEVICE",
        L"  NAME=ZP-Na7",
        L"  CHECK=1",
        L"TITLE",
        L"  text:Firmware \u2161 update",
        L"FILE",
        L"  ID=1",
        L"  SELECT=3",
        L"  TIMEOUT=60000",
        L"  text:main.bin",
    };
    EXPECT_EQ(ReadDocument(stream.Get()), expected);
    EXPECT_EQ(stream->AddRef(), 2u) << "the reader gave back every reference it took";
    EXPECT_EQ(stream->Release(), 1u);
}
