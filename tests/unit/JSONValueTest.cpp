// The dynamic JSON value and the three wire forms of free-form maps
// ("attributes", "reservationInfo").

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <string_view>

#include "quillbox/request/JSONValue.hpp"
#include "quillbox/request/Json.hpp"
#include "quillbox/services/job/JobRecords.hpp"
#include "quillbox/services/records/FileRecords.hpp"
#include "util/Base64.hpp"

namespace quillbox {
namespace {

template <class T>
T decodeOk(std::string_view text) {
  auto r = fromJson<T>(text);
  EXPECT_TRUE(r.ok()) << (r.ok() ? std::string() : r.error().description());
  return r.ok() ? r.value() : T{};
}

template <class T>
JsonError decodeFails(std::string_view text) {
  auto r = fromJson<T>(text);
  EXPECT_FALSE(r.ok()) << "decoded: " << text;
  return r.ok() ? JsonError{} : r.error();
}

JSONValue attribute(std::string_view jsonValue) {
  const auto p = decodeOk<PrivateProperties>(std::string(R"({"attributes":{"v":)") + std::string(jsonValue) + "}}");
  return p.attributes ? p.attributes->at("v") : JSONValue("<absent>");
}

std::string blob(std::string_view jsonText) { return util::base64Encode(jsonText); }

TEST(JSONValue, NumbersStringsAndBooleansKeepTheirKind) {
  EXPECT_EQ(attribute("3").value, JSONValue::Value(std::int64_t{3}));
  EXPECT_EQ(attribute("-3").value, JSONValue::Value(std::int64_t{-3}));
  EXPECT_EQ(attribute("3.5").value, JSONValue::Value(3.5));
  EXPECT_EQ(attribute("12.0").value, JSONValue::Value(12.0));  // a fraction makes a double
  EXPECT_EQ(attribute("1e2").value, JSONValue::Value(100.0));
  EXPECT_EQ(attribute("9223372036854775808").value, JSONValue::Value(9223372036854775808.0));
  EXPECT_EQ(attribute("\"3\"").value, JSONValue::Value(std::string("3")));
  EXPECT_EQ(attribute("\"true\"").value, JSONValue::Value(std::string("true")));
  EXPECT_EQ(attribute("true").value, JSONValue::Value(true));
  EXPECT_EQ(attribute("false").value, JSONValue::Value(false));
  EXPECT_TRUE(attribute("null").isNull());

  // Arrays and objects hold plain values, in order, recursively.
  const JSONValue arr = attribute(R"([1,"s",null,[2.5],{"k":false}])");
  EXPECT_EQ(arr, JSONValue(JSONValue::Array{1, "s", JSONNull{}, JSONValue::Array{2.5}, JSONObject{{"k", false}}}));
  EXPECT_EQ(attribute(R"({"o":{"n":1}})"), JSONValue(JSONObject{{"o", JSONObject{{"n", 1}}}}));

  // Encoding writes the elements back in order, each of its own kind.
  EXPECT_EQ(toJson(PrivateProperties(JSONObject{{"v", arr}}, std::nullopt)),
            R"({"attributes":{"v":[1,"s",null,[2.5E0],{"k":false}]}})");
}

TEST(JSONValue, JsonFormRoundTripsAndRejectsNonObjects) {
  const std::string text = R"({"attributes":{"a":[1,"s",null,{"deep":[true,2.5]}],"n":null,"o":{"x":{}},"s":"3"}})";
  const auto props = decodeOk<PrivateProperties>(text);
  ASSERT_TRUE(props.attributes.has_value());
  EXPECT_EQ(props.attributes->size(), 4u);
  EXPECT_TRUE(props.attributes->at("n").isNull());
  const auto again = decodeOk<PrivateProperties>(toJson(props));
  EXPECT_EQ(again, props);
  EXPECT_EQ(toJson(PrivateProperties(JSONObject{{"n", JSONNull{}}, {"a", JSONValue::Array{}}}, std::nullopt)),
            R"({"attributes":{"a":[],"n":null}})");

  // The field itself must be an object; inside it anything goes.
  EXPECT_EQ(decodeFails<PrivateProperties>(R"({"attributes":[1]})").path, "attributes");
  EXPECT_EQ(decodeFails<Attachment>(R"({"attributes":"x"})").path, "attributes");
  EXPECT_EQ(decodeFails<Attachment>(R"({"asset":{"attributes":5}})").path, "asset.attributes");
  EXPECT_FALSE(decodeOk<Attachment>(R"({"attributes":null})").attributes.has_value());
}

TEST(JSONValue, ScalarFormKeepsScalarsAndNeverFails) {
  const auto slice =
      decodeOk<SliceObject>(R"({"id":"o","attributes":{"s":"x","i":1,"d":2.5,"b":true,"a":[1],"o":{},"n":null}})");
  EXPECT_EQ(slice.attributes, (JSONObject{{"s", "x"}, {"i", 1}, {"d", 2.5}, {"b", true}}));
  EXPECT_EQ(slice.id, "o");
  for (const char* notObject : {R"("text")", "[1,2]", "3", "true"}) {
    const auto s = decodeOk<SliceObject>(std::string(R"({"id":"o","attributes":)") + notObject + "}");
    EXPECT_FALSE(s.attributes.has_value()) << notObject;
    EXPECT_EQ(s.id, "o") << notObject;  // the rest of the record still decodes
  }
  EXPECT_EQ(decodeOk<SliceObject>(R"({"attributes":{"a":[]}})").attributes, JSONObject{});
  EXPECT_EQ(decodeOk<UncompressedFileInfo>(R"({"reservationInfo":{"k":"v","x":{"y":1}}})").reservationInfo,
            (JSONObject{{"k", "v"}}));
  EXPECT_FALSE(decodeOk<UncompressedFileInfo>(R"({"reservationInfo":"v"})").reservationInfo.has_value());

  SliceObject out;
  out.attributes = JSONObject{{"keep", 1}, {"d", 0.5}, {"s", "t"}, {"b", false},   {"arr", JSONValue::Array{1}},
                              {"obj", JSONObject{}}, {"nul", JSONNull{}}};
  EXPECT_EQ(toJson(out), R"({"attributes":{"b":false,"d":5E-1,"keep":1,"s":"t"}})");
  out.attributes = JSONObject{};
  EXPECT_EQ(toJson(out), R"({"attributes":{}})");
}

TEST(JSONValue, BlobFormCarriesBase64OfJsonText) {
  const JSONObject attrs{{"k", JSONValue::Array{true, JSONNull{}}}, {"n", 1}};
  Resource r;
  r.attributes = attrs;
  const std::string encoded = toJson(r);
  EXPECT_EQ(encoded, R"({"attributes":")" + blob(R"({"k":[true,null],"n":1})") + "\"}");
  EXPECT_EQ(decodeOk<Resource>(encoded).attributes, attrs);

  // Only an object is kept; other JSON leaves the field absent without error.
  EXPECT_FALSE(decodeOk<Resource>(R"({"attributes":")" + blob("[1,2]") + "\"}").attributes.has_value());
  EXPECT_FALSE(decodeOk<AssetMetadata>(R"({"attributes":")" + blob("\"s\"") + "\"}").attributes.has_value());
  EXPECT_EQ(decodeOk<Resource>(R"({"attributes":")" + blob("{}") + "\"}").attributes, JSONObject{});

  // Not Base64, not JSON inside, or not a string: the whole document fails.
  EXPECT_EQ(decodeFails<Resource>(R"({"attributes":"not base64!"})").path, "attributes");
  EXPECT_EQ(decodeFails<Resource>(R"({"attributes":"abc"})").path, "attributes");
  EXPECT_EQ(decodeFails<Resource>(R"({"attributes":")" + blob(R"({"a":)") + "\"}").path, "attributes");
  EXPECT_EQ(decodeFails<AssetMetadata>(R"({"attributes":{"a":1}})").path, "attributes");
  EXPECT_EQ(decodeFails<StarFileInfo>(R"({"attachments":[{"asset":{"resource":{"attributes":"%%%%"}}}]})").path,
            "attachments[0].asset.resource.attributes");

  // "taskValue" keeps any kind, and a non-object round trips.
  const auto archive = decodeOk<ArchiveData>(R"({"progress":1,"taskValue":")" + blob(R"([1,"a"])") + "\"}");
  EXPECT_EQ(archive.taskValue, JSONValue(JSONValue::Array{1, "a"}));
  EXPECT_EQ(decodeOk<ArchiveData>(toJson(archive)), archive);
  EXPECT_EQ(decodeOk<ArchiveData>(R"({"progress":1,"taskValue":")" + blob("null") + "\"}").taskValue,
            JSONValue(JSONNull{}));
}

TEST(JSONValue, UnrepresentableNumbersFailTheEncoding) {
  const double bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity()};
  for (double d : bad) {
    // JSON form, at any depth.
    PrivateProperties p(JSONObject{{"x", JSONValue::Array{1, JSONObject{{"y", d}}}}}, std::nullopt);
    try {
      (void)toJson(p);
      ADD_FAILURE() << "encoded " << d;
    } catch (const JsonEncodeError& e) {
      EXPECT_NE(std::string(e.what()).find("Unsupported type"), std::string::npos) << e.what();
    }
    // Inside a nested record, in the blob form and in the scalar form.
    StarFileInfo star;
    star.attachments = std::vector<Attachment>{Attachment()};
    star.attachments->front().attributes = JSONObject{{"x", d}};
    EXPECT_THROW((void)toJson(star), JsonEncodeError);
    Resource r;
    r.attributes = JSONObject{{"x", d}};
    EXPECT_THROW((void)toJson(r), JsonEncodeError);
    SliceObject s;
    s.attributes = JSONObject{{"x", d}};
    EXPECT_THROW((void)toJson(s), JsonEncodeError);
  }
  EXPECT_EQ(toJson(PrivateProperties(JSONObject{{"x", 1.5}}, std::nullopt)), R"({"attributes":{"x":1.5E0}})");
}

}  // namespace
}  // namespace quillbox
