#include "configurator/ParamFile.h"

#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include <utility>
#include <vector>

namespace {

// One element of the expected tree: name, text (for elements with text) and attributes in order.
struct TExpected {
    std::string Name;
    std::string Text;
    std::vector<std::pair<std::string, std::string>> Attributes;
};

const std::vector<TExpected> DefaultTree = {
    {"CAN_BR", "4", {}},
    {"CAN_Type", "0", {}},
    {"ADD_IP", "", {{"IPB1", "192"}, {"IPB2", "168"}, {"IPB3", "0"}, {"IPB4", "10"}}},
    {"SUBNET", "", {{"SMB1", "255"}, {"SMB2", "255"}, {"SMB3", "255"}, {"SMB4", "0"}}},
    {"DEST", "", {{"DESTB1", "192"}, {"DESTB2", "168"}, {"DESTB3", "0"}, {"DESTB4", "20"}}},
    {"Port", "10001", {}},
    {"Protocol", "0", {}},
    {"Multi", "0", {}},
    {"Type_Dev", "0", {}},
    {"En_Gate", "0", {}},
    {"GATEWAY", "", {{"GATE1", "192"}, {"GATE2", "168"}, {"GATE3", "0"}, {"GATE4", "1"}}},
    {"UDP_Broad", "0", {}},
};

// The tree parsed with every node kept, whitespace included, so nothing hides in the comparison.
void ExpectTree(const std::string& bytes, const std::vector<TExpected>& expected) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(bytes.c_str(), pugi::parse_full | pugi::parse_ws_pcdata));
    std::vector<pugi::xml_node> top;
    for (pugi::xml_node n : doc.children())
        if (n.type() != pugi::node_declaration)
            top.push_back(n);
    ASSERT_EQ(top.size(), 1u);
    const pugi::xml_node root = top[0];
    EXPECT_STREQ(root.name(), "GeneralParameter");
    EXPECT_FALSE(root.first_attribute());
    std::size_t i = 0;
    for (pugi::xml_node child : root.children()) {
        ASSERT_LT(i, expected.size());
        ASSERT_EQ(child.type(), pugi::node_element) << "node " << i << " of the root";
        EXPECT_EQ(child.name(), expected[i].Name);
        std::vector<std::pair<std::string, std::string>> attributes;
        for (pugi::xml_attribute a : child.attributes())
            attributes.emplace_back(a.name(), a.value());
        EXPECT_EQ(attributes, expected[i].Attributes) << expected[i].Name;
        if (expected[i].Attributes.empty()) {
            ASSERT_TRUE(child.first_child()) << expected[i].Name;
            EXPECT_EQ(child.first_child().type(), pugi::node_pcdata);
            EXPECT_FALSE(child.first_child().next_sibling());
            EXPECT_EQ(std::string(child.child_value()), expected[i].Text);
        } else {
            EXPECT_FALSE(child.first_child()) << expected[i].Name << " has content";
        }
        ++i;
    }
    EXPECT_EQ(i, expected.size());
}

std::string Saved(const TParamValues& values) {
    pugi::xml_document doc;
    BuildParamTree(doc, values);
    return SerializeParamDocument(doc);
}

TWindowParams WindowRead(const std::string& text) {
    TTempDir dir;
    WriteFileBytes(dir / "pargen.xml", text);
    pugi::xml_document doc;
    LoadParamDocument(doc, dir / "pargen.xml");
    return ReadWindowParams(doc);
}

// The builder's reading of every value, as text, for comparing whole readings at once.
std::string BuilderRead(const std::string& text) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(text.c_str()));
    using namespace ParamNames;
    const pugi::xml_node root = doc.document_element();
    std::string out;
    const auto put = [&out](int n) { out += std::to_string(n) + " "; };
    put(RequiredNumber(root, CanBr));
    put(RequiredNumber(root, CanType));
    for (auto [element, names] : {std::pair{AddIp, AddIpAttributes}, std::pair{Subnet, SubnetAttributes},
                                  std::pair{Dest, DestAttributes}})
        for (const char* a : names)
            put(RequiredAttributeNumber(root, element, a));
    put(RequiredNumber(root, Port));
    put(RequiredNumber(root, Protocol));
    put(RequiredNumber(root, Multi));
    put(OptionalNumber(root, TypeDev, 0));
    put(OptionalNumber(root, EnGate, 0));
    for (int n : OptionalAddress(root, Gateway, GatewayAttributes, {192, 168, 0, 1}))
        put(n);
    put(OptionalNumber(root, UdpBroad, 0));
    return out;
}

const char* DefaultsRead = "4 0 192 168 0 10 255 255 255 0 192 168 0 20 10001 0 0 0 0 192 168 0 1 0 ";

// The same values as the defaults, shuffled, indented, with extras, comments and a declaration.
const char* Shuffled = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- written by hand -->
<GeneralParameter>
    <UDP_Broad>0</UDP_Broad>
    <Extra a="1"><Nested/></Extra>
    <GATEWAY GATE4="1" GATE3="0" GATE2="168" GATE1="192"/>
    <!-- the port -->
    <Port>10001</Port>
    <En_Gate>0</En_Gate>
    <Type_Dev>0</Type_Dev>
    <Multi>0</Multi>
    <Protocol>0</Protocol>
    <DEST DESTB1="192" DESTB2="168" DESTB3="0" DESTB4="20"></DEST>
    <SUBNET SMB1="255" SMB2="255" SMB3="255" SMB4="0"/>
    <ADD_IP IPB1="192" IPB2="168" IPB3="0" IPB4="10" />
    <CAN_Type>0</CAN_Type>
    <CAN_BR>4</CAN_BR>
    <CAN_BR>7</CAN_BR>
</GeneralParameter>
)";

const char* FirstEight = "<GeneralParameter><CAN_BR>8</CAN_BR><CAN_Type>1</CAN_Type>"
                         "<ADD_IP IPB1=\"10\" IPB2=\"0\" IPB3=\"0\" IPB4=\"7\"/>"
                         "<SUBNET SMB1=\"255\" SMB2=\"0\" SMB3=\"0\" SMB4=\"0\"/>"
                         "<DEST DESTB1=\"10\" DESTB2=\"0\" DESTB3=\"0\" DESTB4=\"9\"/>"
                         "<Port>502</Port><Protocol>1</Protocol><Multi>1</Multi></GeneralParameter>";

} // namespace

TEST(ParamFile, SavedDefaultsAreExactlyTheTree) {
    const std::string bytes = Saved(TParamValues{});
    ExpectTree(bytes, DefaultTree);
    // Nothing but a declaration before the root, and no whitespace anywhere between elements.
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\"?><GeneralParameter><CAN_BR>4</CAN_BR>", 0), 0u) << bytes;
    for (std::size_t at = bytes.find('>'); at != std::string::npos; at = bytes.find('>', at + 1)) {
        if (at + 1 < bytes.size()) {
            EXPECT_NE(bytes[at + 1], ' ') << bytes;
        }
    }
    EXPECT_EQ(bytes.find_first_of("\n\r\t"), std::string::npos) << bytes;
}

TEST(ParamFile, WriterStoresTypedTextsUnchanged) {
    TParamValues v;
    v.CanBr = 8;
    v.CanType = 1;
    v.AddIp = {"010", " 10", "+3", "4"};
    v.Port = " 65535";
    v.Protocol = 1;
    v.Multi = true;
    v.TypeDev = 1;
    v.EnGate = true;
    v.UdpBroad = true;
    auto expected = DefaultTree;
    expected[0].Text = "8";
    expected[1].Text = "1";
    expected[2].Attributes = {{"IPB1", "010"}, {"IPB2", " 10"}, {"IPB3", "+3"}, {"IPB4", "4"}};
    expected[5].Text = " 65535";
    for (int i : {6, 7, 8, 9, 11})
        expected[i].Text = "1";
    ExpectTree(Saved(v), expected);
}

TEST(ParamFile, BothReadersReadAnyOrderIndentationAndExtras) {
    EXPECT_EQ(BuilderRead(Shuffled), DefaultsRead);
    EXPECT_EQ(BuilderRead(Saved(TParamValues{})), DefaultsRead);
    const TWindowParams read = WindowRead(Shuffled);
    EXPECT_EQ(Saved(read.Values), Saved(TParamValues{}));
    EXPECT_TRUE(read.UdpBroadReadable);
}

TEST(ParamFile, FirstEightElementsReadWithFallbacks) {
    EXPECT_EQ(BuilderRead(FirstEight), "8 1 10 0 0 7 255 0 0 0 10 0 0 9 502 1 1 0 0 192 168 0 1 0 ");
    const TWindowParams read = WindowRead(FirstEight);
    TParamValues expected;
    expected.CanBr = 8;
    expected.CanType = 1;
    expected.AddIp = {"10", "0", "0", "7"};
    expected.Subnet = {"255", "0", "0", "0"};
    expected.Dest = {"10", "0", "0", "9"};
    expected.Port = "502";
    expected.Protocol = 1;
    expected.Multi = true;
    EXPECT_EQ(Saved(read.Values), Saved(expected));
    EXPECT_FALSE(read.UdpBroadReadable);
}

TEST(ParamFile, MissingPortFallsBackInWindowAndStopsBuilder) {
    std::string text = FirstEight;
    text.erase(text.find("<Port>"), std::string("<Port>502</Port>").size());
    EXPECT_EQ(WindowRead(text).Values.Port, "10001");
    try {
        BuilderRead(text);
        FAIL() << "no error";
    } catch (const EParamValueError& e) {
        EXPECT_STREQ(e.what(), "element Port is missing");
    }
}

TEST(ParamFile, NamesDifferingInCaseCountAsAbsent) {
    std::string lower = Saved(TParamValues{});
    for (const char* from : {"<CAN_BR>", "</CAN_BR>", "IPB3=", "<GATEWAY ", "<UDP_Broad>", "</UDP_Broad>"}) {
        std::string to = from;
        for (char& c : to)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        lower.replace(lower.find(from), std::string(from).size(), to);
    }
    const TWindowParams read = WindowRead(lower);
    EXPECT_EQ(read.Values.CanBr, 5);
    EXPECT_EQ(read.Values.AddIp, (TAddressTexts{"192", "168", "0", "10"}));
    EXPECT_FALSE(read.UdpBroadReadable);
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(lower.c_str()));
    const pugi::xml_node root = doc.document_element();
    EXPECT_THROW(RequiredNumber(root, "CAN_BR"), EParamValueError);
    try {
        RequiredAttributeNumber(root, "ADD_IP", "IPB3");
        FAIL() << "no error";
    } catch (const EParamValueError& e) {
        EXPECT_STREQ(e.what(), "attribute IPB3 of element ADD_IP is missing");
    }
}

TEST(ParamFile, AnotherRootNameGivesWindowFallbacksButBuilderReads) {
    std::string text = Saved(TParamValues{});
    text.replace(text.find("<GeneralParameter>"), 18, "<Params>");
    text.replace(text.find("</GeneralParameter>"), 19, "</Params>");
    const TWindowParams read = WindowRead(text);
    TParamValues fallbacks;
    fallbacks.CanBr = 5;
    EXPECT_EQ(Saved(read.Values), Saved(fallbacks));
    EXPECT_FALSE(read.UdpBroadReadable);
    EXPECT_EQ(BuilderRead(text), DefaultsRead);
}

TEST(ParamFile, UnparsableFileReportsReasonLineAndText) {
    TTempDir dir;
    const std::string path = dir / "pargen.xml";
    WriteFileBytes(path, "<GeneralParameter>\n<CAN_BR>4</CAN_BR>\n<Port 10001</Port>\n</GeneralParameter>\n");
    pugi::xml_document doc;
    try {
        LoadParamDocument(doc, path);
        FAIL() << "no error";
    } catch (const EParamParseError& e) {
        EXPECT_EQ(e.Description, "Error parsing start element tag");
        EXPECT_EQ(e.Line, 3);
        EXPECT_EQ(e.Excerpt, "10001</Port> </GeneralParamete");
        EXPECT_STREQ(e.what(),
                     "Error parsing start element tag, line 3, at \"10001</Port> </GeneralParamete\"");
    }
    // The window reads nothing from a document that failed to load: all fallbacks but CAN_BR's.
    EXPECT_FALSE(doc.first_child());
    WriteFileBytes(path, "");
    EXPECT_THROW(LoadParamDocument(doc, path), EParamParseError);
    EXPECT_THROW(LoadParamDocument(doc, dir / "absent.xml"), EParamReadError);
}

TEST(ParamFile, ElementTextRule) {
    const struct {
        const char* Xml;
        std::optional<std::string> Text;
    } cases[] = {
        {"<r><e/></r>", ""},
        {"<r><e></e></r>", ""},
        {"<r><e>12</e></r>", "12"},
        {"<r><e><![CDATA[34]]></e></r>", "34"},
        {"<r><e> 5</e></r>", " 5"},
        {"<r><e>1<!--c-->2</e></r>", std::nullopt},
        {"<r><e><!--c-->2</e></r>", std::nullopt},
        {"<r><e><x>1</x></e></r>", std::nullopt},
        {"<r><e>1<x/></e></r>", std::nullopt},
        {"<r><f>1</f></r>", std::nullopt},
        {"<r><f>1</f><e>2</e><e>3</e></r>", "2"},
    };
    TTempDir dir;
    for (const auto& c : cases) {
        WriteFileBytes(dir / "t.xml", c.Xml);
        pugi::xml_document doc;
        LoadParamDocument(doc, dir / "t.xml");
        EXPECT_EQ(ElementText(FindChild(doc.document_element(), "e")), c.Text) << c.Xml;
    }
}

TEST(ParamFile, AttributePresentVersusAbsent) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<r a=\"\" b=\"7\"/>"));
    EXPECT_EQ(AttributeText(doc.document_element(), "a"), std::string());
    EXPECT_EQ(AttributeText(doc.document_element(), "b"), std::string("7"));
    EXPECT_EQ(AttributeText(doc.document_element(), "B"), std::nullopt);
    EXPECT_EQ(AttributeText(doc.document_element(), "c"), std::nullopt);
}

TEST(ParamFile, IntegerReading) {
    const struct {
        const char* Text;
        std::optional<int> Value;
    } cases[] = {
        {"0", 0},
        {"010", 10},
        {" 10", 10},
        {"\t 7", 7},
        {"+5", 5},
        {"-1", -1},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"", std::nullopt},
        {" ", std::nullopt},
        {"-", std::nullopt},
        {"10 ", std::nullopt},
        {"1.5", std::nullopt},
        {"0x10", std::nullopt},
        {"1,000", std::nullopt},
        {"--1", std::nullopt},
        {"- 1", std::nullopt},
        {"abc", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadInteger(c.Text), c.Value) << '"' << c.Text << '"';
}

TEST(ParamFile, FindParamFileIgnoresLetterCase) {
    TTempDir dir;
    EXPECT_EQ(FindParamFile(dir.Path()), "");
    std::filesystem::create_directory(dir / "PARGEN.XML"); // a folder of that name is no parameter file
    EXPECT_EQ(FindParamFile(dir.Path()), "");
    if (NamesIgnoreCase(dir.Path())) {
        std::filesystem::remove(dir / "PARGEN.XML");
        WriteFileBytes(dir / "pArGeN.xml", "x");
        EXPECT_EQ(FindParamFile(dir.Path()), dir / "pArGeN.xml");
        GTEST_SKIP() << "this file system takes names that differ only in letter case as one file: "
                        "the order among spellings cannot arise";
    }
    WriteFileBytes(dir / "pArGeN.xml", "x");
    EXPECT_EQ(FindParamFile(dir.Path()), dir / "pArGeN.xml");
    WriteFileBytes(dir / "pargen.xml", "x");
    EXPECT_EQ(FindParamFile(dir.Path()), dir / "pargen.xml");
    WriteFileBytes(dir / "Pargen.xml", "x");
    EXPECT_EQ(FindParamFile(dir.Path()), dir / "Pargen.xml");
}

TEST(ParamFile, SaveIntoRemovedFolderFails) {
    TTempDir dir;
    pugi::xml_document doc;
    BuildParamTree(doc, TParamValues{});
    EXPECT_THROW(
        {
            try {
                SaveParamDocument(doc, dir / "gone/pargen.xml");
            } catch (const EParamWriteError& e) {
                EXPECT_EQ(std::string(e.what()).rfind("cannot save " + (dir / "gone/pargen.xml") + ": ", 0),
                          0u)
                    << e.what();
                EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos);
                throw;
            }
        },
        EParamWriteError);
}

TEST(ParamFile, SaveFailingHalfwayKeepsTheOldFile) {
    if (const std::string why = TFileSizeLimit::Unavailable(); !why.empty())
        GTEST_SKIP() << why;
    TTempDir dir;
    const std::string path = dir / "pargen.xml";
    WriteFileBytes(path, "old");
    pugi::xml_document doc;
    BuildParamTree(doc, TParamValues{});
    {
        TFileSizeLimit limit(16); // the write of the new file stops with EFBIG, as on a full disk
        try {
            SaveParamDocument(doc, path);
            FAIL() << "no error";
        } catch (const EParamWriteError& e) {
            EXPECT_EQ(e.what(), "cannot save " + path + ": File too large");
        }
    }
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "temporary file left";
}

TEST(ParamFile, WriteProtectedFileIsNotReplaced) {
    TTempDir dir;
    pugi::xml_document doc;
    BuildParamTree(doc, TParamValues{});
    const std::string path = dir / "pargen.xml";
    WriteFileBytes(path, "old");
    if (!WriteProtect(path))
        GTEST_SKIP() << "running with privileges that ignore write protection";
    EXPECT_THROW(SaveParamDocument(doc, path), EParamWriteError);
    EXPECT_EQ(ReadFileBytes(path), "old");
    WriteProtect(path, false);
    SaveParamDocument(doc, path);
    EXPECT_EQ(ReadFileBytes(path), Saved(TParamValues{}));
}
