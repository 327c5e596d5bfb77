// The JSON document: reading replies by path, changing values, and the results of each operation.
#include "api/json_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace xl::api {
namespace {

const char* const kListReply =
    "{\"code\":200,\"data\":[{\"province\":\"\\u5e7f\\u4e1c\",\"status\":0,\"ip\":\"1.2.3.4\"}]}";

JsonDocument Parsed(const std::string& text) {
    JsonDocument doc;
    EXPECT_TRUE(doc.Parse(text)) << text;
    return doc;
}

TEST(JsonDocumentTest, ReadsAServerListReply) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(kListReply));
    EXPECT_EQ(doc.GetNumber("code"), 200);
    EXPECT_EQ(doc.GetInt("code"), 200);
    EXPECT_EQ(doc.GetCount("data"), 1);
    EXPECT_EQ(doc.GetText("data[0].province"), "广东");
    EXPECT_EQ(doc.GetText("data[0].ip"), "1.2.3.4");
    EXPECT_EQ(doc.GetText("data[1].province"), "");
    EXPECT_EQ(doc.GetInt("data[1].status"), 0);
    EXPECT_EQ(doc.GetInt("data[0].status"), 0);
    EXPECT_EQ(Parsed("{\"code\":\"200\"}").GetNumber("code"), 200);
}

TEST(JsonDocumentTest, ParseAcceptsOnlyJsonGivingAValue) {
    struct Case {
        std::string text;
        bool ok;
        std::string toText;
    };
    const std::vector<Case> cases = {
        {"", false, ""},
        {"  ", false, ""},
        {"null", false, "null"},
        {"not json", false, "null"},
        {"{'a':1}", false, "null"},  // script literals are not JSON
        {"{\"a\":1", false, "null"},
        {"{\"a\":1} x", false, "null"},
        {"\"text\"", true, "\"text\""},
        {"12.50", true, "12.5"},
        {"true", true, "true"},
        {"[]", true, "[]"},
        {" {\"b\":1,\"a\":[1,2]} ", true, "{\"b\":1,\"a\":[1,2]}"},
        {std::string(600, '[') + std::string(600, ']'), false, "null"},  // too deep
    };
    for (const Case& c : cases) {
        JsonDocument doc;
        EXPECT_EQ(doc.Parse(c.text), c.ok) << c.text.substr(0, 40);
        EXPECT_EQ(doc.ToText(), c.toText) << c.text.substr(0, 40);
    }
}

TEST(JsonDocumentTest, NumbersReadAsJavaScriptWritesThem) {
    struct Case {
        std::string json, text;
    };
    const std::vector<Case> cases = {
        {"100", "100"},
        {"1.5", "1.5"},
        {"100.0", "100"},
        {"-0.25", "-0.25"},
        {"1e21", "1e+21"},
        {"1e20", "100000000000000000000"},
        {"1.5e-7", "1.5e-7"},
        {"0.000001", "0.000001"},
        {"123456.789e3", "123456789"},
        {"0.1", "0.1"},
        {"-0", "0"},
        {"9007199254740993", "9007199254740993"},
    };
    for (const Case& c : cases) {
        JsonDocument doc = Parsed("{\"n\":" + c.json + "}");
        EXPECT_EQ(doc.GetText("n"), c.text) << c.json;
        EXPECT_EQ(doc.ToText(), "{\"n\":" + c.text + "}") << c.json;
    }
}

TEST(JsonDocumentTest, NumberReadsOfEveryKind) {
    JsonDocument doc = Parsed(
        "{\"i\":42,\"f\":-2.75,\"s\":\" 12.5 \",\"bad\":\"12abc\",\"hex\":\"0x10\",\"e\":\"\","
        "\"t\":true,\"n\":null,\"o\":{},\"a\":[1],\"big\":1e300,\"i64\":-9007199254740993}");
    EXPECT_EQ(doc.GetNumber("i"), 42);
    EXPECT_EQ(doc.GetNumber("f"), -2.75);
    EXPECT_EQ(doc.GetInt("f"), -2);  // toward zero
    EXPECT_EQ(doc.GetNumber("s"), 12.5);
    EXPECT_EQ(doc.GetNumber("bad"), 0);
    EXPECT_EQ(doc.GetNumber("hex"), 0);
    EXPECT_EQ(doc.GetNumber("e"), 0);
    EXPECT_EQ(doc.GetNumber("n"), 0);
    EXPECT_EQ(doc.GetNumber("o"), 0);
    EXPECT_EQ(doc.GetNumber("a"), 0);
    EXPECT_EQ(doc.GetNumber("missing"), 0);
    EXPECT_EQ(doc.GetNumber("missing.deeper"), 0);
    EXPECT_EQ(doc.GetInt("big"), 2147483647);
    EXPECT_EQ(doc.GetInt64("i64"), -9007199254740993LL);
    EXPECT_EQ(doc.GetInt64("f"), -2);
    EXPECT_TRUE(doc.GetBool("t"));
    EXPECT_TRUE(doc.GetBool("i"));
    EXPECT_FALSE(doc.GetBool("n"));
    EXPECT_FALSE(doc.GetBool("missing"));
    EXPECT_FALSE(Parsed("{\"z\":0,\"f\":false}").GetBool("z"));
    EXPECT_FALSE(Parsed("{\"z\":0,\"f\":false}").GetBool("f"));
}

TEST(JsonDocumentTest, DecimalStringsReadAsNumbers) {
    const std::vector<std::pair<std::string, double>> cases = {
        {"200", 200},    {" 7 ", 7},    {"\\t-1.5\\n", -1.5},
        {"+5", 5},       {"1e3", 1000}, {".5", 0.5},
        {"5.", 5},       {"", 0},       {"-", 0},
        {"Infinity", 0}, {"nan", 0},    {"1,000", 0},
        {"0x1A", 0},     {"12 3", 0},   {"1e999", 0},
    };
    for (const auto& [text, expected] : cases) {
        JsonDocument doc = Parsed("{\"v\":\"" + text + "\"}");
        EXPECT_EQ(doc.GetNumber("v"), expected) << text;
    }
}

TEST(JsonDocumentTest, PathsInTheirThreeForms) {
    JsonDocument array = Parsed("[\"a\",\"b\",{\"name\":\"c\"}]");
    EXPECT_EQ(array.GetText("[0]"), "a");
    EXPECT_EQ(array.GetText("[2].name"), "c");
    EXPECT_EQ(array.GetNumber("[0]"), 0);  // member paths only
    EXPECT_FALSE(array.Exists("[0]"));
    EXPECT_EQ(array.GetCount(), 3);  // optional path: the root
    EXPECT_EQ(array.TypeOf(), kJsonArray);
    EXPECT_EQ(array.GetCount("[0]"), -1);  // an optional path begins with a name

    JsonDocument doc =
        Parsed("{\"a\":{\"b\":[[1,{\"c\":\"deep\"}]]},\"名称\":\"x\",\"0\":\"zero\"}");
    EXPECT_EQ(doc.GetText("a.b[0][1].c"), "deep");
    EXPECT_EQ(doc.GetText("名称"), "x");
    EXPECT_EQ(doc.GetText("[0]"), "zero");  // an index reaches an object's member of that name
    for (const char* bad : {"", ".a", "a.", "a..b", "a[", "a[]", "a[x]", "a[-1]", "a b", "a-b",
                            "1a", "a]", "a[0", "a.b[0]]"}) {
        EXPECT_EQ(doc.GetText(bad, true), "") << bad;
        EXPECT_FALSE(doc.Exists(bad)) << bad;
    }
    EXPECT_EQ(doc.GetCount(""), 3);
}

TEST(JsonDocumentTest, TextReadsOfEveryKind) {
    JsonDocument doc = Parsed(
        "{\"s\":\"it's\",\"n\":null,\"t\":true,\"o\":{\"k\":[1,\"2\"]},\"q\":\"say \\\"hi\\\"\"}");
    EXPECT_EQ(doc.GetText("s"), "it's");
    EXPECT_EQ(doc.GetText("s", true), "\"it's\"");
    EXPECT_EQ(doc.GetJsonText("s"), "\"it's\"");
    EXPECT_EQ(doc.GetText("n"), "");
    EXPECT_EQ(doc.GetJsonText("n"), "null");
    EXPECT_EQ(doc.GetText("t"), "真");
    EXPECT_EQ(doc.GetJsonText("t"), "true");
    EXPECT_EQ(doc.GetJsonText("o"), "{\"k\":[1,\"2\"]}");
    EXPECT_EQ(doc.GetJsonText("q"), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(doc.GetJsonText("missing"), "");
    EXPECT_EQ(doc.GetJsonText("missing.x[0]"), "");
}

TEST(JsonDocumentTest, CountsAndKinds) {
    JsonDocument doc = Parsed(
        "{\"e\":[],\"a\":[1,2],\"o\":{\"x\":1},\"s\":\"abc\",\"n\":5,\"b\":false,\"z\":null}");
    EXPECT_EQ(doc.GetCount("e"), 0);
    EXPECT_EQ(doc.GetCount("a"), 2);
    EXPECT_EQ(doc.GetCount("o"), 1);
    EXPECT_EQ(doc.GetCount("s"), 0);
    EXPECT_EQ(doc.GetCount("n"), 0);
    EXPECT_EQ(doc.GetCount("b"), 0);
    EXPECT_LT(doc.GetCount("z"), 1);
    EXPECT_LT(doc.GetCount("missing"), 1);
    EXPECT_EQ(doc.GetCount(), 7);
    const std::vector<std::pair<const char*, int>> kinds = {
        {"e", kJsonArray},  {"o", kJsonObject},  {"s", kJsonString},        {"n", kJsonNumber},
        {"b", kJsonObject}, {"z", kJsonMissing}, {"missing", kJsonMissing}, {"", kJsonObject}};
    for (const auto& [path, kind] : kinds) EXPECT_EQ(doc.TypeOf(path), kind) << path;
}

TEST(JsonDocumentTest, SettersCreateMembersOfExistingObjects) {
    JsonDocument doc;
    EXPECT_EQ(doc.ToText(), "{}");
    doc.SetText("name", "岫澜");
    doc.SetNumber("pi", 3.25);
    doc.SetInt("count", -7);
    doc.SetInt64("big", 9007199254740993LL);
    doc.SetBool("yes", true);
    doc.SetBool("no", false);
    doc.SetJson("list", "[1,{\"k\":\"v\"}]");
    doc.SetValue("raw", "[1]", false);
    doc.SetValue("parsed", "[1]", true);
    doc.SetValue("emptyObject", "", true);
    EXPECT_EQ(doc.ToText(),
              "{\"name\":\"岫澜\",\"pi\":3.25,\"count\":-7,\"big\":9007199254740993,"
              "\"yes\":\"真\",\"no\":\"假\",\"list\":[1,{\"k\":\"v\"}],\"raw\":\"[1]\","
              "\"parsed\":[1],\"emptyObject\":{}}");
    EXPECT_EQ(doc.GetText("yes"), "真");
    EXPECT_EQ(doc.GetInt64("big"), 9007199254740993LL);

    doc.SetText("list[1].k", "w");
    doc.SetText("name", "replaced");
    EXPECT_EQ(doc.GetText("list[1].k"), "w");
    EXPECT_EQ(doc.GetText("name"), "replaced");
    EXPECT_EQ(doc.GetCount(), 10);  // replaced in place, not added
}

TEST(JsonDocumentTest, FailedSettersChangeNothing) {
    JsonDocument doc = Parsed("{\"a\":{\"x\":1},\"s\":\"str\",\"arr\":[0]}");
    const std::string before = doc.ToText();
    doc.SetText("missing.child", "v");  // the parent must exist
    doc.SetText("s.child", "v");        // a string has no members
    doc.SetText("", "v");               // an empty member path
    doc.SetText("bad path", "v");
    doc.SetJson("a.x", "{broken");
    doc.SetValue("a.x", "nope", true);
    doc.SetNumber("a.x", 0.0 / 0.0);
    doc.SetText("arr[99999999]", "v");  // no array grows that far
    doc.SetText("arr.name", "v");       // an array has no named members in JSON
    EXPECT_EQ(doc.ToText(), before);
}

TEST(JsonDocumentTest, ApostrophesAndSpecialCharactersAreStoredSoundly) {
    JsonDocument doc;
    doc.SetText("t", "it's \"quoted\" \\ / \r\n\t\x01");
    EXPECT_EQ(doc.GetText("t"), "it's \"quoted\" \\ / \r\n\t\x01");
    EXPECT_EQ(doc.ToText(), "{\"t\":\"it's \\\"quoted\\\" \\\\ / \\r\\n\\t\\u0001\"}");
    JsonDocument reread = Parsed(doc.ToText());
    EXPECT_EQ(reread.GetText("t"), doc.GetText("t"));
}

TEST(JsonDocumentTest, SetJsonWithEmptyTextRemovesTheMember) {
    JsonDocument doc = Parsed("{\"a\":1,\"b\":2,\"arr\":[1,2]}");
    doc.SetJson("a", "");
    doc.SetJson("arr[0]", "");
    EXPECT_EQ(doc.ToText(), "{\"b\":2,\"arr\":[null,2]}");
    EXPECT_FALSE(doc.Exists("a"));
}

TEST(JsonDocumentTest, ArraysAndTheRoot) {
    JsonDocument doc = Parsed("{\"list\":5}");
    doc.AppendToArray("1", "list", false);
    EXPECT_EQ(doc.GetJsonText("list"), "[\"1\"]");
    doc.AppendToArray("{\"k\":2}", "list", true);
    doc.AppendToArray("{broken", "list", true);
    doc.AppendToArray("x", "fresh", false);
    EXPECT_EQ(doc.ToText(), "{\"list\":[\"1\",{\"k\":2}],\"fresh\":[\"x\"]}");
    EXPECT_EQ(doc.GetItemText(0, "list", false), "1");
    EXPECT_EQ(doc.GetItemText(1, "list", true), "{\"k\":2}");
    EXPECT_EQ(doc.GetItemText(2, "list", false), "");
    EXPECT_EQ(doc.GetItemText(-1, "list", false), "");
    EXPECT_EQ(doc.GetItemObject(1, "list").GetInt("k"), 2);

    doc.Reset(kJsonArray);
    EXPECT_EQ(doc.ToText(), "[]");
    doc.AppendToArray("a", "", false);
    doc.AppendToArray("b", "", false);
    doc.AppendToArray("c", "", false);
    doc.SetRootItem(1, "[true]", true);
    doc.SetRootItem(4, "e", false);  // a gap is written as null
    EXPECT_EQ(doc.ToText(), "[\"a\",[true],\"c\",null,\"e\"]");
    doc.RemoveRootItem(1);
    doc.RemoveRootItem(9);
    doc.RemoveRootItem(-1);
    EXPECT_EQ(doc.ToText(), "[\"a\",\"c\",null,\"e\"]");
    EXPECT_EQ(doc.GetItemText(1, "", false), "c");

    doc.Reset(3);  // not a kind Reset knows
    EXPECT_EQ(doc.ToText(), "[\"a\",\"c\",null,\"e\"]");
    doc.Reset(kJsonMissing);
    EXPECT_EQ(doc.ToText(), "{}");
    doc.Reset(kJsonArray);
    doc.Reset(kJsonObject);
    EXPECT_EQ(doc.ToText(), "{}");
}

TEST(JsonDocumentTest, SetRootReportsTheNewRootAsABool) {
    JsonDocument doc;
    EXPECT_TRUE(doc.SetRoot("abc", false));
    EXPECT_EQ(doc.ToText(), "\"abc\"");
    EXPECT_FALSE(doc.SetRoot("0", true));
    EXPECT_EQ(doc.ToText(), "0");
    EXPECT_TRUE(doc.SetRoot("{\"a\":1}", true));
    EXPECT_FALSE(doc.SetRoot("{broken", true));
    EXPECT_EQ(doc.ToText(), "{\"a\":1}");
    EXPECT_FALSE(doc.SetRoot("", false));
    EXPECT_EQ(doc.ToText(), "\"\"");
}

TEST(JsonDocumentTest, KeysOfObjectsAndArrays) {
    JsonDocument doc = Parsed("{\"b\":1,\"城市\":2,\"a\":[7,8,9]}");
    std::vector<std::string> keys = {"stale"};
    doc.GetKeys(keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"b", "城市", "a"}));
    doc.GetKeys(keys, "a");
    EXPECT_EQ(keys, (std::vector<std::string>{"0", "1", "2"}));
    doc.GetKeys(keys, "missing");
    EXPECT_TRUE(keys.empty());
    doc.GetKeys(keys, "b");
    EXPECT_TRUE(keys.empty());
}

TEST(JsonDocumentTest, CopiesShareTheValueUntilReparsed) {
    JsonDocument first = Parsed("{\"a\":1}");
    JsonDocument second = first;
    second.SetInt("a", 2);
    EXPECT_EQ(first.GetInt("a"), 2);
    first.Clear();
    EXPECT_EQ(second.ToText(), "{}");
    second.Parse("{\"b\":3}");  // a fresh value for this handle only
    EXPECT_EQ(first.ToText(), "{}");
    EXPECT_EQ(second.ToText(), "{\"b\":3}");
    first.Initialise();
    first.SetInt("c", 4);
    EXPECT_EQ(second.ToText(), "{\"b\":3}");
}

TEST(JsonDocumentTest, ObjectsTakenOutAreIndependent) {
    JsonDocument doc = Parsed("{\"o\":{\"k\":\"v\"},\"n\":null}");
    JsonDocument part = doc.GetObject("o");
    part.SetText("k", "changed");
    EXPECT_EQ(doc.GetText("o.k"), "v");
    EXPECT_EQ(part.ToText(), "{\"k\":\"changed\"}");

    JsonDocument missing = doc.GetObject("nothing");
    EXPECT_EQ(missing.ToText(), "");
    EXPECT_LT(missing.GetCount(), 1);
    EXPECT_EQ(missing.TypeOf(), kJsonMissing);
    missing.SetText("x", "y");  // no root to write into
    EXPECT_EQ(missing.ToText(), "");
    EXPECT_EQ(doc.GetObject("n").ToText(), "null");
    EXPECT_EQ(Parsed("[{\"a\":1}]").GetObject("[0]").GetInt("a"), 1);
}

TEST(JsonDocumentTest, NonAsciiTextsCrossTheEdgeAsGbk) {
    JsonDocument doc =
        Parsed("{\"城市\":\"深圳\",\"emoji\":\"\\ud83d\\ude00\",\"soft\":\"\\u00ad\"}");
    EXPECT_EQ(doc.GetText("城市"), "深圳");
    EXPECT_EQ(doc.GetText("emoji"), "??");  // GBK has no such character
    EXPECT_EQ(doc.ToText(), "{\"城市\":\"深圳\",\"emoji\":\"??\",\"soft\":\"\\u00ad\"}");
    JsonDocument gbk = Parsed("{\"k\":\"中文\"}");  // a GBK text with raw Chinese
    EXPECT_EQ(gbk.GetText("k"), "中文");
}

}  // namespace
}  // namespace xl::api
