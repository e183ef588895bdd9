// Description file parsing: lines into tokens (quoted text unescaped), then
// statements into a Description. Parsing never stops at the first problem: a
// bad line is reported and skipped, so one run lists every fault. Names are
// resolved later, against the objects, by DescriptionObject.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "description.h"
#include "error.h"
#include "image/format.h"
#include "stored_record.h"

namespace tess::imagetool {
namespace {

struct Token {
  std::string text;
  bool quoted = false;
};

// A problem with one line; the parser reports it and goes on.
struct LineError {
  std::string text;
};

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<Token> Tokenize(std::string_view line) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      Token t{{}, true};
      for (++i;; ++i) {
        if (i >= line.size()) throw LineError{"unterminated quoted text"};
        const char q = line[i];
        if (q == '"') break;
        if (q != '\\') {
          t.text += q;
          continue;
        }
        if (++i >= line.size()) throw LineError{"unterminated quoted text"};
        switch (line[i]) {
          case '\\':
            t.text += '\\';
            break;
          case '"':
            t.text += '"';
            break;
          case 'n':
            t.text += '\n';
            break;
          case 'r':
            t.text += '\r';
            break;
          case 't':
            t.text += '\t';
            break;
          case '0':
            t.text += '\0';
            break;
          case 'x': {
            const int hi = i + 1 < line.size() ? HexDigit(line[i + 1]) : -1;
            const int lo = i + 2 < line.size() ? HexDigit(line[i + 2]) : -1;
            if (hi < 0 || lo < 0) throw LineError{"bad escape: \\x needs two hex digits"};
            t.text += char(hi * 16 + lo);
            i += 2;
            break;
          }
          default:
            throw LineError{std::string("bad escape \\") + line[i]};
        }
      }
      ++i;
      tokens.push_back(std::move(t));
    } else {
      const size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
             line[i] != '#' && line[i] != '"') {
        ++i;
      }
      tokens.push_back({std::string(line.substr(start, i - start)), false});
    }
  }
  return tokens;
}

std::optional<uint32_t> ParseNumber(const std::string& text) {
  std::string_view s = text;
  const bool negative = s.starts_with('-');
  if (negative) s.remove_prefix(1);
  int base = 10;
  if (s.starts_with("0x") || s.starts_with("0X")) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return std::nullopt;
  uint64_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  if (negative ? value > (uint64_t(1) << 31) : value > UINT32_MAX) return std::nullopt;
  return negative ? uint32_t(0u - uint32_t(value)) : uint32_t(value);
}

bool LooksNumeric(const Token& t) {
  return !t.quoted && !t.text.empty() &&
         (std::isdigit(static_cast<unsigned char>(t.text[0])) || t.text[0] == '-');
}

bool IsAscii(const std::string& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
}

class Parser {
 public:
  explicit Parser(const std::string& file) { d_.file = file; }

  Description Run(std::string_view text) {
    int line = 0;
    while (!text.empty()) {
      const size_t eol = text.find('\n');
      const std::string_view current = text.substr(0, eol);
      text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
      line_ = ++line;
      try {
        tokens_ = Tokenize(current);
        next_ = 0;
        if (!tokens_.empty()) Statement();
      } catch (const LineError& e) {
        errors_.push_back(d_.file + ":" + std::to_string(line_) + ": " + e.text);
      }
    }
    if (block_ != Block::kNone) {
      const int open = menuPath_.empty() ? blockLine_ : menuPath_.back()->line;
      errors_.push_back(d_.file + ":" + std::to_string(open) + ": " + BlockName() +
                        " is not closed by 'end'");
    }
    if (!errors_.empty()) throw BuildError(errors_);
    return std::move(d_);
  }

 private:
  enum class Block : uint8_t { kNone, kClass, kSettings, kWindow, kControl, kMenuBar };

  const char* BlockName() const {
    switch (block_) {
      case Block::kClass:
        return "class";
      case Block::kSettings:
        return "item settings";
      case Block::kWindow:
        return "window";
      case Block::kControl:
        return "control";
      case Block::kMenuBar:
        return menuPath_.empty() ? "item menubar" : "menu";
      case Block::kNone:
        break;
    }
    return "";
  }

  bool More() const { return next_ < tokens_.size(); }

  const Token& Take(const char* what) {
    if (!More()) throw LineError{std::string("missing ") + what};
    return tokens_[next_++];
  }

  std::string Word(const char* what) {
    const Token& t = Take(what);
    if (t.quoted) throw LineError{std::string("expected ") + what + ", not quoted text"};
    return t.text;
  }

  uint32_t Number(const char* what) {
    const Token& t = Take(what);
    const std::optional<uint32_t> n = t.quoted ? std::nullopt : ParseNumber(t.text);
    if (!n) throw LineError{std::string("bad ") + what + " '" + t.text + "'"};
    return *n;
  }

  // Quoted text, several adjacent pieces joined.
  std::string Quoted(const char* what) {
    if (!More() || !tokens_[next_].quoted) throw LineError{std::string("missing quoted ") + what};
    std::string text;
    while (More() && tokens_[next_].quoted) text += tokens_[next_++].text;
    return text;
  }

  void Done() {
    if (More()) throw LineError{"unexpected '" + tokens_[next_].text + "'"};
  }

  DescValue Value(DescValue::Kind kind, std::string text = {}, uint32_t number = 0) const {
    return DescValue{kind, number, std::move(text), line_};
  }

  DescValue Text(const char* what) {
    const Token& t = Take(what);
    if (t.quoted) {
      std::string text = t.text;
      while (More() && tokens_[next_].quoted) text += tokens_[next_++].text;
      return Value(DescValue::kText, text);
    }
    if (t.text == "-") return Value(DescValue::kZero);
    if (t.text.starts_with('@')) {
      if (t.text.size() == 1) throw LineError{"'@' needs a string constant name"};
      return Value(DescValue::kNamedString, t.text.substr(1));
    }
    return Value(DescValue::kText, t.text);
  }

  DescValue Code(const char* what) {
    const Token& t = Take(what);
    if (!t.quoted && (t.text == "0" || t.text == "-")) return Value(DescValue::kZero);
    if (LooksNumeric(t)) throw LineError{"expected a symbol for " + std::string(what)};
    return Value(DescValue::kSymbol, t.text);
  }

  DescValue ClassRef(const char* what) {
    const Token& t = Take(what);
    if (LooksNumeric(t)) {
      const std::optional<uint32_t> n = ParseNumber(t.text);
      if (!n) throw LineError{std::string("bad ") + what + " '" + t.text + "'"};
      return Value(DescValue::kNumber, {}, *n);
    }
    return Value(DescValue::kSymbol, t.text);  // a class label, resolved later
  }

  DescValue RawWord() {
    const Token& t = tokens_[next_];
    if (t.quoted || t.text.starts_with('@')) return Text("word");
    ++next_;
    if (LooksNumeric(t)) {
      const std::optional<uint32_t> n = ParseNumber(t.text);
      if (!n) throw LineError{"bad number '" + t.text + "'"};
      return Value(DescValue::kNumber, {}, *n);
    }
    return Value(DescValue::kSymbol, t.text);
  }

  std::string Label(const char* what) {
    const Token& t = Take(what);
    if (t.text.empty()) throw LineError{std::string("empty ") + what};
    return t.text;
  }

  void Statement() {
    const Token& first = tokens_[next_];
    if (first.quoted) throw LineError{"a statement starts with a keyword, not quoted text"};
    const std::string keyword = tokens_[next_++].text;
    if (block_ == Block::kClass) return ClassStatement(keyword);
    if (block_ == Block::kSettings) return SettingsStatement(keyword);
    if (block_ == Block::kWindow) return WindowStatement(keyword);
    if (block_ == Block::kControl) return ControlStatement(keyword);
    if (block_ == Block::kMenuBar) return MenuStatement(keyword);
    if (keyword == "string") {
      DescString s{Symbol("string name"), Quoted("text"), 0, line_};
      if (More() && tokens_[next_].text == "encoding" && !tokens_[next_].quoted) {
        ++next_;
        s.encoding = Number("encoding");
      } else {
        s.encoding = IsAscii(s.bytes) ? image::kEncodingAscii : image::kEncodingUnknown;
      }
      d_.strings.push_back(std::move(s));
    } else if (keyword == "slot") {
      d_.slots.emplace_back(Symbol("slot name"), line_);
    } else if (keyword == "descriptor") {
      WantDescriptor();
    } else if (keyword == "framework" || keyword == "class") {
      DescClass c;
      c.label = Label("class name");
      c.line = line_;
      c.framework = keyword == "framework";
      c.name = Value(DescValue::kText, c.label);
      d_.classes.push_back(std::move(c));
      WantDescriptor();
      if (keyword == "class") Open(Block::kClass);
    } else if (keyword == "item") {
      ItemStatement();
    } else if (keyword == "window") {
      DescWindow w;
      w.symbol = Symbol("window symbol");
      w.cls = ClassRef("window class");
      w.line = line_;
      d_.windows.push_back(std::move(w));
      Open(Block::kWindow);
    } else if (keyword == "end") {
      throw LineError{"'end' without an open class, item or window"};
    } else {
      throw LineError{"unknown statement '" + keyword + "'"};
    }
    Done();
  }

  std::string Symbol(const char* what) {
    std::string name = Word(what);
    if (name.empty() || LooksNumeric(Token{name, false}) || name.starts_with('@') || name == "-") {
      throw LineError{std::string("bad ") + what + " '" + name + "'"};
    }
    return name;
  }

  void WantDescriptor() {
    if (!d_.descriptor) d_.descriptorLine = line_;
    d_.descriptor = true;
  }

  // A file named relative to the description's folder.
  std::vector<uint8_t> FileBytes(const std::string& path) const {
    std::filesystem::path p(path);
    if (p.is_relative()) p = std::filesystem::path(d_.file).parent_path() / p;
    std::ifstream in(p, std::ios::binary);
    if (!in) throw LineError{"cannot read '" + p.string() + "'"};
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

  void Open(Block block) {
    block_ = block;
    blockLine_ = line_;
  }

  void ItemStatement() {
    DescItem item;
    item.line = line_;
    const std::string kind = Word("item kind");
    if (kind == "settings") {
      item.kind = DescItem::kSettings;
      Open(Block::kSettings);
    } else if (kind == "object") {
      item.kind = DescItem::kObject;
      item.objectClass = ClassRef("class");
      item.slot = Code("slot");
      if (item.slot.kind == DescValue::kZero) throw LineError{"item object needs a slot symbol"};
    } else if (kind == "menubar") {
      item.kind = DescItem::kMenuBar;
      Open(Block::kMenuBar);
    } else if (kind == "empty") {
      item.kind = DescItem::kEmpty;
    } else if (kind == "raw") {
      item.kind = DescItem::kRaw;
      item.rawKind = Number("item kind number");
      while (More()) item.words.push_back(RawWord());
    } else if (kind == "file") {
      item.kind = DescItem::kFile;
      item.rawKind = Number("item kind number");
      item.bytes = FileBytes(Word("file path"));
    } else {
      throw LineError{"unknown item kind '" + kind +
                      "' (settings, object, menubar, empty, raw or file)"};
    }
    d_.items.push_back(std::move(item));
    WantDescriptor();
  }

  void SettingsStatement(const std::string& keyword) {
    DescSettings& s = d_.items.back().settings;
    if (keyword == "message") {
      if (s.messages.size() == kMaxSettingsMessages) {
        throw LineError{"more than " + std::to_string(kMaxSettingsMessages) + " messages"};
      }
      s.messages.push_back(Quoted("message text"));
    } else if (keyword == "multiple-document") {
      const std::string v = Lower(Word("yes or no"));
      if (v != "yes" && v != "no") throw LineError{"multiple-document takes yes or no"};
      s.multipleDocument = v == "yes";
    } else if (keyword == "title") {
      s.title = Quoted("title");
    } else if (keyword == "filetype") {
      DescFileType type;
      type.name = Quoted("file type name");
      type.extensions = Word("extensions");
      if (More()) type.macType = Word("four-character type");
      if (type.macType.size() > 4)
        throw LineError{"a file type's type has at most four characters"};
      s.fileTypes.push_back(std::move(type));
    } else if (keyword == "end") {
      block_ = Block::kNone;
    } else {
      throw LineError{"unknown settings statement '" + keyword +
                      "' (message, multiple-document, title, filetype or end)"};
    }
    Done();
  }

  // A pair's name or value: quoted text (pieces joined) or a word as written.
  std::string PairText(const char* what) {
    if (More() && tokens_[next_].quoted) return Quoted(what);
    return Take(what).text;
  }

  // A part name or binding text: like PairText, with - for the empty text.
  std::string OptionalText(const char* what) {
    if (More() && !tokens_[next_].quoted && tokens_[next_].text == "-") {
      ++next_;
      return {};
    }
    return PairText(what);
  }

  int32_t SignedNumber(const char* what) { return int32_t(Number(what)); }

  DescControlRef ControlRef(const char* what) {
    const Token& t = Take(what);
    if (LooksNumeric(t)) {
      const std::optional<uint32_t> n = ParseNumber(t.text);
      if (!n || int32_t(*n) < 0) throw LineError{std::string("bad ") + what + " '" + t.text + "'"};
      return {{}, *n};
    }
    if (t.text.empty() || t.text == "-") throw LineError{std::string("missing ") + what};
    return {t.text, 0};
  }

  void WindowStatement(const std::string& keyword) {
    DescWindow& w = d_.windows.back();
    if (keyword == "set") {
      std::string name = PairText("property name");
      w.pairs.push_back({std::move(name), PairText("property value")});
    } else if (keyword == "control") {
      DescControl c;
      c.cls = ClassRef("control class");
      c.line = line_;
      if (More()) {
        c.pairs.push_back({"Name", PairText("control name")});
        const int32_t index = More() ? SignedNumber("control index") : ui::kNoArrayIndex;
        c.pairs.push_back({"Index", std::to_string(index)});
      }
      w.controls.push_back(std::move(c));
      Open(Block::kControl);
    } else if (keyword == "bind") {
      DescBinding b;
      b.line = line_;
      b.source = ControlRef("source control");
      b.sourcePart = OptionalText("source part");
      b.destination = ControlRef("destination control");
      b.destinationPart = OptionalText("destination part");
      b.binder = ClassRef("binder class");
      if (More()) b.text1 = OptionalText("binding text");
      if (More()) b.text2 = OptionalText("binding text");
      w.bindings.push_back(std::move(b));
    } else if (keyword == "end") {
      block_ = Block::kNone;
    } else {
      throw LineError{"unknown window statement '" + keyword + "' (set, control, bind or end)"};
    }
    Done();
  }

  void ControlStatement(const std::string& keyword) {
    DescControl& c = d_.windows.back().controls.back();
    if (keyword == "set") {
      std::string name = PairText("property name");
      c.pairs.push_back({std::move(name), PairText("property value")});
    } else if (keyword == "at") {
      for (const char* edge : {"Left", "Top", "Width", "Height"}) {
        c.pairs.push_back({edge, std::to_string(SignedNumber(edge))});
      }
    } else if (keyword == "rows" || keyword == "tabs") {
      // A popup menu's rows or a tab panel's captions, stored one a line.
      std::string lines = PairText(keyword == "rows" ? "row" : "tab caption");
      while (More()) lines += "\r" + PairText(keyword == "rows" ? "row" : "tab caption");
      c.pairs.push_back({keyword == "rows" ? "InitialValue" : "TabDefinition", std::move(lines)});
    } else if (keyword == "page") {
      c.pairs.push_back({"TabPanelIndex", std::to_string(SignedNumber("page"))});
    } else if (keyword == "ends") {
      for (const char* end : {"X1", "Y1", "X2", "Y2"}) {
        c.pairs.push_back({end, std::to_string(SignedNumber(end))});
      }
    } else if (keyword == "font") {
      // The text style of a control that shows text (an edit field's whole-field style).
      c.pairs.push_back({"TextFont", PairText("font name")});
      c.pairs.push_back({"TextSize", std::to_string(SignedNumber("TextSize"))});
      while (More()) {
        std::string style = PairText("style");
        std::string property = style == "bold"        ? "Bold"
                               : style == "italic"    ? "Italic"
                               : style == "underline" ? "Underline"
                                                      : "";
        if (property.empty())
          throw LineError{"unknown style '" + style + "' (bold, italic or underline)"};
        c.pairs.push_back({property, "True"});
      }
    } else if (keyword == "end") {
      block_ = Block::kWindow;
      blockLine_ = d_.windows.back().line;
    } else {
      throw LineError{"unknown control statement '" + keyword +
                      "' (set, at, rows, tabs, page, ends, font or end)"};
    }
    Done();
  }

  void MenuStatement(const std::string& keyword) {
    if (keyword == "end") {
      if (menuPath_.empty()) {
        block_ = Block::kNone;
      } else {
        menuPath_.pop_back();
      }
      return Done();
    }
    const bool top = keyword == "menu";
    if (!top && keyword != "entry" && keyword != "separator" && keyword != "submenu") {
      throw LineError{"unknown menu statement '" + keyword +
                      "' (menu, entry, separator, submenu or end)"};
    }
    if (top != menuPath_.empty()) {
      throw LineError{top ? "'menu' inside a menu (use 'submenu')"
                          : "'" + keyword + "' outside a menu"};
    }
    // The entry is entered before its fields are read, so that a bad field
    // does not also unbalance the 'end's that follow.
    std::vector<DescMenuEntry>& siblings = top ? d_.items.back().menus : menuPath_.back()->children;
    siblings.emplace_back();
    DescMenuEntry& e = siblings.back();
    e.line = line_;
    e.entry.hasSubmenu = top || keyword == "submenu";
    if (e.entry.hasSubmenu) menuPath_.push_back(&e);
    if (menuPath_.size() > size_t(ui::kMaxMenuDepth)) {
      throw LineError{"menus nest deeper than " + std::to_string(ui::kMaxMenuDepth) + " levels"};
    }
    e.entry.text = keyword == "separator" ? "-" : PairText("menu text");
    while (More()) MenuField(e);
  }

  void MenuField(DescMenuEntry& e) {
    const std::string key = Word("menu field");
    if (key == "name") {
      e.entry.name = PairText("menu item name");
    } else if (key == "key") {
      e.entry.commandKey = PairText("command key");
    } else if (key == "index") {
      e.entry.index = SignedNumber("menu index");
    } else if (key == "class") {
      e.cls = ClassRef("menu item class");
    } else if (key == "kind") {
      e.entry.kind = SignedNumber("menu entry kind");
    } else if (key == "text2") {
      e.entry.text2 = PairText("second text");
    } else if (key == "text3") {
      e.entry.text3 = PairText("third text");
    } else if (key == "flag") {
      e.entry.flag = true;
    } else {
      throw LineError{"unknown menu field '" + key +
                      "' (name, key, index, class, kind, text2, text3 or flag)"};
    }
  }

  void ClassStatement(const std::string& keyword) {
    DescClass& c = d_.classes.back();
    if (keyword == "size") {
      c.size = Number("instance size");
    } else if (keyword == "name") {
      c.name = Text("class name");
    } else if (keyword == "super") {
      if (More() && !tokens_[next_].quoted && tokens_[next_].text == "none") {
        ++next_;
        c.super = Value(DescValue::kZero);
      } else {
        c.super = ClassRef("superclass");
      }
    } else if (keyword == "routines") {
      c.routines = true;
      c.construct = Code("construct routine");
      c.destruct = Code("destruct routine");
    } else if (keyword == "interface") {
      c.isInterface = true;
    } else if (keyword == "implements") {
      if (!More()) throw LineError{"implements needs at least one class"};
      while (More()) c.interfaces.push_back(ClassRef("interface"));
    } else if (keyword == "method") {
      MethodStatement(c);
    } else if (keyword == "hook") {
      DescClass::Hook h;
      h.name = Text("hook name");
      h.code = Code("hook code");
      h.event = Number("event number");
      c.hooks.push_back(std::move(h));
    } else if (keyword == "event") {
      DescClass::Event e;
      e.name = Text("event name");
      e.number = Number("event number");
      c.events.push_back(std::move(e));
    } else if (keyword == "property") {
      DescClass::Property p;
      p.name = Text("property name");
      p.type = PropertyType();
      p.offset = Number("storage offset");
      if (More()) p.attributes = Number("attribute word");
      c.properties.push_back(std::move(p));
    } else if (keyword == "vtable") {
      while (More()) c.vtable.push_back(Code("method table entry"));
    } else if (keyword == "end") {
      block_ = Block::kNone;
    } else {
      throw LineError{"unknown class statement '" + keyword + "'"};
    }
    Done();
  }

  void MethodStatement(DescClass& c) {
    DescMethod m;
    m.name = Text("method name");
    while (More()) {
      const std::string key = Word("method field");
      if (key == "params") {
        m.params = Text("parameter declaration");
      } else if (key == "returns") {
        m.returns = Text("return type");
      } else if (key == "code") {
        m.code = Code("method code");
      } else if (key == "flags") {
        m.flags = Number("method flags");
      } else {
        throw LineError{"unknown method field '" + key + "' (params, returns, code or flags)"};
      }
    }
    c.methods.push_back(std::move(m));
  }

  uint32_t PropertyType() {
    static const std::map<std::string, uint32_t> kTypes = {
        {"string", 1}, {"integer", 2}, {"color", 3}, {"single", 4}, {"double", 5}, {"boolean", 6}};
    if (More() && !tokens_[next_].quoted && !LooksNumeric(tokens_[next_])) {
      const std::string& name = tokens_[next_++].text;
      auto it = kTypes.find(Lower(name));
      if (it == kTypes.end()) throw LineError{"unknown property type '" + name + "'"};
      return it->second;
    }
    return Number("property type");
  }

  Description d_;
  std::vector<std::string> errors_;
  std::vector<Token> tokens_;
  size_t next_ = 0;
  int line_ = 0;
  Block block_ = Block::kNone;
  int blockLine_ = 0;
  // The open menus of the menu bar being read, outermost first. Entries of
  // closed menus may move; the open ones do not, as only the innermost
  // open entry's children grow.
  std::vector<DescMenuEntry*> menuPath_;
};

}  // namespace

Description ParseDescription(std::string_view text, const std::string& file) {
  return Parser(file).Run(text);
}

std::vector<uint8_t> SettingsStream(const DescSettings& settings) {
  std::vector<uint8_t> out;
  AppendNumber(out, int32_t(settings.messages.size()));
  for (const std::string& m : settings.messages) AppendString(out, m);
  AppendFlag(out, settings.multipleDocument);
  AppendString(out, settings.title);
  if (!settings.fileTypes.empty()) {
    AppendNumber(out, int32_t(settings.fileTypes.size()));
    for (const DescFileType& type : settings.fileTypes) {
      AppendString(out, type.name);
      AppendString(out, type.extensions);
      AppendString(out, type.macType);
    }
  }
  return out;
}

}  // namespace tess::imagetool
