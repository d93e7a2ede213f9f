#include "archive/sevenzip/CompressionProperties.h"

#include "archive/sevenzip/SevenZip.h"
#include "archive/sevenzip/SevenZipLibrary.h"

using namespace SevenZipAbi;

namespace {

uint32_t Level(CompressStrength strength)
{
    switch (strength) {
    case SAVE:
        return 0;
    case FAST:
        return 3;
    case NORMAL:
        return 5;
    case MAXIMUM:
        return 7;
    case ULTRA:
        return 9;
    }
    return 5;
}

CompressionProperty Number(const wchar_t* name, uint32_t value)
{
    CompressionProperty p;
    p.Name = name;
    p.Number = value;
    return p;
}

CompressionProperty Text(const wchar_t* name, const char* value)
{
    CompressionProperty p;
    p.Name = name;
    p.IsText = true;
    p.Text = QString::fromLatin1(value);
    return p;
}

}  // namespace

std::vector<CompressionProperty> CompressionProperties(const SevenZipPacker& zip)
{
    std::vector<CompressionProperty> list;
    const uint32_t level = Level(zip.LZMACompressStrength);
    if (zip.LZMACompressType == PPMD) {
        list.push_back(Text(L"0", "PPMd"));
        list.push_back(Number(L"X", level));
        if (zip.LPPMDsize > 0)
            list.push_back(Number(L"o", zip.LPPMDsize));
        if (zip.LPPMDmem > 0)
            list.push_back(Number(L"mem", zip.LPPMDmem));
    } else {
        list.push_back(Number(L"X", level));
        if (!(zip.AddOptions & AddSolid))
            list.push_back(Text(L"s", "off"));
        else if (zip.SolidBlockMegabytes > 0)
            list.push_back(Text(L"s", QByteArray::number(zip.SolidBlockMegabytes).append('m').constData()));
        else
            list.push_back(Text(L"s", "on"));
        if (zip.LZMAStrength > 0)
            list.push_back(Number(L"d", zip.LZMAStrength));
    }
    if (!zip.Password.isEmpty() && (zip.AddOptions & AddEncryptFilename))
        list.push_back(Text(L"he", "on"));
    return list;
}

HRESULT SendCompressionProperties(ISetProperties* target, const std::vector<CompressionProperty>& properties,
                                  const SevenZipLibrary& library)
{
    std::vector<const wchar_t*> names;
    std::vector<PROPVARIANT> values(properties.size());
    for (size_t i = 0; i < properties.size(); ++i) {
        names.push_back(properties[i].Name.c_str());
        PROPVARIANT& v = values[i];
        v = PROPVARIANT{};
        if (properties[i].IsText) {
            v.vt = VT_BSTR;
            v.bstrVal = library.AllocString(properties[i].Text);
        } else {
            v.vt = VT_UI4;
            v.ulVal = properties[i].Number;
        }
    }
    const HRESULT result = ForeignSetProperties(target, names.data(), values.data(), static_cast<uint32_t>(values.size()));
    for (PROPVARIANT& v : values)
        if (v.vt == VT_BSTR)
            library.FreeString(v.bstrVal);
    return result;
}
