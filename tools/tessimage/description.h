// Description files: what the builder lays out in the data segment besides
// the objects' own data. A description is turned into one more relocatable
// object (a .data section, its symbols and R_386_32 relocations) that goes
// through the linker like any other, so objects may refer to what it defines
// and it may refer to what objects define.
//
// Format: one statement per line; words separated by blanks; '#' starts a
// comment outside quotes. Quoted text takes the escapes \\ \" \n \r \t \0 and
// \xHH (two hex digits); adjacent quoted pieces of a string are joined.
// Numbers are decimal or 0x hex, optionally negative, and must fit 32 bits.
//
//   string NAME "text"... [encoding N]   string constant; NAME is a global
//                                        symbol naming its 20-byte object
//   slot NAME                            a global 4-byte zero variable
//   descriptor                           emit the descriptor even when the
//                                        file declares no class and no item
//   framework NAME                       class record kind 1 (by name)
//   class NAME ... end                   class record kind 0; statements:
//     size N | name TEXT | super CLASS | routines CODE CODE | interface |
//     implements CLASS... | method TEXT [params TEXT] [returns TEXT]
//     [code CODE] [flags N] | hook TEXT CODE EVENT | event TEXT NUMBER |
//     property TEXT TYPE OFFSET [ATTRIBUTES] | vtable CODE...
//   item settings ... end                project item kind 4; statements:
//     message "text" | multiple-document yes|no | title "text" |
//     filetype "name" EXT;EXT [TYPE]  (the application's file types)
//   item object CLASS SLOT               project item kind 5
//   item menubar ... end                 project item kind 2: u32 kind 2,
//                                        u32 byte count, the menu record
//   item empty                           item address 0
//   item raw KIND WORD...                any kind followed by the words
//   item file KIND PATH                  u32 KIND, u32 byte count, the
//                                        file's bytes (a sound, a movie);
//                                        PATH relative to the description
//   window SYMBOL CLASS ... end          a window layout block (u32 byte
//                                        count, then the layout record)
//                                        under the global data symbol
//                                        SYMBOL, for RuntimeCreateWindow
//
// Window statements, in stored order:
//   set NAME VALUE                       a window property pair
//   control CLASS [NAME [INDEX]] ... end a control; NAME starts its pairs
//                                        with "Name" NAME and "Index" INDEX
//                                        (-2147483648 without INDEX: not in
//                                        a control array); statements:
//     set NAME VALUE                     a control property pair
//     at LEFT TOP WIDTH HEIGHT           the pairs Left, Top, Width, Height
//     rows TEXT...                       a popup menu's rows: the pair
//                                        InitialValue, the texts one a line
//     tabs TEXT...                       a tab panel's captions: the pair
//                                        TabDefinition, one a line
//     page N                             the pair TabPanelIndex N: the page
//                                        of its tab or page panel
//     ends X1 Y1 X2 Y2                   a Line's end points: the pairs X1,
//                                        Y1, X2, Y2 (window coordinates)
//     font FACE SIZE [bold] [italic] [underline]
//                                        the pairs TextFont, TextSize and
//                                        True for each style named
//   bind SOURCE PART DEST PART BINDER [TEXT [TEXT]]
//                                        a binding; SOURCE and DEST are a
//                                        control's key (its Name, or Name$
//                                        Index for a control array member)
//                                        or its position (0 = the first
//                                        control stored); PART is a bound
//                                        part name or - for the control
//                                        itself; BINDER is a CLASS
// In window and menu bar statements NAME, VALUE and TEXT go into the record
// itself: "quoted text" or a bare word taken as written (- is the empty text
// only for a binding's PART and TEXT). A container is not named: the
// runtime nests a control in the last earlier container whose rectangle
// encloses it, so containers come first.
//
// Menu bar statements (an entry's children follow it; `end` closes each
// menu and submenu, then the item):
//   menu TEXT [FIELD...] ... end         a top-level menu
//   entry TEXT [FIELD...]                an item
//   separator                            an item with the text "-"
//   submenu TEXT [FIELD...] ... end      an item with a submenu
// FIELD is one of: name TEXT, key TEXT (command key), index N (menu array;
// default -2147483648), class CLASS (default: the class labelled MenuItem),
// kind N (0 ordinary, 1 a menu that makes no menu, 2 a placeholder), text2
// TEXT, text3 TEXT, flag (sets the entry's first flag). Menus nest at most
// 16 levels, the top-level menus being level 1.
//
// TEXT is "quoted text" or a bare word (a pooled string constant), @NAME (a
// declared string constant) or - (address 0). CODE is a global symbol of the
// objects' code, or 0. CLASS is a class NAME of this file or a number (a raw
// index; super defaults to none = -1). TYPE is a number or one of string,
// integer, color, single, double, boolean. A raw WORD is a number, a symbol,
// "quoted text" or @NAME. Classes take indices in declaration order
// (framework and class statements together); items keep their order.
//
// Laid out in one data section, in this order: the descriptor (under the
// descriptor symbol, normally TessApplication), the class records, the item
// records, the window layouts, the slots, the embedded plug-in list (nodes
// {next, u32 length, 4 zero bytes, u8 name length, name, library}, laid out
// last plug-in first because the runtime installs them in reverse, under
// TessPlugins), the named strings, the pooled strings. Every error
// names FILE:LINE. Reading reports all faults of the text together; only a
// text without them goes on to name resolution, which does the same.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "builder.h"
#include "ui/layout_record.h"
#include "ui/menu_record.h"

namespace tess::imagetool {

// One word of a record, as written in the file.
struct DescValue {
  enum Kind : uint8_t { kZero, kNumber, kSymbol, kText, kNamedString } kind = kZero;
  uint32_t number = 0;
  std::string text;  // symbol name, text bytes, or string constant name
  int line = 0;
};

struct DescString {
  std::string name;
  std::string bytes;
  uint32_t encoding = 0;  // resolved: explicit, or chosen from the bytes
  int line = 0;
};

struct DescMethod {
  DescValue name, params, returns, code;
  uint32_t flags = 0;
};

struct DescClass {
  std::string label;
  int line = 0;
  bool framework = false;
  uint32_t size = 16;
  DescValue name;
  DescValue super;  // kZero: none (-1)
  bool routines = false;
  DescValue construct, destruct;
  bool isInterface = false;
  std::vector<DescValue> interfaces;
  std::vector<DescMethod> methods;
  struct Hook {
    DescValue name, code;
    uint32_t event = 0;
  };
  std::vector<Hook> hooks;
  struct Event {
    DescValue name;
    uint32_t number = 0;
  };
  std::vector<Event> events;
  struct Property {
    DescValue name;
    uint32_t type = 0, offset = 0, attributes = 0;
  };
  std::vector<Property> properties;
  std::vector<DescValue> vtable;
};

struct DescFileType {
  std::string name, extensions, macType;
};

struct DescSettings {
  std::vector<std::string> messages;
  bool multipleDocument = false;
  std::string title;
  std::vector<DescFileType> fileTypes;
};

struct DescControl {
  DescValue cls;
  int line = 0;
  std::vector<ui::PropertyPair> pairs;
};

// A control named by a binding: its key, or its position when `key` is empty.
struct DescControlRef {
  std::string key;
  uint32_t position = 0;
};

struct DescBinding {
  int line = 0;
  DescControlRef source, destination;
  std::string sourcePart, destinationPart;
  DescValue binder;
  std::string text1, text2;
};

struct DescWindow {
  std::string symbol;
  DescValue cls;
  int line = 0;
  std::vector<ui::PropertyPair> pairs;
  std::vector<DescControl> controls;
  std::vector<DescBinding> bindings;
};

struct DescMenuEntry {
  int line = 0;
  ui::MenuEntry entry;  // everything but the class and the children
  DescValue cls;        // kZero: the class labelled MenuItem
  std::vector<DescMenuEntry> children;
};

struct DescItem {
  enum Kind : uint8_t { kEmpty, kSettings, kObject, kRaw, kMenuBar, kFile } kind = kEmpty;
  int line = 0;
  DescSettings settings;
  std::vector<DescMenuEntry> menus;
  DescValue objectClass, slot;
  uint32_t rawKind = 0;
  std::vector<DescValue> words;
  std::vector<uint8_t> bytes;  // of an item file
};

// A plug-in library embedded in the plug-in list (tessimage --plugin).
struct DescPlugin {
  std::string name;  // the file name it is installed under
  std::vector<uint8_t> bytes;
};

// The global data symbol of the embedded plug-in list, which the image
// hands to Win32InstallPlugins before RuntimeInit.
inline constexpr char kPluginListSymbol[] = "TessPlugins";

struct Description {
  std::string file;
  bool descriptor = false;  // set by "descriptor", any class or any item
  int descriptorLine = 0;   // the first statement that asked for it
  std::vector<DescString> strings;
  std::vector<std::pair<std::string, int>> slots;
  std::vector<DescClass> classes;
  std::vector<DescItem> items;
  std::vector<DescWindow> windows;
  std::vector<DescPlugin> plugins;  // installed in this order
};

inline constexpr uint32_t kMaxSettingsMessages = 12;

// Throws BuildError with every "FILE:LINE: ..." problem of the text.
Description ParseDescription(std::string_view text, const std::string& file);

// The settings item's stream: Number count, the Strings, Flag, String title;
// then, when there are file types, Number count and for each String name,
// String extensions (";" between), String four-character type.
std::vector<uint8_t> SettingsStream(const DescSettings& settings);

// The description as an object named after its file. Every symbol it names
// must be defined globally by `objects` (or by the description), code fields
// must name code, and nothing it defines may be defined by `objects`;
// violations throw BuildError with FILE:LINE messages.
ObjectFile DescriptionObject(const Description& description, const std::vector<ObjectFile>& objects,
                             const std::string& descriptorSymbol);

}  // namespace tess::imagetool
