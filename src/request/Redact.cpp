#include "request/Redact.hpp"

#include <boost/json.hpp>

#include <algorithm>
#include <array>
#include <cctype>

namespace quillbox::request {

namespace {

namespace bj = boost::json;

constexpr std::array<std::string_view, 6> kSecretKeys = {
    "authCode", "accessToken", "refreshToken", "password", "qbstoken", "token",
};

bool isSecretKey(std::string_view key) {
  return std::find(kSecretKeys.begin(), kSecretKeys.end(), key) != kSecretKeys.end();
}

bool isUrlWithQuery(std::string_view s) {
  return (s.rfind("http://", 0) == 0 || s.rfind("https://", 0) == 0) && s.find('?') != std::string_view::npos;
}

bool maskIn(bj::value& v) {
  bool changed = false;
  if (auto* o = v.if_object()) {
    for (auto& kv : *o) {
      if (isSecretKey(kv.key()) && !kv.value().is_null()) {
        kv.value() = bj::string(kMasked.data(), kMasked.size());
        changed = true;
      } else {
        changed = maskIn(kv.value()) || changed;
      }
    }
  } else if (auto* a = v.if_array()) {
    for (auto& item : *a) changed = maskIn(item) || changed;
  } else if (auto* s = v.if_string(); s && isUrlWithQuery(*s)) {
    // Pre-signed upload and download addresses carry their signature in
    // the query.
    *s = maskUrlQuery(*s);
    changed = true;
  }
  return changed;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::string maskUrlQuery(std::string_view url) {
  const auto q = url.find('?');
  if (q == std::string_view::npos) return std::string(url);
  const auto hash = url.find('#', q);
  std::string_view query = url.substr(q + 1, hash == std::string_view::npos ? std::string_view::npos : hash - q - 1);
  std::string out(url.substr(0, q + 1));
  std::size_t start = 0;
  while (start <= query.size()) {
    std::size_t end = query.find('&', start);
    if (end == std::string_view::npos) end = query.size();
    std::string_view item = query.substr(start, end - start);
    if (start > 0) out += '&';
    const auto eq = item.find('=');
    out.append(item.substr(0, eq));
    if (eq != std::string_view::npos) out.append("=").append(kMasked);
    start = end + 1;
  }
  return out;
}

std::string maskJsonSecrets(std::string_view body) {
  bool mayHold = body.find("://") != std::string_view::npos ||
                 std::any_of(kSecretKeys.begin(), kSecretKeys.end(),
                             [&](std::string_view k) { return body.find(k) != std::string_view::npos; });
  if (!mayHold) return std::string(body);
  boost::system::error_code ec;
  bj::monotonic_resource arena;
  bj::value doc = bj::parse(bj::string_view(body.data(), body.size()), ec, &arena);
  if (ec || !maskIn(doc)) return std::string(body);
  return bj::serialize(doc);
}

std::string loggableBody(std::string_view body) {
  std::string text = maskJsonSecrets(body);
  if (text.size() <= kMaxLoggedBody) return text;
  // Cut on a character boundary so the line stays valid UTF-8.
  std::size_t cut = kMaxLoggedBody;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  const std::size_t full = text.size();
  text.resize(cut);
  text += "...(" + std::to_string(full) + " bytes)";
  return text;
}

std::string_view loggableHeaderValue(std::string_view name, std::string_view value) {
  return equalsIgnoreCase(name, "Authorization") ? kMasked : value;
}

}  // namespace quillbox::request
