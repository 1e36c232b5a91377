// A script literal made from any text stays a literal: it opens and closes with a quote, holds
// no bare quote, line break or "<" in between, is valid UTF-8 whatever it was given, and read
// back as JavaScript gives the text (every byte that is no UTF-8 character as U+FFFD).
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/ScriptText.h"

namespace {

void Append(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one code point at i; false for a byte that begins no well-formed sequence.
bool Decode(const std::string& s, std::size_t& i, std::uint32_t& cp) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
  if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size() + (extra == 0 ? 1 : 0)) return false;
  cp = extra == 0 ? c : c & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  static const std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  i += static_cast<std::size_t>(extra) + 1;
  return true;
}

// The text with every byte that starts no character replaced by U+FFFD.
std::string Repaired(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t cp = 0;
    if (Decode(text, i, cp)) {
      Append(out, cp);
    } else {
      Append(out, 0xFFFD);
      ++i;
    }
  }
  return out;
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string literal = zel::JsStringLiteral(text);
  if (literal.size() < 2 || literal.front() != '"' || literal.back() != '"') __builtin_trap();
  std::string decoded;
  for (std::size_t i = 1; i + 1 < literal.size();) {
    std::uint32_t cp = 0;
    if (!Decode(literal, i, cp)) __builtin_trap();  // not valid UTF-8
    if (cp == '"' || cp == '\r' || cp == '\n' || cp == '<' || cp == 0x2028 || cp == 0x2029) {
      __builtin_trap();  // would end the string or the script
    }
    if (cp != '\\') {
      Append(decoded, cp);
      continue;
    }
    if (i + 1 >= literal.size()) __builtin_trap();  // an escape that swallows the closing quote
    const char e = literal[i++];
    switch (e) {
      case '"': decoded += '"'; break;
      case '\\': decoded += '\\'; break;
      case 'n': decoded += '\n'; break;
      case 'r': decoded += '\r'; break;
      case 't': decoded += '\t'; break;
      case 'x':
        if (i + 2 >= literal.size()) __builtin_trap();
        Append(decoded, static_cast<std::uint32_t>(Hex(literal[i]) * 16 + Hex(literal[i + 1])));
        i += 2;
        break;
      case 'u':
        if (i + 4 >= literal.size()) __builtin_trap();
        Append(decoded, static_cast<std::uint32_t>((Hex(literal[i]) << 12) | (Hex(literal[i + 1]) << 8) |
                                                   (Hex(literal[i + 2]) << 4) | Hex(literal[i + 3])));
        i += 4;
        break;
      default:
        __builtin_trap();
    }
  }
  if (decoded != Repaired(text)) __builtin_trap();
  return 0;
}
