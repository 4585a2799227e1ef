#include <gtest/gtest.h>

#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/request/Json.hpp"

namespace quillbox {
namespace {

TEST(BaseResponseCodec, DecodesEnvelopeAndRejectsWrongKinds) {
  auto ok = fromJson<BaseResponse>(R"({"code":7,"msg":"m","httpCode":null,"extra":[1]})");
  ASSERT_TRUE(ok.ok()) << ok.error().description();
  EXPECT_EQ(ok.value().code, 7);
  EXPECT_EQ(ok.value().msg, "m");
  EXPECT_FALSE(ok.value().httpCode.has_value());

  auto bad = fromJson<BaseResponse>(R"({"code":7.5})");
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.error().path, "code");

  EXPECT_EQ(toJson(BaseResponse{1, std::nullopt, 200}), R"({"code":1,"httpCode":200})");
}

}  // namespace
}  // namespace quillbox
