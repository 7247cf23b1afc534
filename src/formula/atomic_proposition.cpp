#include "formula/atomic_proposition.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>

#include "formula/unicode_escape_table.hpp"

namespace corvane {

namespace {

const std::shared_ptr<const std::string>& empty_text() {
  static const auto text = std::make_shared<const std::string>();
  return text;
}

std::shared_ptr<const std::string> make_text(std::string_view text) {
  if (text.empty()) return empty_text();
  return std::make_shared<const std::string>(text);
}

bool needs_unicode_escape(std::uint32_t cp) {
  const auto& ranges = unicode::kEscapedRanges;
  auto it = std::upper_bound(
      ranges.begin(), ranges.end(), cp,
      [](std::uint32_t v, const unicode::CodePointRange& r) { return v < r.first; });
  return it != ranges.begin() && cp <= std::prev(it)->last;
}

// Decodes one UTF-8 sequence starting at `i`; returns the code point and advances `i`. Texts come
// from Python strings and are valid UTF-8; a malformed or truncated sequence yields its first byte.
std::uint32_t decode_utf8(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  const std::size_t extra = b0 < 0x80           ? 0
                            : (b0 >> 5) == 0x6  ? 1
                            : (b0 >> 4) == 0xE  ? 2
                            : (b0 >> 3) == 0x1E ? 3
                                                : 0;
  if (extra == 0 || i + extra >= s.size()) {
    ++i;
    return b0;
  }
  std::uint32_t cp = b0 & (0x3Fu >> extra);
  for (std::size_t k = 1; k <= extra; ++k) {
    cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
  }
  i += extra + 1;
  return cp;
}

void append_hex(std::string& out, std::uint32_t cp) {
  static constexpr char kDigits[] = "0123456789abcdef";
  char buf[8];
  int n = 0;
  do {
    buf[n++] = kDigits[cp & 0xF];
    cp >>= 4;
  } while (cp != 0);
  while (n > 0) out += buf[--n];
}

}  // namespace

AtomicProposition AtomicProposition::new_(std::string_view name) {
  return AtomicProposition(make_text(name), empty_text());
}

AtomicProposition AtomicProposition::with_parameter(std::string_view name,
                                                    std::string_view parameter) {
  return AtomicProposition(make_text(name), make_text(parameter));
}

std::strong_ordering operator<=>(const AtomicProposition& a, const AtomicProposition& b) noexcept {
  if (auto c = a.name().compare(b.name()); c != 0) {
    return c < 0 ? std::strong_ordering::less : std::strong_ordering::greater;
  }
  const int c = a.parameter().compare(b.parameter());
  return c < 0 ? std::strong_ordering::less
               : (c > 0 ? std::strong_ordering::greater : std::strong_ordering::equal);
}

std::size_t AtomicProposition::hash() const noexcept {
  const std::size_t h1 = std::hash<std::string_view>{}(name());
  const std::size_t h2 = std::hash<std::string_view>{}(parameter());
  return h1 ^ (h2 + 0x9E3779B97F4A7C15ull + (h1 << 6) + (h1 >> 2));
}

void AtomicProposition::append_display(std::string& out) const {
  out += name();
  if (has_parameter()) {
    out += '(';
    out += parameter();
    out += ')';
  }
}

std::string AtomicProposition::display() const {
  std::string out;
  append_display(out);
  return out;
}

void AtomicProposition::append_debug(std::string& out) const {
  out += "AtomicProposition { name: ";
  append_escaped_debug_string(out, name());
  out += ", parameter: ";
  append_escaped_debug_string(out, parameter());
  out += " }";
}

void append_escaped_debug_string(std::string& out, std::string_view text) {
  out += '"';
  // Printable ASCII other than the quote and the backslash stands for itself (the table of
  // escaped code points starts above it): runs of it are copied whole.
  const auto plain = [](char c) { return c >= 0x20 && c <= 0x7E && c != '"' && c != '\\'; };
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t start = i;
    if (plain(text[i])) {
      while (i < text.size() && plain(text[i])) ++i;
      out.append(text.substr(start, i - start));
      continue;
    }
    const std::uint32_t cp = decode_utf8(text, i);
    switch (cp) {
      case '"':
        out += "\\\"";
        continue;
      case '\\':
        out += "\\\\";
        continue;
      case '\0':
        out += "\\0";
        continue;
      case '\t':
        out += "\\t";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '\n':
        out += "\\n";
        continue;
      default:
        break;
    }
    if (needs_unicode_escape(cp)) {
      out += "\\u{";
      append_hex(out, cp);
      out += '}';
    } else {
      out.append(text.substr(start, i - start));
    }
  }
  out += '"';
}

}  // namespace corvane
