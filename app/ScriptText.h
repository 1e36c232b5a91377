#pragma once
// Script texts built from program data.
#include <string>

namespace zel {

// The text as a double-quoted JavaScript string literal: quotes, backslashes, line breaks and
// other control characters escaped, so that no text can leave the literal.
std::string JsStringLiteral(const std::string& text);

// function("argument") with the argument as a safe literal.
std::string ScriptCall(const std::string& function, const std::string& argument);

}  // namespace zel
