#pragma once

#include <pugixml.hpp>

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// The project's communication parameter file "pargen.xml": its tree, its writer and the lookup
// rules of its two readers (the Set Communication window and the image builder).

namespace ParamNames {
constexpr const char* Root = "GeneralParameter";
constexpr const char* CanBr = "CAN_BR";
constexpr const char* CanType = "CAN_Type";
constexpr const char* AddIp = "ADD_IP";
constexpr const char* Subnet = "SUBNET";
constexpr const char* Dest = "DEST";
constexpr const char* Port = "Port";
constexpr const char* Protocol = "Protocol";
constexpr const char* Multi = "Multi";
constexpr const char* TypeDev = "Type_Dev";
constexpr const char* EnGate = "En_Gate";
constexpr const char* Gateway = "GATEWAY";
constexpr const char* UdpBroad = "UDP_Broad";

using TAttributeNames = std::array<const char*, 4>;
constexpr TAttributeNames AddIpAttributes{"IPB1", "IPB2", "IPB3", "IPB4"};
constexpr TAttributeNames SubnetAttributes{"SMB1", "SMB2", "SMB3", "SMB4"};
constexpr TAttributeNames DestAttributes{"DESTB1", "DESTB2", "DESTB3", "DESTB4"};
constexpr TAttributeNames GatewayAttributes{"GATE1", "GATE2", "GATE3", "GATE4"};
} // namespace ParamNames

// The file name the Set Communication window uses and the one the image builder uses.
constexpr const char* WindowParamFileName = "pargen.xml";
constexpr const char* BuilderParamFileName = "Pargen.xml";

// Four octets of an IPv4 address, most significant first, as the user typed them.
using TAddressTexts = std::array<std::string, 4>;

// The CAN bit rates of the Set Communication window's list, in the order of their stored index.
constexpr std::array<const char*, 9> CanBitRates{"20K",  "50K",  "100K",  "125K",  "250K",
                                                 "500K", "800K", "1000K", "22.22K"};
constexpr int DefaultCanBr = 4;  // "250K": a new project
constexpr int FallbackCanBr = 5; // "500K": a stored index that is missing, unreadable or unknown

// The list index shown for a stored CAN bit-rate index.
constexpr int ShownCanBr(int stored) {
    return stored >= 0 && stored < static_cast<int>(CanBitRates.size()) ? stored : FallbackCanBr;
}

// The twelve parameters; the initial values are the Set Communication window's defaults.
struct TParamValues {
    int CanBr = DefaultCanBr; // index into CanBitRates
    int CanType = 0;          // 0 CAN 2.0A (11 bit), 1 CAN 2.0B (29 bit)
    TAddressTexts AddIp{"192", "168", "0", "10"};
    TAddressTexts Subnet{"255", "255", "255", "0"};
    TAddressTexts Dest{"192", "168", "0", "20"};
    std::string Port = "10001";
    int Protocol = 0; // 0 TCP, 1 UDP
    bool Multi = false;
    int TypeDev = 0; // 0 client/server, 1 only server
    bool EnGate = false;
    TAddressTexts Gateway{"192", "168", "0", "1"};
    bool UdpBroad = false;
};

// A parameter file that does not parse: the parser's reason, the line and the offending text.
class EParamParseError : public std::runtime_error {
public:
    EParamParseError(std::string description, int line, std::string excerpt);
    const std::string Description;
    const int Line;
    const std::string Excerpt; // up to ExcerptLength characters from the error's position
    static constexpr std::size_t ExcerptLength = 30;
};

// A parameter file that exists but cannot be read; the text names the path and the reason.
class EParamReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A parameter file that could not be saved; the text names the path and the system's reason.
class EParamWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A required value the image builder cannot read; the text says which lookup or conversion failed.
class EParamValueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// --- Lookup rules shared by both readers ---

// The first direct child element of parent with exactly this name (letter case counts).
pugi::xml_node FindChild(pugi::xml_node parent, const char* name);
// An element's text: "" when empty, the value of its only child when that is text or CDATA;
// nothing for an absent element or any other content.
std::optional<std::string> ElementText(pugi::xml_node element);
// An attribute's text by exact name; nothing when the attribute is absent (not the same as "").
std::optional<std::string> AttributeText(pugi::xml_node element, const char* name);
// Optional leading blanks, an optional sign, decimal digits and nothing else, within int.
std::optional<int> ReadInteger(std::string_view text);

// --- Loading and finding the file ---

// The project's parameter file in folder, its name matched without regard to letter case:
// "Pargen.xml" first, then "pargen.xml", then any other spelling in byte order. The path is
// folder + the platform's separator + the name found; empty when there is none.
std::string FindParamFile(const std::string& folder);

// Loads path into doc (replacing what it held). Whitespace-only text between elements is dropped;
// comments and processing instructions are kept, so that they count as content of an element.
// Raises EParamReadError when the file cannot be read and EParamParseError when it does not parse.
void LoadParamDocument(pugi::xml_document& doc, const std::string& path);

// --- The Set Communication window's view ---

struct TWindowParams {
    TParamValues Values;           // each unreadable value replaced by its own fallback
    bool UdpBroadReadable = false; // false: the window hides "UDP Broadcast"
};

// Reads the values from the root GeneralParameter among the document's top-level nodes; without
// that root every value takes its fallback. CanBr is the stored number, not range-checked.
TWindowParams ReadWindowParams(const pugi::xml_document& doc);

// --- The image builder's view: the document element under any name ---

// A required number: an element's text, or an attribute of an element. Raises EParamValueError.
int RequiredNumber(pugi::xml_node root, const char* element);
int RequiredAttributeNumber(pugi::xml_node root, const char* element, const char* attribute);
// An optional number: fallback when unreadable.
int OptionalNumber(pugi::xml_node root, const char* element, int fallback);
// An optional address: fallback as a whole when the element or any of its attributes is unreadable.
std::array<int, 4> OptionalAddress(pugi::xml_node root, const char* element,
                                   const ParamNames::TAttributeNames& attributes,
                                   const std::array<int, 4>& fallback);

// --- The writer ---

// Makes doc hold exactly the parameter tree of values, in its fixed order, and nothing else.
void BuildParamTree(pugi::xml_document& doc, const TParamValues& values);
// The bytes the writer saves: an XML declaration, then the tree without any whitespace.
std::string SerializeParamDocument(const pugi::xml_document& doc);
// Saves doc to path: the new file is written beside the old one and renamed over it, so that a
// failed save raises EParamWriteError and leaves the old file intact. A write-protected file is
// refused.
void SaveParamDocument(const pugi::xml_document& doc, const std::string& path);
