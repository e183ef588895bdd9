// Lays a Description out as an ELF32 relocatable object with one .data
// section. Addresses inside the section are R_386_32 relocations against the
// section symbol (the addend sits in the word, as i386 REL requires);
// addresses of the objects' symbols are relocations against undefined global
// symbols. The linker then turns each into a data or code fix-up.
//
// Names are checked here, before linking, so that every fault is reported as
// FILE:LINE of the description rather than as an offset in a made-up object.
#include <elf.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "base/byte_order.h"
#include "description.h"
#include "elf32.h"
#include "error.h"
#include "image/format.h"
#include "ui_records.h"

namespace tess::imagetool {
namespace {

constexpr uint32_t kSectionSymbol = 1;
constexpr uint64_t kMaxDescribedData = uint64_t(64) << 20;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

enum class SymbolKind : uint8_t { kCode, kData, kOther };

// The global symbols the objects define, and where.
std::map<std::string, SymbolKind> ObjectGlobals(const std::vector<ObjectFile>& objects) {
  std::map<std::string, SymbolKind> globals;
  for (const ObjectFile& f : objects) {
    const ElfFile elf(f.name, f.bytes);
    for (const ElfSymbol& sym : elf.symbols()) {
      if (sym.bind == STB_LOCAL || sym.shndx == SHN_UNDEF || sym.name.empty()) continue;
      SymbolKind kind = SymbolKind::kOther;
      if (sym.shndx == SHN_COMMON) {
        kind = SymbolKind::kData;
      } else if (sym.shndx < elf.sections().size()) {
        const ElfSection& sec = elf.section(sym.shndx);
        if (sec.flags & SHF_ALLOC) {
          kind = sec.flags & SHF_EXECINSTR ? SymbolKind::kCode : SymbolKind::kData;
        }
      }
      auto [it, added] = globals.try_emplace(sym.name, kind);
      if (!added && it->second == SymbolKind::kOther) it->second = kind;
    }
  }
  return globals;
}

class Emitter {
 public:
  Emitter(const Description& d, const std::vector<ObjectFile>& objects,
          const std::string& descriptorSymbol)
      : d_(d), objectGlobals_(ObjectGlobals(objects)), descriptorSymbol_(descriptorSymbol) {}

  ObjectFile Run() {
    DefineNames();
    const uint32_t descriptor = d_.descriptor ? EmitDescriptorHead() : 0;
    std::vector<uint32_t> records;
    for (const DescClass& c : d_.classes) records.push_back(EmitClass(c));
    for (const DescItem& item : d_.items) records.push_back(EmitItem(item));
    if (d_.descriptor) {
      uint32_t at = descriptor + 4;
      for (size_t i = 0; i < records.size(); ++i, at += 4) {
        if (i == d_.classes.size()) at += 4;  // the item count
        if (records[i] != kNoRecord) AddressAt(at, records[i]);
      }
    }
    for (const DescWindow& w : d_.windows) EmitWindow(w);
    for (const auto& [name, line] : d_.slots) {
      Define(name, Here(), 4);
      Word(0);
    }
    EmitPluginList();
    for (const DescString& s : d_.strings) {
      const uint32_t object = EmitString(s.bytes, s.encoding);
      Define(s.name, object, image::kStringConstantSize);
      namedStrings_[s.name] = object;
    }
    for (const Pending& p : pendingStrings_) {
      AddressAt(p.at, p.named ? namedStrings_.at(p.key.first) : PooledString(p.key));
    }
    for (const auto& [at, name] : pendingLocal_) {
      for (const Defined& def : defined_) {
        if (def.name == name) AddressAt(at, def.offset);
      }
    }
    if (!errors_.empty()) throw BuildError(errors_);
    if (data_.size() > kMaxDescribedData) throw Error(d_.file + ": data too large");
    return {d_.file, WriteElf()};
  }

 private:
  static constexpr uint32_t kNoRecord = UINT32_MAX;
  using TextKey = std::pair<std::string, uint32_t>;  // bytes, encoding
  struct Pending {
    uint32_t at;
    bool named;
    TextKey key;
  };
  struct Defined {
    std::string name;
    uint32_t offset, size;
  };
  struct Relocation {
    uint32_t offset;
    uint32_t symbol;
  };

  void Fail(int line, const std::string& text) {
    errors_.push_back(d_.file + ":" + std::to_string(line) + ": " + text);
  }

  // Every name the description defines, checked against each other and the
  // objects; class labels get their indices.
  void DefineNames() {
    std::map<std::string, int> seen;
    auto claim = [&](const std::string& name, int line) {
      if (objectGlobals_.count(name)) {
        Fail(line, "'" + name + "' is already defined by an object");
      } else if (auto [it, added] = seen.try_emplace(name, line); !added) {
        Fail(line, "'" + name + "' is already defined on line " + std::to_string(it->second));
      }
    };
    if (d_.descriptor) {
      claim(descriptorSymbol_, d_.descriptorLine);
      localSymbols_.insert(descriptorSymbol_);
    }
    if (!d_.plugins.empty()) {
      claim(kPluginListSymbol, 0);
      localSymbols_.insert(kPluginListSymbol);
    }
    std::vector<std::pair<int, std::string>> names;
    for (const auto& [name, line] : d_.slots) names.emplace_back(line, name);
    for (const DescWindow& w : d_.windows) names.emplace_back(w.line, w.symbol);
    for (const DescString& s : d_.strings) {
      names.emplace_back(s.line, s.name);
      namedStrings_.emplace(s.name, 0);
    }
    std::sort(names.begin(), names.end());
    for (const auto& [line, name] : names) {
      claim(name, line);
      localSymbols_.insert(name);
    }
    for (size_t i = 0; i < d_.classes.size(); ++i) {
      const DescClass& c = d_.classes[i];
      auto [it, added] = classes_.try_emplace(Lower(c.label), uint32_t(i));
      if (!added) {
        Fail(c.line, "class '" + c.label + "' is already declared on line " +
                         std::to_string(d_.classes[it->second].line));
      }
    }
  }

  uint32_t Here() const { return uint32_t(data_.size()); }

  void EmitPluginList() {
    uint32_t previousNext = kNoRecord;
    for (auto it = d_.plugins.rbegin(); it != d_.plugins.rend(); ++it) {
      if (it->name.empty() || it->name.size() > 255) {
        Fail(0, "plug-in file name '" + it->name + "' must have 1 to 255 bytes");
        continue;
      }
      const uint32_t node = Here();
      if (previousNext == kNoRecord) {
        Define(kPluginListSymbol, node, 8);
      } else {
        AddressAt(previousNext, node);
      }
      previousNext = node;
      Word(0);
      Word(uint32_t(5 + it->name.size() + it->bytes.size()));
      Word(0);
      data_.push_back(uint8_t(it->name.size()));
      data_.insert(data_.end(), it->name.begin(), it->name.end());
      data_.insert(data_.end(), it->bytes.begin(), it->bytes.end());
      data_.resize((data_.size() + 3) & ~size_t(3), 0);
    }
  }

  void Word(uint32_t v) {
    const size_t at = data_.size();
    data_.resize(at + 4);
    put_le32(&data_[at], v);
  }

  void Define(const std::string& name, uint32_t offset, uint32_t size) {
    defined_.push_back({name, offset, size});
  }

  // The word at `at` holds the address of section offset `target`.
  void AddressAt(uint32_t at, uint32_t target) {
    put_le32(&data_[at], target);
    relocations_.push_back({at, kSectionSymbol});
  }

  uint32_t EmitDescriptorHead() {
    Define(descriptorSymbol_, Here(), uint32_t(8 + 4 * (d_.classes.size() + d_.items.size())));
    const uint32_t at = Here();
    Word(uint32_t(d_.classes.size()));
    for (size_t i = 0; i < d_.classes.size(); ++i) Word(0);
    Word(uint32_t(d_.items.size()));
    for (size_t i = 0; i < d_.items.size(); ++i) Word(0);
    return at;
  }

  // A word naming a symbol; `want` is the kind of symbol the field needs.
  void SymbolWord(const DescValue& v, SymbolKind want, const char* what) {
    const uint32_t at = Here();
    Word(0);
    if (localSymbols_.count(v.text)) {
      if (want == SymbolKind::kCode) {
        Fail(v.line, std::string(what) + " '" + v.text + "' is data of this description, not code");
      }
      pendingLocal_.push_back({at, v.text});
      return;
    }
    auto it = objectGlobals_.find(v.text);
    if (it == objectGlobals_.end()) {
      Fail(v.line, "unknown symbol '" + v.text + "' (" + what +
                       "): no object defines it as a global symbol");
      return;
    }
    if (want != SymbolKind::kOther && it->second != want) {
      const char* is = it->second == SymbolKind::kCode   ? "code"
                       : it->second == SymbolKind::kData ? "data"
                                                         : "neither code nor data";
      Fail(v.line, std::string(what) + " '" + v.text + "' is " + is + ", expected " +
                       (want == SymbolKind::kCode ? "code" : "data"));
    }
    auto [ext, added] = externs_.try_emplace(v.text, uint32_t(externs_.size()));
    relocations_.push_back({at, kExternBase + ext->second});
  }

  void Value(const DescValue& v, SymbolKind want, const char* what) {
    switch (v.kind) {
      case DescValue::kZero:
        Word(0);
        break;
      case DescValue::kNumber:
        Word(v.number);
        break;
      case DescValue::kSymbol:
        SymbolWord(v, want, what);
        break;
      case DescValue::kText:
        pendingStrings_.push_back({Here(), false, {v.text, Encoding(v.text)}});
        Word(0);
        break;
      case DescValue::kNamedString:
        if (!namedStrings_.count(v.text)) {
          Fail(v.line, "unknown string constant '@" + v.text + "'");
        } else {
          pendingStrings_.push_back({Here(), true, {v.text, 0}});
        }
        Word(0);
        break;
    }
  }

  void Text(const DescValue& v) { Value(v, SymbolKind::kData, "string"); }
  void Code(const DescValue& v, const char* what) { Value(v, SymbolKind::kCode, what); }

  static uint32_t Encoding(const std::string& bytes) {
    const bool ascii =
        std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
    return ascii ? image::kEncodingAscii : image::kEncodingUnknown;
  }

  void ClassIndex(const DescValue& v, const char* what) { Word(ClassNumber(v, what)); }

  // A class reference as its index; none is -1, an unknown class 0 (reported).
  uint32_t ClassNumber(const DescValue& v, const char* what) {
    if (v.kind == DescValue::kZero) return UINT32_MAX;
    if (v.kind == DescValue::kNumber) return v.number;
    auto it = classes_.find(Lower(v.text));
    if (it == classes_.end()) {
      Fail(v.line, "unknown class '" + v.text + "' (" + what + ")");
      return 0;
    }
    return it->second;
  }

  // A record block: u32 byte count, the bytes, zeros to a multiple of 4.
  void Block(const std::vector<uint8_t>& record) {
    Word(uint32_t(record.size()));
    data_.insert(data_.end(), record.begin(), record.end());
    data_.resize((data_.size() + 3) & ~size_t(3), 0);
  }

  ui::WindowLayout ResolveWindow(const DescWindow& w) {
    ui::WindowLayout layout;
    layout.windowClass = int32_t(ClassNumber(w.cls, "window class"));
    layout.pairs = w.pairs;
    for (const DescControl& c : w.controls) {
      layout.controls.push_back({int32_t(ClassNumber(c.cls, "control class")), c.pairs});
    }
    for (const DescBinding& b : w.bindings) {
      layout.bindings.push_back({ControlPosition(w, b.source, b.line), b.sourcePart,
                                 ControlPosition(w, b.destination, b.line), b.destinationPart,
                                 int32_t(ClassNumber(b.binder, "binder class")), b.text1, b.text2});
    }
    return layout;
  }

  // A control's position in stored order, from its key as the runtime's
  // control list makes it: Name, or Name$Index for a control array member.
  int32_t ControlPosition(const DescWindow& w, const DescControlRef& ref, int line) {
    if (ref.key.empty()) {
      if (ref.position >= w.controls.size()) {
        Fail(line, "control position " + std::to_string(ref.position) + " is past the " +
                       std::to_string(w.controls.size()) + " controls of window " + w.symbol);
      }
      return int32_t(ref.position);
    }
    std::vector<int32_t> found;
    for (size_t i = 0; i < w.controls.size(); ++i) {
      const std::string* name = ui::FindPair(w.controls[i].pairs, "Name");
      const std::string* index = ui::FindPair(w.controls[i].pairs, "Index");
      if (!name) continue;
      std::string key = *name;
      if (index && *index != std::to_string(ui::kNoArrayIndex)) key += "$" + *index;
      if (Lower(key) == Lower(ref.key)) found.push_back(int32_t(i));
    }
    if (found.size() == 1) return found[0];
    Fail(line, "control '" + ref.key + "' " +
                   (found.empty() ? "is not a control of window " + w.symbol
                                  : "names " + std::to_string(found.size()) + " controls"));
    return 0;
  }

  std::vector<ui::MenuEntry> ResolveMenus(const std::vector<DescMenuEntry>& entries) {
    std::vector<ui::MenuEntry> out;
    for (const DescMenuEntry& e : entries) {
      ui::MenuEntry entry = e.entry;
      if (e.cls.kind != DescValue::kZero) {
        entry.classIndex = int32_t(ClassNumber(e.cls, "menu item class"));
      } else if (auto it = classes_.find("menuitem"); it != classes_.end()) {
        entry.classIndex = int32_t(it->second);
      } else {
        Fail(e.line, "menu entry \"" + entry.text +
                         "\" needs a class: give it one or declare the class MenuItem");
      }
      entry.children = ResolveMenus(e.children);
      out.push_back(std::move(entry));
    }
    return out;
  }

  void EmitWindow(const DescWindow& w) {
    Define(w.symbol, Here(), 0);
    const std::vector<uint8_t> record = WindowLayoutRecord(ResolveWindow(w));
    defined_.back().size = uint32_t(4 + record.size());
    Block(record);
  }

  uint32_t EmitClass(const DescClass& c) {
    const uint32_t at = Here();
    if (c.framework) {
      Word(1);
      Text(c.name);
      return at;
    }
    Word(0);
    Word(c.size);
    Text(c.name);
    ClassIndex(c.super, "superclass");
    Word(c.routines ? 1 : 0);
    if (c.routines) {
      Code(c.construct, "construct routine");
      Code(c.destruct, "destruct routine");
    }
    Word(c.isInterface ? 1 : 0);
    Word(uint32_t(c.interfaces.size()));
    for (const DescValue& i : c.interfaces) ClassIndex(i, "interface");
    Word(uint32_t(c.methods.size()));
    for (const DescMethod& m : c.methods) {
      Text(m.name);
      Text(m.params);
      Text(m.returns);
      Code(m.code, "method code");
      Word(m.flags);
    }
    Word(uint32_t(c.hooks.size()));
    for (const DescClass::Hook& h : c.hooks) {
      Text(h.name);
      Code(h.code, "hook code");
      Word(h.event);
    }
    Word(uint32_t(c.events.size()));
    for (const DescClass::Event& e : c.events) {
      Text(e.name);
      Word(e.number);
    }
    Word(uint32_t(c.properties.size()));
    for (const DescClass::Property& p : c.properties) {
      Text(p.name);
      Word(p.type);
      Word(p.offset);
      Word(p.attributes);
    }
    Word(uint32_t(c.vtable.size()));
    for (const DescValue& v : c.vtable) Code(v, "method table entry");
    return at;
  }

  uint32_t EmitItem(const DescItem& item) {
    const uint32_t at = Here();
    switch (item.kind) {
      case DescItem::kEmpty:
        return kNoRecord;
      case DescItem::kSettings:
        Word(4);
        Block(SettingsStream(item.settings));
        break;
      case DescItem::kMenuBar:
        Word(2);
        Block(MenuBarRecord(ResolveMenus(item.menus)));
        break;
      case DescItem::kObject:
        Word(5);
        ClassIndex(item.objectClass, "item object");
        Value(item.slot, SymbolKind::kData, "slot");
        break;
      case DescItem::kRaw:
        Word(item.rawKind);
        for (const DescValue& w : item.words) Value(w, SymbolKind::kOther, "word");
        break;
      case DescItem::kFile:
        Word(item.rawKind);
        Block(item.bytes);
        break;
    }
    return at;
  }

  // Length byte, text, at least one zero padding to a multiple of 4, then
  // the 20-byte string object. Returns the object's offset.
  uint32_t EmitString(const std::string& bytes, uint32_t encoding) {
    const uint32_t text = Here();
    data_.push_back(uint8_t(std::min<size_t>(bytes.size(), 255)));
    data_.insert(data_.end(), bytes.begin(), bytes.end());
    data_.resize((data_.size() + 1 + 3) & ~size_t(3), 0);
    const uint32_t object = Here();
    Word(1);
    Word(0);
    AddressAt(object + 4, text);
    Word(uint32_t(bytes.size()));
    Word(uint32_t(bytes.size()));
    Word(encoding);
    return object;
  }

  uint32_t PooledString(const TextKey& key) {
    auto [it, added] = pool_.try_emplace(key, 0);
    if (added) it->second = EmitString(key.first, key.second);
    return it->second;
  }

  std::vector<uint8_t> WriteElf();

  static constexpr uint32_t kExternBase = 0x10000000;  // marks an extern's ordinal

  const Description& d_;
  const std::map<std::string, SymbolKind> objectGlobals_;
  const std::string descriptorSymbol_;
  std::set<std::string> localSymbols_;
  std::map<std::string, uint32_t> classes_;  // lower-case label -> index
  std::map<std::string, uint32_t> namedStrings_;
  std::map<TextKey, uint32_t> pool_;
  std::map<std::string, uint32_t> externs_;  // name -> ordinal
  std::vector<Pending> pendingStrings_;
  std::vector<std::pair<uint32_t, std::string>> pendingLocal_;
  std::vector<uint8_t> data_;
  std::vector<Defined> defined_;
  std::vector<Relocation> relocations_;
  std::vector<std::string> errors_;
};

std::vector<uint8_t> Emitter::WriteElf() {
  constexpr uint32_t kHeader = 52, kSectionHeader = 40, kSymbol = 16, kRel = 8;
  auto align4 = [](std::vector<uint8_t>& v) { v.resize((v.size() + 3) & ~size_t(3), 0); };
  auto append = [](std::vector<uint8_t>& v, auto... words) {
    for (uint32_t w : {uint32_t(words)...}) {
      const size_t at = v.size();
      v.resize(at + 4);
      put_le32(&v[at], w);
    }
  };
  std::vector<std::string> externNames(externs_.size());
  for (const auto& [name, ordinal] : externs_) externNames[ordinal] = name;

  std::vector<uint8_t> strtab(1, 0), symtab(2 * kSymbol, 0), rel;
  auto name = [&](const std::string& n) {
    const uint32_t at = uint32_t(strtab.size());
    strtab.insert(strtab.end(), n.begin(), n.end());
    strtab.push_back(0);
    return at;
  };
  auto symbol = [&](uint32_t nameAt, uint32_t value, uint32_t size, uint8_t info, uint16_t shndx) {
    const size_t at = symtab.size();
    symtab.resize(at + kSymbol, 0);
    put_le32(&symtab[at], nameAt);
    put_le32(&symtab[at + 4], value);
    put_le32(&symtab[at + 8], size);
    symtab[at + 12] = info;
    put_le16(&symtab[at + 14], shndx);
  };
  symtab[kSymbol + 12] = ELF32_ST_INFO(STB_LOCAL, STT_SECTION);
  put_le16(&symtab[kSymbol + 14], 1);
  for (const Defined& def : defined_) {
    symbol(name(def.name), def.offset, def.size, ELF32_ST_INFO(STB_GLOBAL, STT_OBJECT), 1);
  }
  for (const std::string& n : externNames) {
    symbol(name(n), 0, 0, ELF32_ST_INFO(STB_GLOBAL, STT_NOTYPE), SHN_UNDEF);
  }
  std::sort(relocations_.begin(), relocations_.end(),
            [](const Relocation& a, const Relocation& b) { return a.offset < b.offset; });
  for (const Relocation& r : relocations_) {
    const uint32_t sym = r.symbol >= kExternBase
                             ? uint32_t(2 + defined_.size() + (r.symbol - kExternBase))
                             : r.symbol;
    append(rel, r.offset, ELF32_R_INFO(sym, R_386_32));
  }
  const std::string shstrtab("\0.data\0.rel.data\0.symtab\0.strtab\0.shstrtab\0", 43);

  std::vector<uint8_t> out(kHeader, 0);
  const uint32_t dataAt = uint32_t(out.size());
  out.insert(out.end(), data_.begin(), data_.end());
  align4(out);
  const uint32_t relAt = uint32_t(out.size());
  out.insert(out.end(), rel.begin(), rel.end());
  const uint32_t symAt = uint32_t(out.size());
  out.insert(out.end(), symtab.begin(), symtab.end());
  const uint32_t strAt = uint32_t(out.size());
  out.insert(out.end(), strtab.begin(), strtab.end());
  const uint32_t shstrAt = uint32_t(out.size());
  out.insert(out.end(), shstrtab.begin(), shstrtab.end());
  align4(out);
  const uint32_t shoff = uint32_t(out.size());

  out[0] = ELFMAG0, out[1] = ELFMAG1, out[2] = ELFMAG2, out[3] = ELFMAG3;
  out[EI_CLASS] = ELFCLASS32, out[EI_DATA] = ELFDATA2LSB, out[EI_VERSION] = EV_CURRENT;
  put_le16(&out[16], ET_REL);
  put_le16(&out[18], EM_386);
  put_le32(&out[20], EV_CURRENT);
  put_le32(&out[32], shoff);
  put_le16(&out[40], kHeader);
  put_le16(&out[46], kSectionHeader);
  put_le16(&out[48], 6);
  put_le16(&out[50], 5);
  // name, type, flags, address, offset, size, link, info, align, entry size
  append(out, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  append(out, 1, SHT_PROGBITS, SHF_ALLOC | SHF_WRITE, 0, dataAt, data_.size(), 0, 0, 4, 0);
  append(out, 7, SHT_REL, 0, 0, relAt, rel.size(), 3, 1, 4, kRel);
  append(out, 17, SHT_SYMTAB, 0, 0, symAt, symtab.size(), 4, 2, 4, kSymbol);
  append(out, 25, SHT_STRTAB, 0, 0, strAt, strtab.size(), 0, 0, 1, 0);
  append(out, 33, SHT_STRTAB, 0, 0, shstrAt, shstrtab.size(), 0, 0, 1, 0);
  return out;
}

}  // namespace

ObjectFile DescriptionObject(const Description& description, const std::vector<ObjectFile>& objects,
                             const std::string& descriptorSymbol) {
  return Emitter(description, objects, descriptorSymbol).Run();
}

}  // namespace tess::imagetool
