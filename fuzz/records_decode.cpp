// Every answer record's decoder on arbitrary text, with the round trip: a
// record that decodes must encode, and decoding its encoding must give the
// same record. The first byte picks the record, the rest is the JSON text.

#include <algorithm>
#include <boost/json.hpp>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "quillbox/quillbox.hpp"

namespace {

using namespace quillbox;

// Boost.JSON 1.81 reads some 17-digit numbers one unit in the last place off
// the text its own writer produced, so a free-form double may move by that much
// in a round trip; anything else that changes is a fault.
bool sameUpToDoubleRounding(const boost::json::value& a, const boost::json::value& b) {
  if (a.is_double() && b.is_double()) {
    const double x = a.get_double(), y = b.get_double();
    return x == y || std::fabs(x - y) <= 4 * DBL_EPSILON * std::max(std::fabs(x), std::fabs(y));
  }
  if (a.kind() != b.kind()) return false;
  if (a.is_array()) {
    const auto &l = a.get_array(), &r = b.get_array();
    if (l.size() != r.size()) return false;
    for (std::size_t i = 0; i < l.size(); ++i) {
      if (!sameUpToDoubleRounding(l[i], r[i])) return false;
    }
    return true;
  }
  if (a.is_object()) {
    const auto &l = a.get_object(), &r = b.get_object();
    if (l.size() != r.size()) return false;
    for (const auto& [key, value] : l) {
      const boost::json::value* other = r.if_contains(key);
      if (!other || !sameUpToDoubleRounding(value, *other)) return false;
    }
    return true;
  }
  return a == b;
}

template <class T>
void roundTrip(std::string_view text) {
  JsonResult<T> first = fromJson<T>(text);
  if (!first) return;
  std::string encoded;
  try {
    encoded = toJson(first.value());
  } catch (const JsonEncodeError& e) {
    std::fprintf(stderr, "a decoded record does not encode: %s\n", e.what());
    std::abort();
  }
  JsonResult<T> second = fromJson<T>(encoded);
  if (!second) {
    std::fprintf(stderr, "the encoding does not decode: %s\n%s\n", second.error().description().c_str(),
                 encoded.c_str());
    std::abort();
  }
  const std::string reencoded = toJson(second.value());
  if (!(second.value() == first.value()) &&
      !sameUpToDoubleRounding(boost::json::parse(encoded), boost::json::parse(reencoded))) {
    std::fprintf(stderr, "the round trip changed the record:\n%s\n%s\n", encoded.c_str(), reencoded.c_str());
    std::abort();
  }
}

using Check = void (*)(std::string_view);

// The selector byte of each record is its position here: keep the order, add
// at the end (the seed corpus starts with these bytes).
constexpr Check kRecords[] = {
    roundTrip<BaseResponse>,                    // 0
    roundTrip<Sha256Result>,                    // 1
    roundTrip<UserAuthResp>,                    // 2
    roundTrip<GetSpaceResp>,                    // 3
    roundTrip<GetUsersByIdResponse>,            // 4
    roundTrip<GetuserListResponse>,             // 5
    roundTrip<GetDevicesResponse>,              // 6
    roundTrip<FilesListResponse>,               // 7
    roundTrip<FileSearchResponse>,              // 8
    roundTrip<FilesPathResponse>,               // 9
    roundTrip<FilesStatsDirResponse>,           // 10
    roundTrip<GetFileDetailResponse>,           // 11
    roundTrip<GetAccessResponse>,               // 12
    roundTrip<GetDownloadUrlResponse>,          // 13
    roundTrip<CreateDirectoryResponse>,         // 14
    roundTrip<FilesCreateResponse>,             // 15
    roundTrip<GetUploadUrlResponse>,            // 16
    roundTrip<GetShareResponse>,                // 17
    roundTrip<CreateShareResponse>,             // 18
    roundTrip<CancelShareResponse>,             // 19
    roundTrip<GetShareDetailResponse>,          // 20
    roundTrip<ModifyShareDetailResponse>,       // 21
    roundTrip<GetShareFilesResponse>,           // 22
    roundTrip<GetStarFilesResponse>,            // 23
    roundTrip<GetStarBatchResponse>,            // 24
    roundTrip<GetJobsResponse>,                 // 25
    roundTrip<CreateJobsResponse>,              // 26
    roundTrip<CancelJobsResponse>,              // 27
    roundTrip<GetJobDetailByIdResponse>,        // 28
    roundTrip<GetstandPackagesResponse>,        // 29
    roundTrip<GetStandPackagesOrdersResponse>,  // 30
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  constexpr std::size_t kCount = sizeof kRecords / sizeof kRecords[0];
  const Check check = kRecords[data[0] % kCount];
  check(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  return 0;
}
