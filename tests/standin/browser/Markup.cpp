#include "tests/standin/browser/Markup.h"

#include <cctype>
#include <cstdlib>

namespace zel::standin {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == ':' ||
         c == '$';
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsSpace(text[begin])) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

void AppendUtf8(std::string& out, unsigned long code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The character references the pages use: numeric ones and the five basic names.
std::string DecodeEntities(const std::string& text) {
  static const std::map<std::string, std::string> kNamed = {
      {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t semicolon = text[i] == '&' ? text.find(';', i) : std::string::npos;
    if (semicolon == std::string::npos || semicolon - i > 10) {
      out += text[i];
      continue;
    }
    const std::string name = text.substr(i + 1, semicolon - i - 1);
    if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      AppendUtf8(out, std::strtoul(name.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10));
    } else if (const auto it = kNamed.find(name); it != kNamed.end()) {
      out += it->second;
    } else {
      out += text[i];
      continue;
    }
    i = semicolon;
  }
  return out;
}

// A JavaScript string literal starting at text[at] (a quote); its text, and at moves past it.
std::optional<std::string> ReadStringLiteral(const std::string& text, std::size_t& at) {
  const char quote = text[at];
  std::string out;
  for (std::size_t i = at + 1; i < text.size(); ++i) {
    if (text[i] == quote) {
      at = i + 1;
      return out;
    }
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char c = text[++i];
      if (c == 'n') {
        out += '\n';
      } else if (c == 'u' && i + 4 < text.size()) {
        AppendUtf8(out, std::strtoul(text.substr(i + 1, 4).c_str(), nullptr, 16));
        i += 4;
      } else {
        out += c;
      }
    } else {
      out += text[i];
    }
  }
  return std::nullopt;
}

std::size_t SkipSpaces(const std::string& text, std::size_t at) {
  while (at < text.size() && IsSpace(text[at])) ++at;
  return at;
}

// Top-level "var name = literal;" lines, "function name(" and "window.location = '...'".
void ReadScript(const std::string& script, Markup& page) {
  for (std::size_t at = script.find("function "); at != std::string::npos;
       at = script.find("function ", at + 1)) {
    std::size_t end = at + 9;
    while (end < script.size() && IsNameChar(script[end])) ++end;
    if (end < script.size() && script[end] == '(' && end > at + 9) {
      page.functions.insert(script.substr(at + 9, end - at - 9));
    }
  }
  std::size_t line = 0;
  while (line < script.size()) {
    std::size_t next = script.find('\n', line);
    if (next == std::string::npos) next = script.size();
    const std::string text = Trim(script.substr(line, next - line));
    line = next + 1;
    if (text.compare(0, 4, "var ") != 0 || text.back() != ';') continue;
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) continue;
    const std::string name = Trim(text.substr(4, equals - 4));
    std::string literal = Trim(text.substr(equals + 1, text.size() - equals - 2));
    if (literal == "null") {
      page.variables[name] = std::nullopt;
    } else if (!literal.empty() && (literal[0] == '"' || literal[0] == '\'')) {
      std::size_t from = 0;
      page.variables[name] = ReadStringLiteral(literal, from);
    } else {
      page.variables[name] = literal;
    }
  }
  const std::size_t location = script.find("window.location");
  if (location != std::string::npos) {
    std::size_t at = SkipSpaces(script, location + 15);
    if (at < script.size() && script[at] == '=') {
      at = SkipSpaces(script, at + 1);
      if (at < script.size() && (script[at] == '"' || script[at] == '\'')) {
        page.nextLocation = ReadStringLiteral(script, at).value_or("");
      }
    }
  }
}

ElementKind KindOf(const MarkupElement& e) {
  const std::string type = Lower(e.Attribute("type").value_or("text"));
  if (e.tag == "input") {
    if (type == "hidden") return ElementKind::Hidden;
    if (type == "button" || type == "submit") return ElementKind::Button;
    return ElementKind::Edit;
  }
  if (e.tag == "textarea") return ElementKind::Edit;
  // A page marks what acts as a button the way it would for a screen reader.
  if (e.tag == "a" || e.tag == "button" || e.Attribute("role") == std::string("button")) {
    return ElementKind::Button;
  }
  return ElementKind::Other;
}

// The attributes of a start tag from text[at] (just after its name) up to its '>'.
std::size_t ReadAttributes(const std::string& text, std::size_t at,
                           std::map<std::string, std::string>& attributes) {
  while (at < text.size()) {
    at = SkipSpaces(text, at);
    if (at >= text.size() || text[at] == '>') return at;
    if (text[at] == '/') {
      ++at;
      continue;
    }
    std::size_t end = at;
    while (end < text.size() && IsNameChar(text[end])) ++end;
    if (end == at) {
      ++at;  // not an attribute: step over it
      continue;
    }
    const std::string name = Lower(text.substr(at, end - at));
    at = SkipSpaces(text, end);
    std::string value;
    if (at < text.size() && text[at] == '=') {
      at = SkipSpaces(text, at + 1);
      if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
        const std::size_t close = text.find(text[at], at + 1);
        if (close == std::string::npos) return text.size();
        value = text.substr(at + 1, close - at - 1);
        at = close + 1;
      } else {
        const std::size_t start = at;
        while (at < text.size() && !IsSpace(text[at]) && text[at] != '>') ++at;
        value = text.substr(start, at - start);
      }
    }
    attributes[name] = DecodeEntities(value);
  }
  return at;
}

}  // namespace

std::optional<std::string> MarkupElement::Attribute(const std::string& name) const {
  const auto it = attributes.find(name);
  if (it == attributes.end()) return std::nullopt;
  return it->second;
}

Markup ReadMarkup(const std::string& source) {
  const std::string html = source.compare(0, 3, "\xEF\xBB\xBF") == 0 ? source.substr(3) : source;
  Markup page;
  std::size_t at = 0;
  while ((at = html.find('<', at)) != std::string::npos) {
    if (html.compare(at, 4, "<!--") == 0) {
      const std::size_t end = html.find("-->", at);
      at = end == std::string::npos ? html.size() : end + 3;
      continue;
    }
    std::size_t end = at + 1;
    while (end < html.size() && IsNameChar(html[end])) ++end;
    const std::string tag = Lower(html.substr(at + 1, end - at - 1));
    if (tag.empty()) {
      ++at;
      continue;
    }
    MarkupElement element;
    element.tag = tag;
    const std::size_t close = ReadAttributes(html, end, element.attributes);
    at = close + 1;
    if (tag == "script" || tag == "style" || tag == "title") {
      const std::size_t endTag = html.find("</" + tag, at);
      const std::string content = html.substr(at, endTag == std::string::npos ? std::string::npos
                                                                              : endTag - at);
      if (tag == "script") ReadScript(content, page);
      if (tag == "title") page.title = Trim(DecodeEntities(content));
      if (endTag == std::string::npos) break;
      at = endTag;
      continue;
    }
    if (tag == "iframe" && element.Attribute("src")) page.frames.push_back(*element.Attribute("src"));
    const auto id = element.Attribute("id");
    const auto name = element.Attribute("name");
    if (!id && !name) continue;
    element.id = id ? *id : *name;
    element.kind = KindOf(element);
    const std::size_t textEnd = html.find('<', at);
    element.caption = element.Attribute("title").value_or(
        Trim(DecodeEntities(html.substr(at, textEnd == std::string::npos ? std::string::npos
                                                                         : textEnd - at))));
    page.elements.push_back(std::move(element));
  }
  return page;
}

ScriptEffect InterpretScript(const std::string& source, const Markup& page) {
  std::string code = Trim(source);
  while (!code.empty() && code.back() == ';') code = Trim(code.substr(0, code.size() - 1));
  if (code == "window.location.reload(true)" || code == "window.location.reload()") {
    return {ScriptEffect::Kind::Reload, {}};
  }
  const std::size_t open = code.find('(');
  if (open == std::string::npos || code.back() != ')') return {};
  const std::string name = Trim(code.substr(0, open));
  for (const char c : name) {
    if (!IsNameChar(c) && c != '.') return {};
  }
  // Members of built-in objects are there; a plain function must be the page's own.
  if (name.find('.') == std::string::npos && page.functions.count(name) == 0) {
    return {ScriptEffect::Kind::Fails, {}};
  }
  if (name == "alertMsg") {
    const std::string argument = Trim(code.substr(open + 1, code.size() - open - 2));
    // The program quotes the text without escaping it: a quote inside breaks the script.
    if (argument.size() < 2 || argument.front() != '"' || argument.back() != '"' ||
        argument.find('"', 1) != argument.size() - 1) {
      return {ScriptEffect::Kind::Fails, {}};
    }
    return {ScriptEffect::Kind::Alert, argument.substr(1, argument.size() - 2)};
  }
  return {};
}

}  // namespace zel::standin
