#include "configurator/ParamFile.h"

#include "common/ProgramPath.h"
#include "common/SafeFile.h"
#include "common/Text.h"
#include "common/Utf8Path.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ParseErrorText(const std::string& description, int line, const std::string& excerpt) {
    std::string text = description + ", line " + std::to_string(line);
    if (!excerpt.empty())
        text += ", at \"" + excerpt + "\"";
    return text;
}

std::optional<TAddressTexts> AddressTexts(pugi::xml_node root, const char* element,
                                          const ParamNames::TAttributeNames& attributes) {
    const pugi::xml_node node = FindChild(root, element);
    TAddressTexts texts;
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        auto text = AttributeText(node, attributes[i]);
        if (!text)
            return std::nullopt;
        texts[i] = *text;
    }
    return texts;
}

std::optional<int> ElementNumber(pugi::xml_node root, const char* element) {
    const auto text = ElementText(FindChild(root, element));
    return text ? ReadInteger(*text) : std::nullopt;
}

void AppendText(pugi::xml_node parent, const char* name, const std::string& text) {
    parent.append_child(name).append_child(pugi::node_pcdata).set_value(text.c_str());
}

void AppendAddress(pugi::xml_node parent, const char* name, const ParamNames::TAttributeNames& attributes,
                   const TAddressTexts& texts) {
    pugi::xml_node node = parent.append_child(name);
    for (std::size_t i = 0; i < attributes.size(); ++i)
        node.append_attribute(attributes[i]).set_value(texts[i].c_str());
}

const char* Switch(bool on) {
    return on ? "1" : "0";
}

} // namespace

EParamParseError::EParamParseError(std::string description, int line, std::string excerpt)
    : std::runtime_error(ParseErrorText(description, line, excerpt)), Description(std::move(description)),
      Line(line), Excerpt(std::move(excerpt)) {}

pugi::xml_node FindChild(pugi::xml_node parent, const char* name) {
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element && std::strcmp(child.name(), name) == 0)
            return child;
    return pugi::xml_node();
}

std::optional<std::string> ElementText(pugi::xml_node element) {
    if (!element || element.type() != pugi::node_element)
        return std::nullopt;
    const pugi::xml_node only = element.first_child();
    if (!only)
        return std::string();
    if (only.next_sibling())
        return std::nullopt;
    if (only.type() != pugi::node_pcdata && only.type() != pugi::node_cdata)
        return std::nullopt;
    return std::string(only.value());
}

std::optional<std::string> AttributeText(pugi::xml_node element, const char* name) {
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute())
        if (std::strcmp(a.name(), name) == 0)
            return std::string(a.value());
    return std::nullopt;
}

std::optional<int> ReadInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size())
        return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

std::string FindParamFile(const std::string& folder) {
    std::error_code ec;
    std::vector<std::string> names;
    for (fs::directory_iterator it(Utf8Path(folder + "/"), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = PathUtf8(it->path().filename());
        std::error_code typeError;
        if (EqualNoCase(name, BuilderParamFileName) && fs::is_regular_file(it->path(), typeError))
            names.push_back(name);
    }
    if (names.empty())
        return std::string();
    std::sort(names.begin(), names.end());
    for (const char* preferred : {BuilderParamFileName, WindowParamFileName})
        if (std::find(names.begin(), names.end(), preferred) != names.end())
            return folder + PathSeparator + preferred;
    return folder + PathSeparator + names.front();
}

void LoadParamDocument(pugi::xml_document& doc, const std::string& path) {
    std::ifstream in(Utf8Path(path), std::ios::binary);
    if (!in)
        throw EParamReadError("cannot open " + path + ": " + std::strerror(errno));
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw EParamReadError("cannot read " + path + ": " + std::strerror(errno));

    const unsigned options = pugi::parse_default | pugi::parse_comments | pugi::parse_pi;
    const pugi::xml_parse_result result = doc.load_buffer(bytes.data(), bytes.size(), options);
    if (result)
        return;
    const std::size_t offset =
        std::min(static_cast<std::size_t>(std::max<std::ptrdiff_t>(result.offset, 0)), bytes.size());
    const int line = 1 + static_cast<int>(std::count(bytes.begin(), bytes.begin() + offset, '\n'));
    std::string excerpt = bytes.substr(offset, EParamParseError::ExcerptLength);
    for (char& c : excerpt)
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
    while (!excerpt.empty() && excerpt.back() == ' ')
        excerpt.pop_back();
    doc.reset();
    throw EParamParseError(result.description(), line, excerpt);
}

TWindowParams ReadWindowParams(const pugi::xml_document& doc) {
    using namespace ParamNames;
    const TParamValues defaults;
    TWindowParams read;
    TParamValues& v = read.Values;
    const pugi::xml_node root = FindChild(doc, Root);

    v.CanBr = ElementNumber(root, CanBr).value_or(FallbackCanBr);
    v.CanType = ElementNumber(root, CanType).value_or(0) != 0 ? 1 : 0;
    v.AddIp = AddressTexts(root, AddIp, AddIpAttributes).value_or(defaults.AddIp);
    v.Subnet = AddressTexts(root, Subnet, SubnetAttributes).value_or(defaults.Subnet);
    v.Dest = AddressTexts(root, Dest, DestAttributes).value_or(defaults.Dest);
    v.Port = ElementText(FindChild(root, Port)).value_or(defaults.Port);
    v.Protocol = ElementNumber(root, Protocol).value_or(0) != 0 ? 1 : 0;
    v.Multi = ElementNumber(root, Multi).value_or(0) != 0;
    v.TypeDev = ElementNumber(root, TypeDev).value_or(0) != 0 ? 1 : 0;
    v.EnGate = ElementNumber(root, EnGate).value_or(0) == 1;
    v.Gateway = AddressTexts(root, Gateway, GatewayAttributes).value_or(defaults.Gateway);
    const auto udpBroad = ElementNumber(root, UdpBroad);
    read.UdpBroadReadable = udpBroad.has_value();
    v.UdpBroad = udpBroad.value_or(0) == 1;
    return read;
}

int RequiredNumber(pugi::xml_node root, const char* element) {
    const pugi::xml_node node = FindChild(root, element);
    if (!node)
        throw EParamValueError(std::string("element ") + element + " is missing");
    const auto text = ElementText(node);
    if (!text)
        throw EParamValueError(std::string("element ") + element + " has no readable text");
    const auto number = ReadInteger(*text);
    if (!number)
        throw EParamValueError(std::string("the text \"") + *text + "\" of element " + element +
                               " is not an integer");
    return *number;
}

int RequiredAttributeNumber(pugi::xml_node root, const char* element, const char* attribute) {
    const pugi::xml_node node = FindChild(root, element);
    if (!node)
        throw EParamValueError(std::string("element ") + element + " is missing");
    const auto text = AttributeText(node, attribute);
    if (!text)
        throw EParamValueError(std::string("attribute ") + attribute + " of element " + element +
                               " is missing");
    const auto number = ReadInteger(*text);
    if (!number)
        throw EParamValueError(std::string("the value \"") + *text + "\" of attribute " + attribute +
                               " of element " + element + " is not an integer");
    return *number;
}

int OptionalNumber(pugi::xml_node root, const char* element, int fallback) {
    return ElementNumber(root, element).value_or(fallback);
}

std::array<int, 4> OptionalAddress(pugi::xml_node root, const char* element,
                                   const ParamNames::TAttributeNames& attributes,
                                   const std::array<int, 4>& fallback) {
    const pugi::xml_node node = FindChild(root, element);
    std::array<int, 4> octets{};
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        const auto text = AttributeText(node, attributes[i]);
        const auto number = text ? ReadInteger(*text) : std::nullopt;
        if (!number)
            return fallback;
        octets[i] = *number;
    }
    return octets;
}

void BuildParamTree(pugi::xml_document& doc, const TParamValues& v) {
    using namespace ParamNames;
    doc.reset();
    pugi::xml_node root = doc.append_child(Root);
    AppendText(root, CanBr, std::to_string(v.CanBr));
    AppendText(root, CanType, v.CanType == 0 ? "0" : "1");
    AppendAddress(root, AddIp, AddIpAttributes, v.AddIp);
    AppendAddress(root, Subnet, SubnetAttributes, v.Subnet);
    AppendAddress(root, Dest, DestAttributes, v.Dest);
    AppendText(root, Port, v.Port);
    AppendText(root, Protocol, v.Protocol == 0 ? "0" : "1");
    AppendText(root, Multi, Switch(v.Multi));
    AppendText(root, TypeDev, v.TypeDev == 0 ? "0" : "1");
    AppendText(root, EnGate, Switch(v.EnGate));
    AppendAddress(root, Gateway, GatewayAttributes, v.Gateway);
    AppendText(root, UdpBroad, Switch(v.UdpBroad));
}

std::string SerializeParamDocument(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw, pugi::encoding_utf8);
    return out.str();
}

void SaveParamDocument(const pugi::xml_document& doc, const std::string& path) {
    if (!WriteFileReplacing(path, SerializeParamDocument(doc)))
        throw EParamWriteError("cannot save " + path + ": " + std::strerror(errno));
}
