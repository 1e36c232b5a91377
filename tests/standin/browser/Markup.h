#pragma once
// A small reader of the pages the stand-in browser shows: the elements that carry an id (or a
// name), the page's variables and functions, and where its script sends the browser next. It
// is no HTML or script engine; it knows the service's pages and the program's embedded ones.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zel::standin {

enum class ElementKind { Button, Edit, Hidden, Other };

struct MarkupElement {
  std::string id;  // the name when the element has no id
  std::string tag;  // lower case
  ElementKind kind = ElementKind::Other;
  std::map<std::string, std::string> attributes;  // names lower case, entities decoded
  std::string caption;  // the title attribute, else the text right after the start tag

  // The attribute's text; nullopt when the element has none.
  std::optional<std::string> Attribute(const std::string& name) const;
};

struct Markup {
  std::string title;
  std::vector<MarkupElement> elements;  // in document order
  // "var name = literal;" of the page's scripts: a string's text, another literal as written,
  // nullopt for null.
  std::map<std::string, std::optional<std::string>> variables;
  std::set<std::string> functions;
  std::string nextLocation;  // "window.location = '...'" of the page's script, if any
  std::vector<std::string> frames;  // the src of each <iframe>, as written
};

// UTF-8 markup, with or without a byte-order mark.
Markup ReadMarkup(const std::string& html);

// What a script that the program runs in the page does there. Only a few calls have an effect
// of their own; everything else only happens. A call of a function the page does not define
// fails, as it would in a browser.
struct ScriptEffect {
  enum class Kind { None, Alert, Reload, Fails };
  Kind kind = Kind::None;
  std::string text;  // what alertMsg shows
};

ScriptEffect InterpretScript(const std::string& code, const Markup& page);

}  // namespace zel::standin
