/* FolderItem and the streams from compiled code: members bound by name
   through deferred references, the rest through the link table. A folder
   next to the image gets a text file and a binary file, found again under
   another letter case; a second writer is refused; everything is removed
   and every reference given back by the end. A URL goes to the opener,
   recorded on standard error without a display. */
#include "../../image/e2e/startup/say.h"

extern TessObject* ItemChild(TessObject* item, TessString* name)
    TESS_LINK_NAME("!MFolderItem.Child");
extern int32_t ItemExists(TessObject* item, uint32_t parameter)
    TESS_LINK_NAME("!GFolderItem.Exists");
extern int32_t ItemDirectory(TessObject* item, uint32_t parameter)
    TESS_LINK_NAME("!GFolderItem.Directory");
extern int32_t ItemLength(TessObject* item, uint32_t parameter)
    TESS_LINK_NAME("!GFolderItem.Length");
extern int32_t ItemCount(TessObject* item, uint32_t parameter) TESS_LINK_NAME("!GFolderItem.Count");
extern int32_t ItemLastError(TessObject* item, uint32_t offset)
    TESS_LINK_NAME("!GFolderItem.LastErrorCode");
extern TessString* ItemName(TessObject* item, uint32_t parameter)
    TESS_LINK_NAME("!GFolderItem.Name");
extern void ItemCreateAsFolder(TessObject* item) TESS_LINK_NAME("!MFolderItem.CreateAsFolder");
extern void ItemDelete(TessObject* item) TESS_LINK_NAME("!MFolderItem.Delete");
extern TessObject* ItemCreateText(TessObject* item) TESS_LINK_NAME("!MFolderItem.CreateTextFile");
extern TessObject* ItemOpenText(TessObject* item) TESS_LINK_NAME("!MFolderItem.OpenAsTextFile");
extern TessObject* ItemCreateBinary(TessObject* item, TessString* type)
    TESS_LINK_NAME("!MFolderItem.CreateBinaryFile");
extern TessObject* ItemOpenBinary(TessObject* item, int32_t readWrite)
    TESS_LINK_NAME("!MFolderItem.OpenAsBinaryFile");
extern void OutWriteLine(TessObject* out, TessString* line)
    TESS_LINK_NAME("!MTextOutputStream.WriteLine");
extern void OutSetDelimiter(TessObject* out, uint32_t offset, TessString* delimiter)
    TESS_LINK_NAME("!STextOutputStream.Delimiter");
extern void OutClose(TessObject* out) TESS_LINK_NAME("!MTextOutputStream.Close");
extern TessString* InReadLine(TessObject* in) TESS_LINK_NAME("!MTextInputStream.ReadLine");
extern int32_t InEOF(TessObject* in, uint32_t parameter) TESS_LINK_NAME("!GTextInputStream.EOF");
extern void BinSetLittleEndian(TessObject* b, uint32_t offset, int32_t value)
    TESS_LINK_NAME("!SBinaryStream.LittleEndian");
extern void BinWriteShort(TessObject* b, int32_t value) TESS_LINK_NAME("!MBinaryStream.WriteShort");
extern void BinWriteLong(TessObject* b, int32_t value) TESS_LINK_NAME("!MBinaryStream.WriteLong");
extern void BinWriteDouble(TessObject* b, double value)
    TESS_LINK_NAME("!MBinaryStream.WriteDouble");
extern int32_t BinReadShort(TessObject* b) TESS_LINK_NAME("!MBinaryStream.ReadShort");
extern int32_t BinReadLong(TessObject* b) TESS_LINK_NAME("!MBinaryStream.ReadLong");
extern double BinReadDouble(TessObject* b) TESS_LINK_NAME("!MBinaryStream.ReadDouble");
extern void BinSetPosition(TessObject* b, uint32_t parameter, int32_t position)
    TESS_LINK_NAME("!SBinaryStream.Position");
extern int32_t BinEOF(TessObject* b, uint32_t parameter) TESS_LINK_NAME("!GBinaryStream.EOF");
extern void BinClose(TessObject* b) TESS_LINK_NAME("!MBinaryStream.Close");

extern TessString kFolder, kNotes, kNotesOtherCase, kBadName, kFirst, kSecond, kLF, kData, kURL;

enum { kLastErrorOffset = 20, kDelimiterOffset = 20, kLittleEndianOffset = 20 };

static void check(const char* what, int ok) {
  host_write(1, what, host_strlen(what));
  host_write(1, ok ? ": ok\n" : ": WRONG\n", ok ? 5 : 8);
}

static int equals(TessString* s, const char* text) {
  const char* got = StringToCString(s);
  unsigned long i = 0;
  for (; got[i] && text[i]; ++i) {
    if (got[i] != text[i]) return 0;
  }
  return got[i] == text[i];
}

static int line_is(TessObject* in, const char* text) {
  TessString* line = InReadLine(in);
  int ok = equals(line, text);
  RuntimeUnlockString(line);
  return ok;
}

void TessMain(void) {
  TessObject *folder, *notes, *again, *out, *in, *rival, *refused, *data, *bin, *bad, *temp;
  int32_t objects;
  RuntimeInit(TessApplication);
  objects = RuntimeDebugObjectCount(0);

  temp = getTemporaryItemsFolder();
  check("temporary folder", temp && ItemDirectory(temp, 0));
  RuntimeUnlockObject(temp);

  folder = RuntimeGetFolderItem(&kFolder);
  ItemCreateAsFolder(folder);
  check("folder made next to the image", ItemDirectory(folder, 0));

  notes = ItemChild(folder, &kNotes);
  out = ItemCreateText(notes);
  OutWriteLine(out, &kFirst);
  OutSetDelimiter(out, kDelimiterOffset, &kLF);
  OutWriteLine(out, &kSecond);
  OutClose(out);
  RuntimeUnlockObject(out);

  again = RuntimeGetFolderItem(&kNotesOtherCase);
  check("found under another case", ItemExists(again, 0));
  check("CR LF, then the delimiter", ItemLength(again, 0) == 14);
  in = ItemOpenText(again);
  check("first line", line_is(in, "first"));
  check("second line", line_is(in, "second"));
  check("then EOF", InEOF(in, 0));
  RuntimeUnlockObject(in);

  rival = ItemCreateText(notes);
  refused = ItemCreateText(again);
  check("a second writer is refused", refused == 0 && ItemLastError(again, kLastErrorOffset) == 32);
  OutClose(rival);
  RuntimeUnlockObject(rival);

  data = ItemChild(folder, &kData);
  bin = ItemCreateBinary(data, &kData);
  BinSetLittleEndian(bin, kLittleEndianOffset, 1);
  BinWriteShort(bin, 1);
  BinWriteLong(bin, -2);
  BinSetLittleEndian(bin, kLittleEndianOffset, 0);
  BinWriteDouble(bin, 2.5);
  BinClose(bin);
  RuntimeUnlockObject(bin);
  bin = ItemOpenBinary(data, 0);
  check("little-endian 1 read big-endian", BinReadShort(bin) == 256);
  BinSetPosition(bin, 0, 2);
  check("little-endian -2 read big-endian", BinReadLong(bin) == -16777217);
  check("double through the x87 stack", BinReadDouble(bin) == 2.5);
  check("binary EOF", BinEOF(bin, 0));
  BinClose(bin);
  RuntimeUnlockObject(bin);
  check("two entries", ItemCount(folder, 0) == 2);

  bad = RuntimeGetFolderItem(&kBadName);
  check("a bad name makes no item", bad == 0);

  ItemDelete(folder);
  check("a full folder stays", ItemLastError(folder, kLastErrorOffset) == 145);
  ItemDelete(data);
  ItemDelete(again);
  ItemDelete(folder);
  check("all removed", !ItemExists(folder, 0) && ItemLastError(folder, kLastErrorOffset) == 0);

  RuntimeShowURL(&kURL);

  RuntimeUnlockObject(data);
  RuntimeUnlockObject(again);
  RuntimeUnlockObject(notes);
  RuntimeUnlockObject(folder);
  check("objects given back", RuntimeDebugObjectCount(0) == objects);
}
