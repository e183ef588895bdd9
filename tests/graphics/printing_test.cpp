// PrinterSetup: its setup string both ways and the strings it refuses, the
// page geometry it reports, resolutions; and the host printer's contexts:
// the settings it refuses, its device capabilities, and jobs that write a
// file only when they end well.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/printer_settings.h"
#include "platform/winspool/winspool.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "tessera/runtime.h"
#include "test_support.h"
#include "values/value_classes.h"

namespace tess::graphics {
namespace {

using namespace platform;
using test::RaisedBy;
using test::S;
using test::Take;
using test::Text;

TEST(SetupString, RoundTripsEverySetting) {
  PrintSettings s;
  std::snprintf(s.mode.dmDeviceName, sizeof s.mode.dmDeviceName, "%s", "Office;2=50%");
  s.mode.dmPaperSize = DMPAPER_USER;
  s.mode.dmPaperWidth = 1000;
  s.mode.dmPaperLength = 1500;
  s.mode.dmOrientation = DMORIENT_LANDSCAPE;
  s.mode.dmCopies = 3;
  s.mode.dmCollate = 0;
  s.mode.dmFromPage = 2;
  s.mode.dmToPage = 7;
  s.mode.dmPrintQuality = 150;
  s.mode.dmYResolution = 300;
  s.maxXRes = 150;
  s.maxYRes = 300;
  s.mode.dmMargin[0] = 100, s.mode.dmMargin[1] = 200, s.mode.dmMargin[2] = 300;
  s.mode.dmMargin[3] = 400;
  std::string text = FormatSetupString(s);
  EXPECT_EQ(text,
            "TESSPRINT 1;printer=Office%3B2%3D50%25;paper=0;width=1000;length=1500;"
            "orientation=2;copies=3;collate=0;from=2;to=7;xres=150;yres=300;maxxres=150;"
            "maxyres=300;margins=100,200,300,400");
  PrintSettings back;
  std::string error;
  ASSERT_TRUE(ParseSetupString(text, &back, &error)) << error;
  EXPECT_EQ(FormatSetupString(back), text);
  EXPECT_STREQ(back.mode.dmDeviceName, "Office;2=50%");
}

TEST(SetupString, MissingFieldsKeepTheDefaults) {
  PrintSettings s;
  std::string error;
  ASSERT_TRUE(ParseSetupString("TESSPRINT 1;copies=4", &s, &error)) << error;
  PrintSettings expected;
  expected.mode.dmCopies = 4;
  EXPECT_EQ(FormatSetupString(s), FormatSetupString(expected));
}

TEST(SetupString, RefusesWhatIsNotOneAndKeepsTheSettings) {
  const char* bad[] = {
      "",
      "TESSPRINT",
      "TESSPRINT 2;copies=1",
      "tessprint 1",
      "TESSPRINT 1;",
      "TESSPRINT 1;copies",
      "TESSPRINT 1;copies=1;copies=2",
      "TESSPRINT 1;colour=1",
      "TESSPRINT 1;copies=0",
      "TESSPRINT 1;copies=12x",
      "TESSPRINT 1;copies= 2",
      "TESSPRINT 1;copies=99999999999",
      "TESSPRINT 1;orientation=3",
      "TESSPRINT 1;paper=99",
      "TESSPRINT 1;paper=0;width=100;length=100",
      "TESSPRINT 1;paper=0;width=20000;length=2000",
      "TESSPRINT 1;xres=0",
      "TESSPRINT 1;yres=301",
      "TESSPRINT 1;maxxres=-1",
      "TESSPRINT 1;from=5;to=2",
      "TESSPRINT 1;margins=1,2,3",
      "TESSPRINT 1;margins=1,2,3,4,5",
      "TESSPRINT 1;margins=-1,0,0,0",
      "TESSPRINT 1;margins=5000,0,5000,0",
      "TESSPRINT 1;printer=%4",
      "TESSPRINT 1;printer=%zz",
      "TESSPRINT 1;printer=a%00b",
      "TESSPRINT 1;printer=a name far longer than thirty-two bytes",
  };
  for (const char* text : bad) {
    PrintSettings s;
    s.mode.dmCopies = 5;
    std::string error;
    EXPECT_FALSE(ParseSetupString(text, &s, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
    EXPECT_EQ(s.mode.dmCopies, 5) << text;
  }
}

class PrinterSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkAndValueClasses();
    InitGraphics();
    setup_ = ObjectRef::Adopt(CreateInstance(S("PrinterSetup").get()));
    ASSERT_TRUE(setup_.get());
  }
  int32_t Info(uint32_t which) { return printerSetupInfoGetter(setup_.get(), which); }
  std::string Stored() { return Text(Take(printerSetupStringGetter(setup_.get(), 0)).get()); }

  ObjectRef setup_;
};

TEST_F(PrinterSetupTest, ReportsThePageInPixelsAtItsResolution) {
  // Letter at 72 dpi with quarter-inch margins; then landscape A4 at 144 dpi
  // with one-inch margins.
  struct Case {
    const char* setup;
    int32_t pageLeft, pageTop, pageWidth, pageHeight, left, top, width, height, landscape;
  } cases[] = {
      {"TESSPRINT 1", -18, -18, 612, 792, 18, 18, 576, 756, 0},
      {"TESSPRINT 1;paper=9;orientation=2;xres=144;yres=144;margins=1000,1000,1000,1000", -144,
       -144, 1684, 1191, 144, 144, 1396, 903, 1},
  };
  for (const Case& c : cases) {
    printerSetupStringSetter(setup_.get(), 0, S(c.setup).get());
    int32_t got[] = {Info(0), Info(1), Info(2), Info(3), Info(4),
                     Info(5), Info(6), Info(7), Info(12)};
    int32_t want[] = {c.pageLeft, c.pageTop, c.pageWidth, c.pageHeight, c.left,
                      c.top,      c.width,   c.height,    c.landscape};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(got[i], want[i]) << c.setup << " info " << i;
  }
}

TEST_F(PrinterSetupTest, ResolutionsAreHeldToThePrinters) {
  printerSetupResSetter(setup_.get(), 8, 600);
  printerSetupResSetter(setup_.get(), 9, 0);
  EXPECT_EQ(Info(8), kPrinterMaxResolution);
  EXPECT_EQ(Info(9), 1);
  // -1 asks for the printer's best, which the job then prints at.
  printerSetupMaxResSetter(setup_.get(), 10, -1);
  printerSetupMaxResSetter(setup_.get(), 11, 150);
  EXPECT_EQ(Info(10), kPrinterMaxResolution);
  EXPECT_EQ(Info(8), kPrinterMaxResolution);
  EXPECT_EQ(Info(11), 150);
  EXPECT_EQ(Info(9), 150);
  EXPECT_EQ(Info(3), 792 * 150 / 72);
}

TEST_F(PrinterSetupTest, ABadSetupStringRaisesAndChangesNothing) {
  printerSetupStringSetter(setup_.get(), 0, S("TESSPRINT 1;copies=2").get());
  std::string before = Stored();
  const ClassObject* unsupported = FindClassByName("UnsupportedFormatException");
  for (const char* bad : {"garbage", "TESSPRINT 1;copies=-1", "TESSPRINT 1;paper=77"}) {
    EXPECT_EQ(RaisedBy([&] { printerSetupStringSetter(setup_.get(), 0, S(bad).get()); }),
              unsupported)
        << bad;
    EXPECT_EQ(Stored(), before) << bad;
  }
  // An empty string is a fresh setup.
  printerSetupStringSetter(setup_.get(), 0, S("").get());
  EXPECT_EQ(Stored(), FormatSetupString(PrintSettings{}));
  EXPECT_EQ(RaisedBy([] { printerSetupInfoGetter(nullptr, 0); }),
            FindClassByName("NilObjectException"));
}

class HostPrinter : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("TESSERA_PRINT_FOLDER", dir_.path().c_str(), 1); }
  void TearDown() override { ::unsetenv("TESSERA_PRINT_FOLDER"); }
  std::filesystem::path File(const char* name) { return dir_.path() / name; }

  test::TempDir dir_;
};

TEST_F(HostPrinter, RefusesSettingsThatCannotPrint) {
  auto refused = [](auto change) {
    DEVMODE mode;
    change(mode);
    HDC dc = CreateDC("WINSPOOL", nullptr, nullptr, &mode);
    if (dc) DeleteDC(dc);
    return dc == nullptr;
  };
  EXPECT_FALSE(refused([](DEVMODE&) {}));
  EXPECT_TRUE(refused([](DEVMODE& m) { m.dmPaperSize = 42; }));
  EXPECT_TRUE(refused([](DEVMODE& m) { m.dmPrintQuality = 0; }));
  EXPECT_TRUE(refused([](DEVMODE& m) { m.dmYResolution = kPrinterMaxResolution + 1; }));
  EXPECT_TRUE(refused([](DEVMODE& m) { m.dmOrientation = 0; }));
  EXPECT_TRUE(refused([](DEVMODE& m) { m.dmCopies = 0; }));
  EXPECT_TRUE(refused([](DEVMODE& m) { m.dmMargin[1] = 6000, m.dmMargin[3] = 6000; }));
  EXPECT_TRUE(refused([](DEVMODE& m) {
    m.dmPaperSize = DMPAPER_USER;
    m.dmPaperWidth = 30000, m.dmPaperLength = 3000;
  }));
}

TEST_F(HostPrinter, AnswersItsPageAsDeviceCapabilities) {
  DEVMODE mode;
  mode.dmPaperSize = DMPAPER_A4;
  mode.dmPrintQuality = 300;
  mode.dmYResolution = 150;
  HDC dc = CreateDC("WINSPOOL", nullptr, nullptr, &mode);
  ASSERT_TRUE(dc);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 300);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 150);
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 2480);
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALHEIGHT), 1754);
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETX), 75);
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETY), 38);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 2480 - 150);
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 1754 - 76);
  DeleteDC(dc);
}

TEST_F(HostPrinter, WritesAFileOnlyForAJobThatEnds) {
  HDC dc = CreateDC("WINSPOOL", nullptr, nullptr, nullptr);
  ASSERT_TRUE(dc);
  DOCINFO info;
  info.lpszDocName = "Report: March/April";
  ASSERT_GT(StartDoc(dc, &info), 0);
  EXPECT_EQ(StartDoc(dc, &info), SP_ERROR);  // one job at a time
  ASSERT_GT(StartPage(dc), 0);
  TextOut(dc, 10, 10, "Hello", 5);
  ASSERT_GT(EndPage(dc), 0);
  EXPECT_EQ(EndPage(dc), SP_ERROR);  // no page open
  ASSERT_GT(EndDoc(dc), 0);
  std::filesystem::path made = File("Report- March-April.pdf");
  EXPECT_EQ(LastPrintFile(), made.string());
  std::ifstream in(made, std::ios::binary);
  std::string head(5, '\0');
  in.read(head.data(), 5);
  EXPECT_EQ(head, "%PDF-");
  DeleteDC(dc);

  // An aborted job, and one whose context goes before it ends, leave nothing.
  for (bool abort : {true, false}) {
    HDC other = CreateDC("WINSPOOL", nullptr, nullptr, nullptr);
    ASSERT_GT(StartDoc(other, &info), 0);
    StartPage(other);
    if (abort) AbortDoc(other);
    DeleteDC(other);
    EXPECT_FALSE(std::filesystem::exists(File("Report- March-April-2.pdf")));
  }
  // Outside a job the printer calls fail.
  EXPECT_EQ(StartPage(nullptr), SP_ERROR);
  HDC memory = CreateCompatibleDC(nullptr);
  EXPECT_EQ(StartDoc(memory, &info), SP_ERROR);
  DeleteDC(memory);
}

TEST_F(HostPrinter, AJobNeverEndedIsDroppedWhenTheProcessEnds) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        HDC dc = CreateDC("WINSPOOL", nullptr, nullptr, nullptr);
        DOCINFO info;
        info.lpszDocName = "unended";
        StartDoc(dc, &info);
        StartPage(dc);
        TextOut(dc, 0, 0, "lost", 4);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "unended.pdf: the job never ended, dropped");
  EXPECT_FALSE(std::filesystem::exists(File("unended.pdf")));
}

// Pixels of a PPM file (P6, 8 bits) as 0xRRGGBB, row by row.
std::vector<uint32_t> ReadPpm(const std::filesystem::path& file, int* width, int* height) {
  std::ifstream in(file, std::ios::binary);
  std::string magic;
  int max = 0;
  in >> magic >> *width >> *height >> max;
  in.get();
  std::vector<uint32_t> pixels;
  if (magic != "P6" || max != 255) return pixels;
  for (int i = 0; i < *width * *height; ++i) {
    unsigned char rgb[3];
    in.read(reinterpret_cast<char*>(rgb), 3);
    pixels.push_back(uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2]);
  }
  return pixels;
}

TEST_F(HostPrinter, TextLiesBetweenWhatWasDrawnBeforeAndAfterIt) {
  HDC dc = CreateDC("WINSPOOL", nullptr, nullptr, nullptr);  // Letter, 72 dpi
  ASSERT_TRUE(dc);
  DOCINFO info;
  info.lpszDocName = "layers";
  ASSERT_GT(StartDoc(dc, &info), 0);
  ASSERT_GT(StartPage(dc), 0);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
  RECT under{0, 0, 200, 60}, over{100, 0, 200, 60};
  FillRect(dc, &under, red);
  HFONT font = CreateFont(-48, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  TextOut(dc, 4, 4, "MMMMMMMM", 8);
  FillRect(dc, &over, blue);
  // A picture whose words carry an alpha byte prints like any other.
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 20, -20, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP picture = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_TRUE(picture && bits);
  std::fill_n(static_cast<uint32_t*>(bits), 400, 0xFF00C000u);
  HDC source = CreateCompatibleDC(nullptr);
  SelectObject(source, picture);
  BitBlt(dc, 300, 10, 20, 20, source, 0, 0, SRCCOPY);
  DeleteDC(source);
  DeleteObject(picture);
  ASSERT_GT(EndDoc(dc), 0);
  DeleteDC(dc);
  DeleteObject(red);
  DeleteObject(blue);
  DeleteObject(font);

  std::string command =
      "pdftoppm -r 72 " + File("layers.pdf").string() + " " + File("page").string();
  ASSERT_EQ(std::system(command.c_str()), 0);
  int w = 0, h = 0;
  std::vector<uint32_t> px = ReadPpm(File("page-1.ppm"), &w, &h);
  ASSERT_EQ(w, 612);
  ASSERT_EQ(h, 792);
  // The printable area starts a quarter inch in: 18 pixels.
  auto at = [&](int x, int y) { return px[size_t(y + 18) * size_t(w) + size_t(x + 18)]; };
  auto dark = [](uint32_t c) {
    return (c >> 16 & 0xFF) < 96 && (c >> 8 & 0xFF) < 96 && (c & 0xFF) < 96;
  };
  int textOnRed = 0, textOnBlue = 0;
  for (int y = 2; y < 58; ++y)
    for (int x = 2; x < 198; ++x) {
      if (x >= 98 && x < 102) continue;
      if (x < 100) textOnRed += dark(at(x, y));
      if (x >= 100) {
        textOnBlue += dark(at(x, y));
        EXPECT_EQ(at(x, y), 0x0000FFu) << x << "," << y;
      }
    }
  EXPECT_GT(textOnRed, 200);
  EXPECT_EQ(textOnBlue, 0);
  EXPECT_EQ(at(310, 20), 0x00C000u);
  // Nothing was drawn below the shapes: the paper shows.
  EXPECT_EQ(at(300, 300), 0xFFFFFFu);
}

TEST_F(HostPrinter, HandsFinishedFilesToTheQueueWithLp) {
  // A stand-in lp that records how it was called, first on the path.
  std::filesystem::path bin = dir_.path() / "bin";
  std::filesystem::create_directory(bin);
  std::filesystem::path record = dir_.path() / "lp-args";
  {
    std::ofstream lp(bin / "lp");
    lp << "#!/bin/sh\nprintf '%s\\n' \"$@\" > " << record.string() << "\n";
  }
  std::filesystem::permissions(bin / "lp", std::filesystem::perms::owner_all);
  std::string path = bin.string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
  std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", path.c_str(), 1);
  ::setenv("TESSERA_PRINT_QUEUE", "office", 1);
  EXPECT_EQ(PrinterNames(), (std::vector<std::string>{"office", "Tessera PDF"}));

  DEVMODE mode;
  mode.dmCopies = 2;
  mode.dmCollate = 0;
  HDC dc = CreateDC("WINSPOOL", "office", nullptr, &mode);
  DOCINFO info;
  info.lpszDocName = "Invoice";
  ASSERT_GT(StartDoc(dc, &info), 0);
  StartPage(dc);
  EXPECT_GT(EndDoc(dc), 0);
  DeleteDC(dc);
  ::setenv("PATH", oldPath.c_str(), 1);
  ::unsetenv("TESSERA_PRINT_QUEUE");

  std::ifstream in(record);
  std::string args((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(args, "-d\noffice\n-n\n2\n-t\nInvoice\n-o\ncollate=false\n" +
                      File("Invoice.pdf").string() + "\n");
  EXPECT_TRUE(std::filesystem::exists(File("Invoice.pdf")));  // kept as well
  std::filesystem::remove(record);

  // A job for the PDF printer stays a file even with a queue set.
  ::setenv("PATH", path.c_str(), 1);
  ::setenv("TESSERA_PRINT_QUEUE", "office", 1);
  dc = CreateDC("WINSPOOL", "Tessera PDF", nullptr, nullptr);
  ASSERT_GT(StartDoc(dc, &info), 0);
  EXPECT_GT(EndDoc(dc), 0);
  DeleteDC(dc);
  ::setenv("PATH", oldPath.c_str(), 1);
  ::unsetenv("TESSERA_PRINT_QUEUE");
  EXPECT_FALSE(std::filesystem::exists(record));
  EXPECT_TRUE(std::filesystem::exists(File("Invoice-2.pdf")));
}

}  // namespace
}  // namespace tess::graphics
