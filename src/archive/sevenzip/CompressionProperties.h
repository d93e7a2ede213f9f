#pragma once
// The compression settings of SevenZipPacker as the property list the library's ISetProperties
// takes: names and values in the order they are sent.

#include "archive/sevenzip/SevenZipInterfaces.h"

#include <QString>

#include <string>
#include <vector>

class SevenZipPacker;
class SevenZipLibrary;

struct CompressionProperty {
    std::wstring Name;
    bool IsText = false;
    uint32_t Number = 0;  // VT_UI4 value
    QString Text;         // VT_BSTR value
};

std::vector<CompressionProperty> CompressionProperties(const SevenZipPacker& zip);

// Sends the list; strings are made with the library's allocator and freed afterwards.
SevenZipAbi::HRESULT SendCompressionProperties(SevenZipAbi::ISetProperties* target,
                                               const std::vector<CompressionProperty>& properties,
                                               const SevenZipLibrary& library);
