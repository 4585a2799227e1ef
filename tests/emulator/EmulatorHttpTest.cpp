// The emulator at the HTTP level: what a client outside the SDK sees.

#include <sys/socket.h>
#include <sys/time.h>

#include <gmock/gmock.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <filesystem>
#include <fstream>
#include <set>

#include "emulator/Crypto.hpp"
#include "emulator/Storage.hpp"
#include "EmulatorFixture.hpp"
#include "upload/ProofCodeCalculator.hpp"

namespace quillbox::test {
namespace {

namespace bj = boost::json;
namespace fs = std::filesystem;

using EmulatorHttpTest = EmulatorTest;

std::string str(const bj::object& o, const char* key) {
  auto it = o.find(key);
  return it != o.end() && it->value().is_string() ? std::string(it->value().as_string()) : std::string();
}
std::int64_t num(const bj::object& o, const char* key) {
  auto it = o.find(key);
  return it != o.end() && it->value().is_int64() ? it->value().as_int64() : -999;
}

/// A connection to the emulator whose reads give up after 20 s.
boost::asio::ip::tcp::socket& connectTo(std::vector<boost::asio::ip::tcp::socket>& sockets, boost::asio::io_context& io,
                                        std::uint16_t port) {
  auto& s = sockets.emplace_back(io);
  s.connect({boost::asio::ip::make_address("127.0.0.1"), port});
  timeval limit{20, 0};
  setsockopt(s.native_handle(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  return s;
}

/// Sends `request` as it is on a new connection and reads one answer.
HttpAnswer exchange(std::uint16_t port, const std::string& request) {
  namespace bhttp = boost::beast::http;
  boost::asio::io_context io;
  std::vector<boost::asio::ip::tcp::socket> sockets;
  auto& s = connectTo(sockets, io, port);
  boost::asio::write(s, boost::asio::buffer(request));
  boost::beast::flat_buffer buffer;
  bhttp::response<bhttp::string_body> res;
  boost::system::error_code ec;
  bhttp::read(s, buffer, res, ec);
  HttpAnswer answer;
  answer.status = ec ? 0 : res.result_int();
  answer.body = res.body();
  return answer;
}

/// A non-2xx answer that carries the envelope with the status as code and a message.
void expectEnvelope(const HttpAnswer& a, long status, const std::string& context) {
  EXPECT_EQ(a.status, status) << context << ": " << a.body;
  auto o = a.json();
  EXPECT_EQ(num(o, "code"), status) << context << ": " << a.body;
  EXPECT_FALSE(str(o, "msg").empty()) << context << ": " << a.body;
}

// Creates an upload of `content` in two parts; returns the create answer.
bj::object createUpload(EmulatorTest& t, const std::string& token, const std::string& name, const std::string& content,
                        std::int64_t firstPart, const std::string& proof = {}) {
  const std::string sha = emulator::sha256Hex(content);
  std::string body = R"({"fileName":")" + name + R"(","sha256":")" + sha + R"(","length":)" +
                     std::to_string(content.size()) + R"(,"uploadType":1,"autoRename":2,"hidden":false)";
  if (!proof.empty()) body += R"(,"proofCode":")" + proof + "\"";
  body += R"(,"multiParts":[{"partNumber":1,"partSize":)" + std::to_string(firstPart) +
          R"(,"partOffset":0},{"partNumber":2,"partSize":)" + std::to_string(content.size() - firstPart) +
          R"(,"partOffset":)" + std::to_string(firstPart) + "}]}";
  auto a = t.call("POST", "files/create", token, body);
  EXPECT_EQ(a.status, 200) << a.body;
  return a.json();
}

std::string partUrl(const bj::object& created, std::size_t index) {
  return std::string(created.at("multiParts").as_array().at(index).as_object().at("uploadUrl").as_string());
}

/// Uploads `content` in two parts, the first of `firstPart` bytes; the file id.
std::string storeFile(EmulatorTest& t, const std::string& token, const std::string& name, const std::string& content,
                      std::size_t firstPart) {
  const auto created = createUpload(t, token, name, content, static_cast<std::int64_t>(firstPart));
  EXPECT_EQ(http("PUT", partUrl(created, 0), content.substr(0, firstPart)).status, 200);
  EXPECT_EQ(http("PUT", partUrl(created, 1), content.substr(firstPart)).status, 200);
  EXPECT_EQ(t.call("POST", "files/complete", token, R"({"fileId":")" + str(created, "fileId") + "\"}").status, 200);
  return str(created, "fileId");
}

/// The download address of a file.
std::string downloadLink(EmulatorTest& t, const std::string& token, const std::string& fileId) {
  const auto links = t.call("POST", "files/download", token, R"({"fileIds":[")" + fileId + "\"]}").json();
  return std::string(links.at("downloads").as_array().at(0).as_object().at("url").as_string());
}

TEST_F(EmulatorHttpTest, SignInGivesTokensAndEveryOtherCallNeedsOne) {
  auto first = http("POST", api("carrier/standard/user/auth"), R"({"authCode":"code-A"})").json();
  auto again = http("POST", api("carrier/standard/user/auth"), R"({"authCode":"code-A"})").json();
  auto other = http("POST", api("carrier/standard/user/auth"), R"({"authCode":"code-B"})").json();
  EXPECT_EQ(num(first, "code"), 0);
  // The same code is the same user, with a token of its own each time; another code is another user.
  EXPECT_EQ(num(first, "innerUserId"), num(again, "innerUserId"));
  EXPECT_NE(str(first, "accessToken"), str(again, "accessToken"));
  EXPECT_NE(num(first, "innerUserId"), num(other, "innerUserId"));
  for (const auto& token : {str(first, "accessToken"), str(again, "accessToken")}) {
    auto space = call("GET", "space/", token);
    EXPECT_EQ(space.status, 200) << space.body;
  }

  expectEnvelope(http("GET", api("space/")), 401, "no Authorization");
  expectEnvelope(call("GET", "space/", "not-a-token"), 401, "unknown token");
  expectEnvelope(http("POST", api("carrier/standard/user/auth"), R"({"authCode":""})"), 400, "empty code");
  auto wrongType = http("POST", api("carrier/standard/user/auth"), R"({"authCode":5})");
  expectEnvelope(wrongType, 400, "numeric code");
  EXPECT_NE(wrongType.body.find("authCode"), std::string::npos) << "the message names the key";
}

TEST_F(EmulatorHttpTest, BadInputGetsAClearEnvelopeAndNeverStopsTheServer) {
  const std::string token = signIn("bad-input");
  const std::string otherToken = signIn("someone-else");
  auto folder = call("POST", "directory", otherToken, R"({"fileName":"private","renameMode":2,"hidden":false})").json();
  const std::string foreignFolder = str(folder, "id");

  struct Case {
    std::string method, path, body;
    long status;
  };
  const std::vector<Case> cases = {
      {"POST", "files/list", R"({"hidden":)", 400},                               // malformed JSON
      {"POST", "files/list", R"([1,2,3])", 400},                                  // not an object
      {"POST", "files/list", R"({"hidden":"yes"})", 400},                         // wrong type
      {"POST", "files/list", "", 400},                                            // no body
      {"POST", "files/list", R"({"hidden":false,"pageInfo":{"pageSize":1.5}})", 400},  // fraction for an integer
      {"POST", "files/list", R"({"hidden":false,"parentFileId":"nope"})", 404},    // unknown id
      {"POST", "files/list", R"({"hidden":false,"pageInfo":{"pageSize":10,"pageCursor":"zz"}})", 400},
      {"POST", "files/unknownType", R"({"hidden":false})", 400},
      {"POST", "files/list", R"({"hidden":false,"parentFileId":")" + foreignFolder + "\"}", 404},  // outside the tree
      {"POST", "directory", R"({"fileName":"..","renameMode":2,"hidden":false})", 400},
      {"POST", "directory", R"({"fileName":"a/b","renameMode":2,"hidden":false})", 400},
      {"POST", "directory", R"({"fileName":"x","renameMode":2,"hidden":false,"parentFolder":[")" + foreignFolder + "\"]}",
       404},
      {"POST", "files/rename/nope", R"({"name":"x","renameMode":2})", 404},
      {"POST", "files/create", R"({"fileName":"a","sha256":"zz","length":1,"uploadType":1,"autoRename":2,"hidden":false})",
       400},
      {"POST", "files/create",
       R"({"fileName":"a","sha256":")" + std::string(64, 'a') +
           R"(","length":10,"uploadType":1,"autoRename":2,"hidden":false,"multiParts":[{"partNumber":1,"partSize":4,"partOffset":0},{"partNumber":2,"partSize":4,"partOffset":5}]})",
       400},  // a gap between parts
      {"GET", "files/statsDir?fileId=nope&recursive=true", "", 404},
      {"GET", "files/statsDir?recursive=maybe", "", 400},
      {"GET", "userList?isDirect=true&offset=ten", "", 400},
      {"GET", "users/nobody", "", 404},
      {"GET", "no/such/endpoint", "", 404},
      {"GET", "files/create", "", 405},
      {"GET", "files/../files/path", "", 400},  // a dot segment
      {"GET", "files/path?fileId=%zz", "", 400},
      {"GET", "job-does-not-exist", "", 404},
      {"GET", "jobs?offset=-5", "", 400},
      {"GET", "share?pageSize=-1", "", 400},
      {"GET", "star/files?pageCursor=abc", "", 400},
      {"GET", "userList?isDirect=true&limit=99999999999999999999", "", 400},
      {"GET", "space/..%2F..", "", 404},
      {"POST", "share/files", R"({"pageSize":10,"shortUrl":"nope"})", 404},
      {"POST", "cancel", R"({"jobId":"nope"})", 404},
      {"POST", "star/batch", R"({"starred":true})", 400},  // a required key missing
      // Request bytes quoted in the message are not always UTF-8: the answer still is.
      {"GET", "users/%FF%FE", "", 404},
      {"GET", "files/path?fileId=%1B%5B31m%C3", "", 404},
      {"GET", "userList?isDirect=true&offset=%C0%AF", "", 400},  // overlong
      {"GET", "star/files?pageCursor=%ED%A0%80", "", 400},       // a surrogate
      {"POST", "files/rename/%F4%90%80%80", R"({"name":"x","renameMode":2})", 404},  // above U+10FFFF
  };
  for (const auto& c : cases) {
    expectEnvelope(call(c.method, c.path, token, c.body), c.status, c.method + " " + c.path + " " + c.body);
  }

  // Bytes no client library would send, each answered with a valid envelope.
  const std::pair<std::string, long> raw[] = {
      {"GET /\xFF\xFE/x HTTP/1.1\r\nHost: e\r\n\r\n", 404},
      {"GET /quillbox/ose/v1/users/%FF HTTP/1.1\r\nHost: e\r\nAuthorization: \xFF\xFE\r\n\r\n", 401},
      {"GET /_emulator/faults/\xC3 HTTP/1.1\r\nHost: e\r\n\r\n", 405},
      {"DELETE /_emulator/faults/%E9 HTTP/1.1\r\nHost: e\r\n\r\n", 400},
      {"POST /_emulator/faults HTTP/1.1\r\nHost: e\r\nContent-Length: 24\r\n\r\n"
       "{\"path\":\"*\",\"kind\":\"\xFF\x80\"}",
       400},
      {"GET /_download/\xFF?expires=\xFE HTTP/1.1\r\nHost: e\r\nRange: bytes=\xFF-\r\n\r\n", 403},
  };
  for (const auto& [request, status] : raw) expectEnvelope(exchange(emu_->port(), request), status, request);
  auto log = http("GET", url("/_emulator/requests"));
  EXPECT_EQ(log.status, 200);
  EXPECT_TRUE(log.json().contains("requests")) << "the request log quotes those paths: " << log.body;

  // Raw garbage (an answer or a close, never a hang of the server) and an oversized head.
  exchange(emu_->port(), "\x01\x02 garbage\r\n\r\n");
  expectEnvelope(http("GET", api("space/"), {}, {"Authorization: " + token, "X-Big: " + std::string(100000, 'x')}),
                 431, "huge head");

  // Still serving.
  EXPECT_EQ(call("GET", "space/", token).status, 200);
}

TEST_F(EmulatorHttpTest, FreeNamesStayWithinTheLimitOnCharacterBoundaries) {
  const std::string token = signIn("long-names");
  auto repeat = [](const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
  };
  const std::string longNames[] = {
      "a" + repeat("\u00e9", 127),            // 255 bytes, no extension
      "b" + repeat("\u20ac", 83) + ".txt",    // the stem gives way
      "c." + repeat("\U0001F600", 63),       // the extension gives way
  };
  std::set<std::string> expected;
  for (const auto& name : longNames) {
    // Three folders of that name, then a fourth renamed to it: each clash takes a free name.
    for (int i = 0; i < 3; ++i) {
      const bj::object body{{"fileName", name}, {"renameMode", 2}, {"hidden", false}};
      auto made = call("POST", "directory", token, bj::serialize(body));
      ASSERT_EQ(made.status, 200) << made.body;
      expected.insert(str(made.json(), "fileName"));
    }
    auto made = call("POST", "directory", token, R"({"fileName":"tmp","renameMode":2,"hidden":false})");
    const bj::object body{{"name", name}, {"renameMode", 2}};
    auto renamed = call("POST", "files/rename/" + str(made.json(), "id"), token, bj::serialize(body));
    ASSERT_EQ(renamed.status, 200) << renamed.body;
  }
  auto list = call("POST", "files/list", token, R"({"hidden":false,"pageInfo":{"pageSize":100}})");
  ASSERT_EQ(list.status, 200);
  const auto listed = list.json();
  ASSERT_TRUE(listed.contains("files")) << "the listing is valid JSON";
  std::set<std::string> names;
  for (const auto& f : listed.at("files").as_array()) names.insert(str(f.as_object(), "fileName"));
  EXPECT_EQ(names.size(), 12u) << "every name distinct";
  for (const auto& name : expected) EXPECT_EQ(names.count(name), 1u) << name;
  for (const auto& name : names) EXPECT_LE(name.size(), 255u) << name;
}

TEST_F(EmulatorHttpTest, ProofCodeMatchesKnownValues) {
  // Values computed by an independent implementation of the same steps.
  EXPECT_EQ(emulator::proofCode("token-1", *emulator::memoryBlob("hello world, this is quillbox")),
            "1dd14ffc3c3045741a5e1821fcaefe7bc9833e0242051ff67053638040cb9b02");
  EXPECT_EQ(emulator::proofOffset("token-1", 29), 27u) << "the stretch runs short at the end of the content";
  EXPECT_EQ(emulator::proofCode("", *emulator::memoryBlob("abc")),
            "1e0bbd6c686ba050b8eb03ffeedc64fdc9d80947fce821abbe5d6dc8d252c5ac");
  std::string bytes;
  for (int i = 0; i < 2560; ++i) bytes += static_cast<char>(i % 256);
  EXPECT_EQ(emulator::proofCode("another token", *emulator::memoryBlob(bytes)),
            "fae18a9cab38fa919ad569b3ed0f5ba8d2aa35f37922cd05a797dba66019fac7");
  EXPECT_EQ(emulator::proofCode("t", *emulator::memoryBlob("")),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST_F(EmulatorHttpTest, MultipartUploadChecksAddressesPartsAndHash) {
  const std::string token = signIn("uploader");
  const std::string content = randomBytes(300000, 1);
  auto created = createUpload(*this, token, "data.bin", content, 200000);
  ASSERT_FALSE(created.empty());
  EXPECT_FALSE(created.at("rapidUpload").as_bool());
  const std::string fileId = str(created, "fileId");
  const std::string url1 = partUrl(created, 0), url2 = partUrl(created, 1);
  EXPECT_EQ(url1.rfind(emu_->baseUrl(), 0), 0u) << "part addresses point back at the emulator: " << url1;

  // The address is checked: a changed signature, another part's number, a wrong size.
  std::string tampered = url1;
  tampered.back() = tampered.back() == '0' ? '1' : '0';
  expectEnvelope(http("PUT", tampered, content.substr(0, 200000)), 403, "tampered signature");
  std::string swapped = url1;
  swapped.replace(swapped.find("/1?"), 3, "/2?");
  expectEnvelope(http("PUT", swapped, content.substr(200000)), 403, "signature of another part");
  expectEnvelope(http("PUT", url1, content.substr(0, 1000)), 400, "short part");

  auto early = call("POST", "files/complete", token, R"({"fileId":")" + fileId + "\"}");
  expectEnvelope(early, 400, "complete before the parts");
  EXPECT_NE(early.body.find("part 1"), std::string::npos) << early.body;

  // A part with a flipped byte: complete recomputes the SHA-256 and refuses.
  std::string bad = content.substr(0, 200000);
  bad[12345] = static_cast<char>(bad[12345] ^ 0x40);

  // A client that asks before sending the body gets "100 Continue" for a
  // good address and the final answer at once for a bad one.
  {
    namespace net = boost::asio;
    auto putHead = [&](const std::string& target, std::size_t length) {
      return "PUT " + target + " HTTP/1.1\r\nHost: emulator\r\nContent-Length: " + std::to_string(length) +
             "\r\nExpect: 100-continue\r\n\r\n";
    };
    const std::string base = emu_->url();
    net::io_context io;
    std::vector<net::ip::tcp::socket> sockets;
    auto& s = connectTo(sockets, io, emu_->port());
    net::write(s, net::buffer(putHead(url2.substr(base.size()), 100000)));
    std::string interim(25, '\0');
    net::read(s, net::buffer(interim));
    EXPECT_EQ(interim, "HTTP/1.1 100 Continue\r\n\r\n");
    net::write(s, net::buffer(content.substr(200000)));
    boost::beast::flat_buffer buffer;
    boost::beast::http::response<boost::beast::http::string_body> res;
    boost::beast::http::read(s, buffer, res);
    EXPECT_EQ(res.result_int(), 200u) << res.body();
    EXPECT_EQ(http("PUT", url1, bad).status, 200);

    EXPECT_EQ(exchange(emu_->port(), putHead(tampered.substr(base.size()), 200000)).status, 403)
        << "answered without waiting for the body";
  }

  auto mismatch = call("POST", "files/complete", token, R"({"fileId":")" + fileId + "\"}");
  expectEnvelope(mismatch, 400, "hash mismatch");
  EXPECT_NE(mismatch.body.find("SHA-256"), std::string::npos) << mismatch.body;

  // Uploading the part again replaces it; now the upload completes.
  EXPECT_EQ(http("PUT", url1, content.substr(0, 200000)).status, 200);
  auto done = call("POST", "files/complete", token, R"({"fileId":")" + fileId + "\"}");
  EXPECT_EQ(done.status, 200) << done.body;

  auto space = call("GET", "space/", token).json();
  EXPECT_EQ(space.at("data").as_object().at("spaceUsed").as_int64(), 300000);
  auto got = http("GET", downloadLink(*this, token, fileId));
  EXPECT_EQ(got.status, 200);
  EXPECT_TRUE(got.body == content) << "downloaded content differs";

  // Part addresses expire.
  auto second = createUpload(*this, token, "later.bin", content, 100000);
  clock_.advance(std::chrono::hours(2));
  expectEnvelope(http("PUT", partUrl(second, 0), content.substr(0, 100000)), 403, "expired address");
}

TEST_F(EmulatorHttpTest, RapidUploadNeedsTheProofOfTheUserWhoAsks) {
  const std::string owner = signIn("first-owner");
  const std::string content = randomBytes(50000, 7);
  ASSERT_FALSE(storeFile(*this, owner, "shared.bin", content, 30000).empty());

  // Another user who holds the same content proves it with the SDK's own proof code.
  const std::string other = signIn("second-owner");
  TempDir dir("qbemu-proof");
  const fs::path local = dir.path() / "local.bin";
  {
    std::ofstream out(local, std::ios::binary);
    out << content;
  }
  const std::string proof = upload::ProofCodeCalculator::calcProofCode(other, local);
  ASSERT_EQ(proof.size(), 64u);

  auto wrong = createUpload(*this, other, "copy.bin", content, 30000, std::string(64, '0'));
  EXPECT_FALSE(wrong.at("rapidUpload").as_bool()) << "a wrong proof gets a normal multipart answer";
  EXPECT_EQ(wrong.at("multiParts").as_array().size(), 2u);

  auto rapid = createUpload(*this, other, "copy.bin", content, 30000, proof);
  EXPECT_TRUE(rapid.at("rapidUpload").as_bool()) << bj::serialize(rapid);
  EXPECT_FALSE(rapid.contains("multiParts") && !rapid.at("multiParts").as_array().empty());
  // That the file is then listed, and "exist" for the same name and content in
  // the same folder, is checked through the SDK in EmulatorTransferTest.
  // The owner's proof is tied to the owner's token: it does not work for the other user.
  const std::string ownersProof = upload::ProofCodeCalculator::calcProofCode(owner, local);
  if (ownersProof != proof) {  // the two tokens pick different stretches (almost always)
    auto borrowed = createUpload(*this, other, "borrowed.bin", content, 30000, ownersProof);
    EXPECT_FALSE(borrowed.at("rapidUpload").as_bool());
  }
}

TEST_F(EmulatorHttpTest, DownloadsHonourRangeIfRangeAndValidators) {
  const std::string token = signIn("downloader");
  const std::string content = randomBytes(100000, 3);
  const std::string link = downloadLink(*this, token, storeFile(*this, token, "movie.mp4", content, 60000));

  auto whole = http("GET", link);
  ASSERT_EQ(whole.status, 200);
  EXPECT_TRUE(whole.body == content);
  const std::string etag = whole.header("etag");
  EXPECT_EQ(etag, "\"" + emulator::sha256Hex(content) + "\"");
  EXPECT_EQ(whole.header("accept-ranges"), "bytes");
  EXPECT_EQ(whole.header("content-type"), "video/mp4");

  auto middle = http("GET", link, {}, {"Range: bytes=1000-1999"});
  EXPECT_EQ(middle.status, 206);
  EXPECT_EQ(middle.header("content-range"), "bytes 1000-1999/100000");
  EXPECT_TRUE(middle.body == content.substr(1000, 1000));
  auto tail = http("GET", link, {}, {"Range: bytes=-10"});
  EXPECT_EQ(tail.status, 206);
  EXPECT_TRUE(tail.body == content.substr(99990));
  auto open = http("GET", link, {}, {"Range: bytes=99000-", "If-Range: " + etag});
  EXPECT_EQ(open.status, 206) << "If-Range with the current ETag keeps the range";
  EXPECT_TRUE(open.body == content.substr(99000));
  auto changed = http("GET", link, {}, {"Range: bytes=99000-", "If-Range: \"something-else\""});
  EXPECT_EQ(changed.status, 200) << "If-Range with another validator sends the whole file";
  EXPECT_EQ(changed.body.size(), content.size());
  auto beyond = http("GET", link, {}, {"Range: bytes=100000-"});
  expectEnvelope(beyond, 416, "beyond the end");
  EXPECT_EQ(beyond.header("content-range"), "bytes */100000");
  EXPECT_EQ(http("GET", link, {}, {"If-None-Match: " + etag}).status, 304);
  auto head = http("HEAD", link);
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.header("content-length"), "100000");
  EXPECT_TRUE(head.body.empty());

  std::string tampered = link;
  tampered.back() = tampered.back() == 'a' ? 'b' : 'a';
  expectEnvelope(http("GET", tampered), 403, "tampered download address");
  clock_.advance(std::chrono::hours(2));
  expectEnvelope(http("GET", link), 403, "expired download address");
}

TEST_F(EmulatorHttpTest, FaultsStrikeTheMatchingRequestsTheirCountCarryRetryAfterAndCanBeCleared) {
  const std::string token = signIn("faulty");
  arm(R"({"path":"/quillbox/ose/v1/space/*","method":"GET","kind":"status","status":503,"code":7,"msg":"busy","count":2})");
  arm(R"({"path":"*","kind":"status","status":500})");  // control paths are exempt
  auto listed = controlJson("/_emulator/faults");
  ASSERT_EQ(listed.at("faults").as_array().size(), 2u);
  EXPECT_EQ(listed.at("faults").as_array().at(0).as_object().at("remaining").as_int64(), 2);
  http("DELETE", url("/_emulator/faults/2"));

  for (int i = 0; i < 2; ++i) {
    auto a = call("GET", "space/", token);
    EXPECT_EQ(a.status, 503);
    EXPECT_EQ(num(a.json(), "code"), 7);
    EXPECT_EQ(str(a.json(), "msg"), "busy");
  }
  EXPECT_EQ(call("GET", "space/", token).status, 200) << "the fault is spent after its count";
  EXPECT_TRUE(controlJson("/_emulator/faults").at("faults").as_array().empty());

  arm(R"({"path":"/quillbox/ose/v1/userList","kind":"status","status":502,"count":5})");
  EXPECT_EQ(call("GET", "userList?isDirect=true", token).status, 502);
  auto cleared = http("DELETE", url("/_emulator/faults")).json();
  EXPECT_EQ(cleared.at("cleared").as_int64(), 1);
  EXPECT_EQ(call("GET", "userList?isDirect=true", token).status, 200);

  // A reset before the answer: the client sees the connection die.
  arm(R"({"path":"/quillbox/ose/v1/space/*","kind":"reset"})");
  auto cut = call("GET", "space/", token);
  EXPECT_NE(cut.rc, CURLE_OK);
  EXPECT_EQ(cut.status, 0);

  // The request log shows what was struck, a request reset before its answer too (status 0).
  auto log = controlJson("/_emulator/requests").at("requests").as_array();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(str(log.at(log.size() - 3).as_object(), "fault"), "status");
  EXPECT_EQ(str(log.back().as_object(), "fault"), "reset");
  EXPECT_EQ(num(log.back().as_object(), "status"), 0);

  for (const char* bad : {R"({"kind":"status"})", R"({"path":"*","kind":"explode"})",
                          R"({"path":"*","kind":"delay","ms":"long"})", R"({"path":"*","kind":"status","count":0})",
                          R"({"path":"*","kind":"status","every":0})", R"({"path":"*","kind":"status","probability":1.5})",
                          R"({"path":"*","kind":"status","every":2,"probability":0.5})",
                          R"({"path":"*","kind":"status","seed":-1,"probability":0.5})",
                          R"({"path":"*","kind":"status","retryAfter":-1})",
                          R"({"path":"*","kind":"status","retryAfter":"a\r\nX-Injected: 1"})",
                          R"({"path":"*","kind":"reset","retryAfter":5})", R"({"path":"*","kind":"status","handled":true})",
                          R"({"path":"*","kind":"reset","handled":true,"afterBytes":3})", "not json"}) {
    expectEnvelope(http("POST", url("/_emulator/faults"), bad), 400, bad);
  }

  // A status fault carries the Retry-After it was given, in either form.
  for (const auto& [value, header] : std::vector<std::pair<std::string, std::string>>{
           {"7", "7"}, {R"("Wed, 21 Oct 2015 07:28:00 GMT")", "Wed, 21 Oct 2015 07:28:00 GMT"}, {"", ""}}) {
    std::string fault = R"({"path":"/quillbox/ose/v1/space/*","kind":"status","status":429)";
    if (!value.empty()) fault += R"(,"retryAfter":)" + value;
    arm(fault + "}");
    auto a = call("GET", "space/", token);
    EXPECT_EQ(a.status, 429);
    EXPECT_EQ(a.header("retry-after"), header) << value;
  }
  // A reset after the server handled the request keeps its effect: checked
  // through the SDK in EmulatorRetryTest (a folder create and a complete).
}

// Which of `n` GETs of the space a status fault struck (1-based), as the
// answers and the request log both tell.
std::vector<int> struckRequests(EmulatorTest& t, const std::string& token, int n) {
  http("DELETE", t.url("/_emulator/requests"));
  std::vector<int> struck;
  for (int i = 1; i <= n; ++i) {
    const long status = t.call("GET", "space/", token).status;
    EXPECT_TRUE(status == 200 || status == 503) << status;
    if (status == 503) struck.push_back(i);
  }
  auto log = t.controlJson("/_emulator/requests").at("requests").as_array();
  EXPECT_EQ(log.size(), static_cast<std::size_t>(n)) << "one entry per request";
  std::vector<int> logged;
  std::int64_t previous = 0;
  for (std::size_t i = 0; i < log.size(); ++i) {
    const auto& e = log.at(i).as_object();
    EXPECT_GT(num(e, "seq"), previous) << "in the order they were answered";
    previous = num(e, "seq");
    if (str(e, "fault") == "status") {
      EXPECT_EQ(num(e, "status"), 503);
      EXPECT_GT(num(e, "faultId"), 0);
      logged.push_back(static_cast<int>(i) + 1);
    }
  }
  EXPECT_EQ(logged, struck);
  return struck;
}

TEST_F(EmulatorHttpTest, FaultsOnAShareOfRequestsStrikeExactlyTheirTurn) {
  const std::string token = signIn("share-of-requests");
  const std::string base = R"({"path":"/quillbox/ose/v1/space/*","kind":"status","status":503)";
  struct Case {
    std::string params;
    std::vector<int> struck;  // of 12 requests
  };
  const std::vector<Case> cases = {
      {R"(,"every":3})", {3, 6, 9, 12}},             // until removed
      {R"(,"every":2,"count":2})", {2, 4}},          // then spent
      {R"(,"every":1,"count":0})", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {R"(,"probability":0})", {}},
      {R"(,"probability":1,"count":3})", {1, 2, 3}},
  };
  for (const auto& c : cases) {
    arm(base + c.params);
    EXPECT_EQ(struckRequests(*this, token, 12), c.struck) << c.params;
    http("DELETE", url("/_emulator/faults"));
  }

  // A seeded share strikes the same requests in every run; another seed, others.
  auto run = [&](int seed) {
    arm(base + R"(,"probability":0.3,"seed":)" + std::to_string(seed) + "}");
    auto struck = struckRequests(*this, token, 40);
    http("DELETE", url("/_emulator/faults"));
    return struck;
  };
  const auto first = run(7);
  EXPECT_EQ(run(7), first);
  EXPECT_NE(run(8), first);
  EXPECT_GT(first.size(), 2u);
  EXPECT_LT(first.size(), 30u);
}

TEST_F(EmulatorHttpTest, TwoHundredKeepAliveConnectionsAreServedWithoutWaitingForEachOther) {
  namespace net = boost::asio;
  namespace bhttp = boost::beast::http;
  const std::string token = signIn("crowd");
  constexpr int kConnections = 200;
  // Every request is held inside the server until the faults are cleared: all
  // 200 can be held at once only if none waits for another to finish.
  arm(R"({"path":"/quillbox/ose/v1/space/*","kind":"delay","ms":60000,"count":200})");
  net::io_context io;
  const std::string request = "GET /quillbox/ose/v1/space/ HTTP/1.1\r\nHost: emulator\r\nAuthorization: " + token +
                              "\r\n\r\n";
  std::vector<net::ip::tcp::socket> sockets;
  for (int i = 0; i < kConnections; ++i) net::write(connectTo(sockets, io, emu_->port()), net::buffer(request));
  std::int64_t held = 0;
  for (int i = 0; i < 1000 && held < kConnections; ++i) {
    held = controlJson("/_emulator/faults").at("held").as_int64();
    if (held < kConnections) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(held, kConnections) << "every request is inside the server at the same time";

  http("DELETE", url("/_emulator/faults"));
  std::vector<boost::beast::flat_buffer> buffers(kConnections);
  for (int i = 0; i < kConnections; ++i) {
    bhttp::response<bhttp::string_body> res;
    boost::system::error_code ec;
    bhttp::read(sockets[i], buffers[i], res, ec);
    ASSERT_FALSE(ec) << "connection " << i << ": " << ec.message();
    EXPECT_EQ(res.result_int(), 200u);
    EXPECT_TRUE(res.keep_alive());
  }
  // The same connections carry a second request each; no new connection is opened.
  const auto accepted = emu_->connectionsAccepted();
  for (auto& s : sockets) net::write(s, net::buffer(request));
  for (int i = 0; i < kConnections; ++i) {
    bhttp::response<bhttp::string_body> res;
    boost::system::error_code ec;
    bhttp::read(sockets[i], buffers[i], res, ec);
    ASSERT_FALSE(ec) << "connection " << i << ": " << ec.message();
    EXPECT_EQ(res.result_int(), 200u);
  }
  EXPECT_EQ(emu_->connectionsAccepted(), accepted);
}

TEST_F(EmulatorHttpTest, HeadsThatNeverEndAndIdleConnectionsCannotCrowdOutTheHealthCheck) {
  namespace net = boost::asio;
  emulator::EmulatorOptions options = defaults(&clock_);
  options.maxConnections = 64;
  options.headTimeout = std::chrono::milliseconds(300);
  options.idleTimeout = std::chrono::milliseconds(300);
  emu_.reset();
  startEmulator(options);
  net::io_context io;
  const net::ip::tcp::endpoint endpoint(net::ip::make_address("127.0.0.1"), emu_->port());
  const std::string health = "GET /_emulator/health HTTP/1.1\r\nHost: e\r\n";
  std::vector<net::ip::tcp::socket> sockets;
  boost::system::error_code ec;
  // A kept-alive connection that goes quiet after one answer, then far more
  // heads that never end than the server takes connections.
  sockets.emplace_back(io).connect(endpoint);
  net::write(sockets.back(), net::buffer(health + "\r\n"));
  boost::beast::flat_buffer buffer;
  boost::beast::http::response<boost::beast::http::string_body> res;
  boost::beast::http::read(sockets.back(), buffer, res);
  ASSERT_EQ(res.result_int(), 200u);
  for (int i = 0; i < 150; ++i) {
    sockets.emplace_back(io).connect(endpoint, ec);
    net::write(sockets.back(), net::buffer(health), ec);
  }
  EXPECT_LE(emu_->connectionsOpen(), 64u);

  // The health check gets through; a connection closed at the cap is tried again.
  long status = 0;
  for (int attempt = 0; attempt < 200 && status != 200; ++attempt) {
    status = http("GET", url("/_emulator/health")).status;
    if (status != 200) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(status, 200);

  // The server closes every one of them in time (the bound is generous).
  std::size_t open = sockets.size();
  for (auto& s : sockets) s.non_blocking(true);
  std::vector<bool> closed(sockets.size(), false);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (open > 0 && std::chrono::steady_clock::now() < until) {
    for (std::size_t i = 0; i < sockets.size(); ++i) {
      char c = 0;
      if (closed[i]) continue;
      sockets[i].read_some(net::buffer(&c, 1), ec);
      if (ec != net::error::would_block) {
        closed[i] = true;
        --open;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(open, 0u) << "connections the server left open";
}

TEST_F(EmulatorHttpTest, StateAndContentSurviveARestartWithADataFolder) {
  TempDir data("qbemu-data");
  const fs::path& dir = data.path();
  emulator::EmulatorOptions options = defaults(&clock_);
  options.dataDir = dir;
  emu_.reset();
  startEmulator(options);

  const std::string token = signIn("keeper");
  auto folder = call("POST", "directory", token, R"({"fileName":"kept","renameMode":2,"hidden":false})").json();
  const std::string content = randomBytes(70000, 11);
  const std::string keptId = storeFile(*this, token, "kept.bin", content, 40000);
  auto pending = createUpload(*this, token, "pending.bin", content, 40000);
  ASSERT_EQ(http("PUT", partUrl(pending, 0), content.substr(0, 40000)).status, 200);  // one part of two

  emu_.reset();
  // Live tokens and the signing secret are the owner's alone, even where an
  // earlier run (or the user) left the folder or the state wider open.
  auto privateModes = [&] {
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      const auto mode = entry.status().permissions() & fs::perms::all;
      const auto wanted = entry.is_directory() ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write;
      EXPECT_EQ(mode, wanted) << entry.path();
    }
    EXPECT_EQ(fs::status(dir).permissions() & fs::perms::all, fs::perms::owner_all);
  };
  privateModes();
  const auto wide = fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read;
  for (const auto& path : {dir, dir / "blobs", dir / "uploads", dir / "state.json"}) fs::permissions(path, wide);
  std::ofstream(dir / "state.json.tmp") << "left by a crash";
  fs::permissions(dir / "state.json.tmp", wide);
  options.port = 0;
  startEmulator(options);  // a new process would do the same

  auto list = call("POST", "files/list", token, R"({"hidden":false})");
  ASSERT_EQ(list.status, 200) << "the token still works: " << list.body;
  std::set<std::string> names;
  const auto listed = list.json();
  for (const auto& f : listed.at("files").as_array()) names.insert(str(f.as_object(), "fileName"));
  EXPECT_EQ(names, (std::set<std::string>{"kept", "kept.bin"}));
  EXPECT_TRUE(http("GET", downloadLink(*this, token, keptId)).body == content);
  EXPECT_EQ(call("GET", "space/", token).json().at("data").as_object().at("spaceUsed").as_int64(), 70000);
  // The pending upload kept its first part: the second completes it.
  auto fresh = call("POST", "files/multipart/uploadUrl", token,
                    R"({"fileId":")" + str(pending, "fileId") + R"(","multiParts":[{"partNumber":2,"partSize":30000,"partOffset":40000}]})")
                   .json();
  ASSERT_TRUE(fresh.contains("multiParts")) << bj::serialize(fresh);
  ASSERT_EQ(http("PUT", partUrl(fresh, 0), content.substr(40000)).status, 200);
  EXPECT_EQ(call("POST", "files/complete", token, R"({"fileId":")" + str(pending, "fileId") + "\"}").status, 200);

  emu_.reset();
  privateModes();
}

TEST_F(EmulatorHttpTest, DeepTreesAreWalkedWithoutRecursionAndBrokenTreesAreRefused) {
  TempDir data("qbemu-deep");
  emulator::EmulatorOptions options = defaults(&clock_);
  options.dataDir = data.path();
  emu_.reset();
  startEmulator(options);
  const std::string token = signIn("deep");
  emu_.reset();

  // A chain of 100,000 folders with a file at the bottom, written straight into the saved state.
  const fs::path file = data.path() / "state.json";
  auto readState = [&] {
    std::ifstream in(file);
    return bj::parse(std::string(std::istreambuf_iterator<char>(in), {})).as_object();
  };
  auto writeState = [&](const bj::object& state) { std::ofstream(file, std::ios::trunc) << bj::serialize(state); };
  const bj::object small = readState();
  bj::object state = small;
  const std::string userId(state.at("tokens").at(token).as_string());
  const std::string rootId(state.at("users").at(userId).at("rootId").as_string());
  bj::object& nodes = state.at("nodes").as_object();
  const bj::object root = nodes.at(rootId).as_object();
  constexpr int kDepth = 100000;
  for (int i = 0; i <= kDepth; ++i) {
    bj::object n = root;
    const std::string id = i < kDepth ? "d" + std::to_string(i) : "leaf";
    n["id"] = id;
    n["name"] = id;
    n["parentId"] = i == 0 ? rootId : "d" + std::to_string(i - 1);
    if (i == kDepth) {
      n["folder"] = false;
      n["size"] = 5;
      n["sha256"] = std::string(64, 'a');
    }
    nodes[id] = std::move(n);
  }
  writeState(state);
  startEmulator(options);

  auto stats = [&] { return call("GET", "files/statsDir?recursive=true", token).json().at("data").as_object(); };
  auto everything = [&] {
    std::multiset<std::string> names;
    const auto listed = call("POST", "files/all", token, R"({"hidden":false,"parentFileId":"root"})").json();
    for (const auto& f : listed.at("files").as_array()) names.insert(str(f.as_object(), "fileName"));
    return names;
  };
  EXPECT_EQ(everything(), (std::multiset<std::string>{"leaf"}));
  EXPECT_EQ(str(stats(), "subDirCount"), "100000");
  // A copy of the lowest 20,000 folders, run as a job.
  auto job = call("POST", "jobs", token,
                  R"({"taskType":1,"actionType":2,)"
                  R"("taskInfo":{"fileInfo":[{"fileId":"d80000"}],"newFilePath":"root"}})");
  ASSERT_EQ(job.status, 200) << job.body;
  clock_.advance(std::chrono::seconds(10));
  EXPECT_EQ(str(stats(), "subDirCount"), "120000");
  EXPECT_EQ(everything(), (std::multiset<std::string>{"leaf", "leaf"}));
  auto found =
      call("POST", "files/search", token, R"({"recycled":false,"recursived":true,"filter":{"keyWord":"leaf"}})");
  EXPECT_EQ(num(found.json(), "total"), 2) << found.body.substr(0, 200);
  emu_.reset();

  // What does not read, or reads as a tree that does not hold together, is refused on loading.
  auto linked = [&](const std::vector<std::pair<std::string, std::string>>& links) {
    bj::object bad = small;
    for (const auto& id : {std::string("x"), std::string("y"), std::string("z"), std::string("leaf")}) {
      bj::object n = root;
      n["id"] = id;
      n["parentId"] = rootId;
      n["folder"] = id != "leaf";
      bad.at("nodes").as_object()[id] = std::move(n);
    }
    for (const auto& [child, parent] : links) bad.at("nodes").at(child).as_object()["parentId"] = parent;
    return bj::serialize(bad);
  };
  const std::pair<std::string, std::string> refusals[] = {
      {"{not json", "not a JSON object"},
      {R"({"version":2,"secret":7})", "\"secret\""},
      {R"({"version":1})", "unknown version"},
      {linked({{"x", "y"}, {"y", "z"}, {"z", "x"}}), "cycle"},
      {linked({{"x", "x"}}), "cycle"},
      {linked({{"x", "gone"}}), "does not exist"},
      {linked({{"x", "leaf"}}), "not a folder"},
  };
  for (const auto& [text, why] : refusals) {
    std::ofstream(file, std::ios::trunc) << text;
    try {
      emulator::Emulator refused{options};
      ADD_FAILURE() << "started from a state that should be refused: " << why;
    } catch (const std::runtime_error& e) {
      EXPECT_THAT(e.what(), ::testing::HasSubstr(why));
    }
  }
}

}  // namespace
}  // namespace quillbox::test
