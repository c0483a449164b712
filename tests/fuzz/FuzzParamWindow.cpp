// The Set Communication window's view of any parameter file: the values it shows are in range, and
// saving them and reading the saved file again gives the same values.
#include "configurator/ParamFile.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>

namespace {

bool SameValues(const TParamValues& a, const TParamValues& b) {
    return a.CanBr == b.CanBr && a.CanType == b.CanType && a.AddIp == b.AddIp && a.Subnet == b.Subnet &&
           a.Dest == b.Dest && a.Port == b.Port && a.Protocol == b.Protocol && a.Multi == b.Multi &&
           a.TypeDev == b.TypeDev && a.EnGate == b.EnGate && a.Gateway == b.Gateway &&
           a.UdpBroad == b.UdpBroad;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = FuzzFolder() + "/pargen.xml";
    WriteWhole(path, std::string(reinterpret_cast<const char*>(data), size));
    pugi::xml_document doc;
    try {
        LoadParamDocument(doc, path);
    } catch (const EParamParseError& e) {
        FUZZ_ASSERT(e.Excerpt.size() <= EParamParseError::ExcerptLength);
        FUZZ_ASSERT(e.Line >= 1);
        return 0;
    }
    const TWindowParams shown = ReadWindowParams(doc);
    const TParamValues& v = shown.Values;
    FUZZ_ASSERT(v.CanType == 0 || v.CanType == 1);
    FUZZ_ASSERT(v.Protocol == 0 || v.Protocol == 1);
    FUZZ_ASSERT(v.TypeDev == 0 || v.TypeDev == 1);
    FUZZ_ASSERT(shown.UdpBroadReadable || !v.UdpBroad);

    pugi::xml_document saved;
    BuildParamTree(saved, v);
    WriteWhole(path, SerializeParamDocument(saved));
    pugi::xml_document reread;
    LoadParamDocument(reread, path);
    const TWindowParams again = ReadWindowParams(reread);
    FUZZ_ASSERT(again.UdpBroadReadable);
    FUZZ_ASSERT(SameValues(again.Values, v));
    return 0;
}
