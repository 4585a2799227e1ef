#include "request/Redact.hpp"

#include <boost/json.hpp>

#include <algorithm>
#include <array>
#include <cctype>

namespace quillbox::request {

namespace {

namespace bj = boost::json;

// Every key of the records that carries a credential, at any depth of a
// body (an address's signed headers among them).
constexpr std::array<std::string_view, 14> kSecretKeys = {
    "accessToken",    // session token in sign-in answers
    "refreshToken",   //
    "token",          //
    "qbstoken",       // a share's extract code on its way to the share's files
    "authCode",       // sign-in code
    "extractCode",    // a share's extract code
    "password",       // job input passwords
    "proofCode",      // proves possession of a file's content for a rapid upload
    "hfek",           // wrapped file keys of encrypted files
    "ekey",           //
    "authorization",  // header, also inside an address's headers
    "signature",      //
    "headers",        // the signed headers and form fields of an upload or download address
    "forms",          //
};

// The request and answer headers whose values carry nothing secret. Any
// other header's value is masked, whatever its name: a credential in a header
// no one thought of stays out of the log.
constexpr std::array<std::string_view, 16> kPlainHeaders = {
    "Accept",        "Accept-Encoding", "Content-Encoding", "Content-Length", "Content-Range", "Content-Type",
    "ETag",          "Expect",          "If-Match",         "If-None-Match",  "If-Range",      "Last-Modified",
    "Range",         "User-Agent",      "X-Traceid",        "x-qz-agentname",
};

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

bool containsIgnoreCase(std::string_view text, std::string_view word) {
  return std::search(text.begin(), text.end(), word.begin(), word.end(),
                     [](char x, char y) { return lower(x) == lower(y); }) != text.end();
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

// ---- text that is not a whole JSON document ---------------------------------

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::size_t skipSpace(std::string_view text, std::size_t i) {
  while (i < text.size() && isSpace(text[i])) ++i;
  return i;
}

/// The index just after the string that opens at `open`, or the end of the text.
std::size_t stringEnd(std::string_view text, std::size_t open) {
  for (std::size_t i = open + 1; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '"') {
      return i + 1;
    }
  }
  return text.size();
}

/// The index just after the value that starts at `start`: a string, an
/// object or array (to its matching bracket), or a bare word.
std::size_t valueEnd(std::string_view text, std::size_t start) {
  if (start >= text.size()) return start;
  if (text[start] == '"') return stringEnd(text, start);
  if (text[start] == '{' || text[start] == '[') {
    int depth = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
      if (text[i] == '"') {
        i = stringEnd(text, i) - 1;
      } else if (text[i] == '{' || text[i] == '[') {
        ++depth;
      } else if ((text[i] == '}' || text[i] == ']') && --depth == 0) {
        return i + 1;
      }
    }
    return text.size();
  }
  std::size_t i = start;
  while (i < text.size() && text[i] != ',' && text[i] != '}' && text[i] != ']' && !isSpace(text[i])) ++i;
  return i;
}

/// The raw text between a string's quotes with its escapes undone, as far as
/// they matter for comparing with a key name: \uXXXX below 0x80 and \x.
std::string unescapedKey(std::string_view raw) {
  std::string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '\\' || i + 1 >= raw.size()) {
      out += raw[i];
    } else if (raw[i + 1] == 'u' && i + 6 <= raw.size()) {
      unsigned code = 0;
      for (char c : raw.substr(i + 2, 4)) {
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : (lower(c) >= 'a' && lower(c) <= 'f') ? lower(c) - 'a' + 10
                                                                 : -1;
        code = digit < 0 ? 0x80 : (code << 4) | static_cast<unsigned>(digit);
        if (digit < 0) break;
      }
      out += code < 0x80 ? static_cast<char>(code) : '?';
      i += 5;
    } else {
      out += raw[++i];
    }
  }
  return out;
}

/// The same masking as for a JSON document, done by scanning: every string
/// followed by ':' is a key, and a secret key's value is replaced whole.
std::string maskScanned(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '"') {
      out += text[i++];
      continue;
    }
    const std::size_t end = stringEnd(text, i);
    const bool closed = end - i >= 2 && text[end - 1] == '"';
    const std::string_view inner = text.substr(i + 1, end - i - 1 - (closed ? 1 : 0));
    const std::size_t colon = skipSpace(text, end);
    if (closed && colon < text.size() && text[colon] == ':' && isSecretKey(unescapedKey(inner))) {
      const std::size_t value = skipSpace(text, colon + 1);
      out.append(text.substr(i, value - i));
      if (value < text.size()) out.append("\"").append(kMasked).append("\"");
      i = valueEnd(text, value);
      continue;
    }
    if (isUrlWithQuery(inner)) {
      out.append("\"").append(maskUrlQuery(inner)).append(closed ? "\"" : "");
    } else {
      out.append(text.substr(i, end - i));
    }
    i = end;
  }
  return out;
}

/// Whether the text may hold anything to mask; most bodies hold nothing.
bool mayHoldSecrets(std::string_view text) {
  // A backslash may hide a key name behind escapes.
  return text.find("://") != std::string_view::npos || text.find('\\') != std::string_view::npos ||
         std::any_of(kSecretKeys.begin(), kSecretKeys.end(),
                     [&](std::string_view k) { return containsIgnoreCase(text, k); });
}

}  // namespace

bool isSecretKey(std::string_view name) {
  return std::any_of(kSecretKeys.begin(), kSecretKeys.end(), [&](std::string_view k) { return equalsIgnoreCase(k, name); });
}

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
  if (!mayHoldSecrets(body)) return std::string(body);
  boost::system::error_code ec;
  bj::monotonic_resource arena;
  bj::value doc = bj::parse(bj::string_view(body.data(), body.size()), ec, &arena);
  if (ec) return maskScanned(body);
  if (!maskIn(doc)) return std::string(body);
  return bj::serialize(doc);
}

std::string loggableBody(std::string_view body) {
  if (body.size() <= kMaxLoggedBody) return maskJsonSecrets(body);
  // Only the head is logged, so only the head is masked: cut on a character
  // boundary so the line stays valid UTF-8, then scan what is left.
  std::size_t cut = kMaxLoggedBody;
  while (cut > 0 && (static_cast<unsigned char>(body[cut]) & 0xC0) == 0x80) --cut;
  const std::string_view head = body.substr(0, cut);
  std::string text = mayHoldSecrets(head) ? maskScanned(head) : std::string(head);
  text += "...(" + std::to_string(body.size()) + " bytes)";
  return text;
}

std::string_view loggableHeaderValue(std::string_view name, std::string_view value) {
  const bool plain = std::any_of(kPlainHeaders.begin(), kPlainHeaders.end(),
                                 [&](std::string_view h) { return equalsIgnoreCase(h, name); });
  return plain ? value : kMasked;
}

}  // namespace quillbox::request
