#include "runtime/plugin_declarations.h"

#include <cctype>

#include "runtime/class_registry.h"
#include "runtime/name_fold.h"

namespace tess {

namespace {

struct Token {
  enum Kind { kEnd, kName, kPunctuation } kind;
  std::string_view text;
};

class Tokens {
 public:
  explicit Tokens(std::string_view text) : text_(text) {}
  Token Next() {
    Token t = Peek();
    at_ = after_;
    return t;
  }
  Token Peek() {
    size_t i = at_;
    while (i < text_.size() && (text_[i] == ' ' || text_[i] == '\t')) ++i;
    if (i >= text_.size()) {
      after_ = i;
      return {Token::kEnd, {}};
    }
    auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    if (std::isalpha(static_cast<unsigned char>(text_[i])) || text_[i] == '_') {
      size_t start = i;
      while (i < text_.size() && (word(text_[i]) || text_[i] == '.')) ++i;
      after_ = i;
      return {Token::kName, text_.substr(start, i - start)};
    }
    after_ = i + 1;
    return {Token::kPunctuation, text_.substr(i, 1)};
  }
  bool Take(std::string_view punctuation) {
    Token t = Peek();
    if (t.kind != Token::kPunctuation || t.text != punctuation) return false;
    Next();
    return true;
  }
  bool TakeWord(std::string_view word) {
    Token t = Peek();
    if (t.kind != Token::kName || !SameName(t.text, word)) return false;
    Next();
    return true;
  }
  size_t position() const { return at_; }

 private:
  std::string_view text_;
  size_t at_ = 0;
  size_t after_ = 0;
};

const TypeDescriptor* BuiltInType(std::string_view name) {
  for (const TypeDescriptor* t :
       {&kStringType, &kIntegerType, &kBooleanType, &kSingleType, &kDoubleType, &kColorType}) {
    if (SameName(name, t->name)) return t;
  }
  return nullptr;
}

bool ResolveType(std::string_view name, DeclaredType* out) {
  out->name = std::string(name);
  if ((out->builtIn = BuiltInType(name))) return true;
  std::string_view lookup = name;
  if (SameName(name, "DatabaseCursor")) lookup = "RecordSet";
  if (SameName(name, "DatabaseCursorField")) lookup = "DatabaseField";
  out->cls = FindClassByName(lookup);
  return out->cls != nullptr;
}

}  // namespace

bool ParseDeclaration(std::string_view text, Declaration* out, std::string* error) {
  const std::string whole(text);
  auto invalid = [&] {
    *error = "Invalid plugin method format: " + whole;
    return false;
  };
  auto unknown = [&](std::string_view type) {
    *error = "Unknown type \"" + std::string(type) + "\" in plugin method " + whole;
    return false;
  };
  Tokens tokens(text);
  Token name = tokens.Next();
  if (name.kind != Token::kName) return invalid();
  *out = Declaration{};
  out->name = std::string(name.text);
  if (tokens.Take("(")) {
    size_t start = tokens.position();
    size_t end = start;
    if (!tokens.Take(")")) {
      for (;;) {
        if (!tokens.TakeWord("ByVal")) tokens.TakeWord("ByRef");
        if (tokens.Next().kind != Token::kName) return invalid();
        if (tokens.Take("(") && !tokens.Take(")")) return invalid();
        if (!tokens.TakeWord("As")) return invalid();
        Token type = tokens.Next();
        if (type.kind != Token::kName) return invalid();
        DeclaredType resolved;
        if (!ResolveType(type.text, &resolved)) return unknown(type.text);
        out->parameterTypes.push_back(resolved);
        end = tokens.position();
        if (tokens.Take(")")) break;
        if (!tokens.Take(",")) return invalid();
      }
    }
    out->parameters = std::string(text.substr(start, end - start));
    while (!out->parameters.empty() && out->parameters.front() == ' ') out->parameters.erase(0, 1);
  }
  if (tokens.TakeWord("As")) {
    Token type = tokens.Next();
    if (type.kind != Token::kName) {
      *error = "Invalid return type: " + whole;
      return false;
    }
    if (!ResolveType(type.text, &out->returnType)) return unknown(type.text);
    out->hasReturn = true;
  }
  if (tokens.Peek().kind != Token::kEnd) return invalid();
  return true;
}

}  // namespace tess
