// The PDF printer. A page is a picture of the whole paper at the job's
// resolution that the drawing layer draws into, plus the PDF page that
// receives it. Pixels start "untouched" (all four bytes set, which reads as
// white: drawing always writes the top byte zero); before text is drawn and
// when the page ends, the touched pixels go to the PDF as one image and the
// picture is untouched again. So text lies above what was drawn before it
// and below what is drawn after, as on paper, and only drawn areas become
// images. cairo and fontconfig are loaded by the first job started; without
// them no job starts.
#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/gdi/font.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/kernel/library.h"
#include "platform/winspool/winspool.h"

extern char** environ;

namespace tess::platform {
namespace {

using gdi::FontFace;
using gdi::Region;
using gdi::Surface;

const char kPdfPrinter[] = "Tessera PDF";

#define CAIRO_ROUTINES(R)                  \
  R(cairo_pdf_surface_create_for_stream)   \
  R(cairo_pdf_surface_set_metadata)        \
  R(cairo_create)                          \
  R(cairo_destroy)                         \
  R(cairo_status)                          \
  R(cairo_scale)                           \
  R(cairo_show_page)                       \
  R(cairo_save)                            \
  R(cairo_restore)                         \
  R(cairo_rectangle)                       \
  R(cairo_clip)                            \
  R(cairo_fill)                            \
  R(cairo_paint)                           \
  R(cairo_set_source_rgb)                  \
  R(cairo_set_source_surface)              \
  R(cairo_get_source)                      \
  R(cairo_pattern_set_filter)              \
  R(cairo_set_font_face)                   \
  R(cairo_set_font_matrix)                 \
  R(cairo_matrix_init)                     \
  R(cairo_get_scaled_font)                 \
  R(cairo_show_text_glyphs)                \
  R(cairo_font_face_status)                \
  R(cairo_font_face_destroy)               \
  R(cairo_ft_font_face_create_for_pattern) \
  R(cairo_ft_scaled_font_lock_face)        \
  R(cairo_ft_scaled_font_unlock_face)      \
  R(cairo_image_surface_create)            \
  R(cairo_image_surface_get_data)          \
  R(cairo_image_surface_get_stride)        \
  R(cairo_surface_status)                  \
  R(cairo_surface_flush)                   \
  R(cairo_surface_mark_dirty)              \
  R(cairo_surface_finish)                  \
  R(cairo_surface_destroy)
struct Cairo {
  static constexpr const char* kLibrary = "libcairo.so.2";
  TESS_HOST_ROUTINES(CAIRO_ROUTINES)
};

#define FONTCONFIG_ROUTINES(R) \
  R(FcPatternCreate)           \
  R(FcPatternAddString)        \
  R(FcPatternAddInteger)       \
  R(FcPatternAddBool)          \
  R(FcPatternDestroy)
struct Fontconfig {
  static constexpr const char* kLibrary = "libfontconfig.so.1";
  TESS_HOST_ROUTINES(FONTCONFIG_ROUTINES)
};

std::string& LastFile() {
  static std::string file;
  return file;
}

int Pixels(int64_t tenthsOfMm, int dpi) {
  return int((tenthsOfMm * dpi + 127) / 254);
}

int PixelsOfThousandths(int64_t thousandths, int dpi) {
  return int((thousandths * dpi + 500) / 1000);
}

// A file name from a document name: letters, digits and a few marks kept,
// everything else a dash.
std::string FileStem(const char* docName) {
  std::string stem;
  for (const char* p = docName && *docName ? docName : "Document"; *p && stem.size() < 64; ++p) {
    char c = *p;
    bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                c == '-' || c == '_' || c == '.' || c == ' ';
    stem += keep ? c : '-';
  }
  while (!stem.empty() && (stem[0] == '.' || stem[0] == ' ')) stem.erase(0, 1);
  return stem.empty() ? "Document" : stem;
}

std::string PrintFolder() {
  if (const char* f = std::getenv("TESSERA_PRINT_FOLDER"); f && *f) return f;
  if (const char* t = std::getenv("TMPDIR"); t && *t) return t;
  return "/tmp";
}

// A new file in the print folder, never one that is already there.
int CreateJobFile(const char* docName, std::string* path) {
  std::string folder = PrintFolder();
  mkdir(folder.c_str(), 0755);  // the folder named may not be there yet
  std::string base = folder + "/" + FileStem(docName);
  for (int n = 1; n < 10000; ++n) {
    *path = n == 1 ? base + ".pdf" : base + "-" + std::to_string(n) + ".pdf";
    int fd = open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

cairo_status_t WriteToFd(void* closure, const unsigned char* data, unsigned int length) {
  int fd = *static_cast<int*>(closure);
  while (length > 0) {
    ssize_t n = write(fd, data, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return CAIRO_STATUS_WRITE_ERROR;
    data += n;
    length -= unsigned(n);
  }
  return CAIRO_STATUS_SUCCESS;
}

// Hands a finished file to the queue with the host's lp, or says where it is.
void Spool(const std::string& file, const DEVMODE& mode, const char* title, int pages) {
  // The queue prints what is sent to it by name or as the default printer;
  // a job for the PDF printer stays a file.
  const char* queue = std::getenv("TESSERA_PRINT_QUEUE");
  if (queue && mode.dmDeviceName[0] && std::strcmp(mode.dmDeviceName, queue) != 0) queue = nullptr;
  if (!queue || !*queue) {
    std::fprintf(stderr, "[print: %s, %d page%s, kept: no print queue]\n", file.c_str(), pages,
                 pages == 1 ? "" : "s");
    return;
  }
  std::string copies = std::to_string(std::max<int>(1, mode.dmCopies));
  std::string name = title && *title ? title : "Document";
  std::vector<std::string> args = {"lp", "-d", queue, "-n", copies, "-t", name};
  if (mode.dmCopies > 1)
    args.insert(args.end(), {"-o", mode.dmCollate ? "collate=true" : "collate=false"});
  args.push_back(file);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int status = -1;
  if (posix_spawnp(&pid, "lp", nullptr, nullptr, argv.data(), environ) == 0) {
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  bool sent = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  std::fprintf(stderr, "[print: %s, %d page%s, %s queue %s]\n", file.c_str(), pages,
               pages == 1 ? "" : "s", sent ? "sent to" : "NOT accepted by", queue);
}

// Cairo font faces for outline font files, made once per file and style.
cairo_font_face_t* OutlineFace(const Cairo& c, const Fontconfig& fc,
                               const FontFace::Outline& outline) {
  static std::mutex lock;
  static std::map<std::string, cairo_font_face_t*> faces;
  std::lock_guard hold(lock);
  std::string key = outline.file + (outline.fakeBold ? "|b" : "|");
  if (auto it = faces.find(key); it != faces.end()) return it->second;
  FcPattern* pattern = fc.FcPatternCreate();
  fc.FcPatternAddString(pattern, FC_FILE, reinterpret_cast<const FcChar8*>(outline.file.c_str()));
  fc.FcPatternAddInteger(pattern, FC_INDEX, 0);
  fc.FcPatternAddBool(pattern, FC_EMBOLDEN, outline.fakeBold ? FcTrue : FcFalse);
  fc.FcPatternAddBool(pattern, FC_HINTING, FcFalse);
  cairo_font_face_t* face = c.cairo_ft_font_face_create_for_pattern(pattern);
  fc.FcPatternDestroy(pattern);
  if (c.cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS) {
    c.cairo_font_face_destroy(face);
    face = nullptr;
  }
  faces[key] = face;
  return face;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | cp >> 6), out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | cp >> 12), out += char(0x80 | (cp >> 6 & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | cp >> 18), out += char(0x80 | (cp >> 12 & 0x3F));
    out += char(0x80 | (cp >> 6 & 0x3F)), out += char(0x80 | (cp & 0x3F));
  }
}

class PrinterJob;

// Jobs started and not yet ended. As on the platform, a job the process
// leaves without ending it is dropped, never left as a half-written file.
std::mutex& LiveLock() {
  static std::mutex m;
  return m;
}
std::set<PrinterJob*>& LiveJobs() {
  static auto* jobs = new std::set<PrinterJob*>;
  return *jobs;
}
void DropUnendedJobs();

class PrinterJob : public gdi::DeviceSink {
 public:
  PrinterJob(const DEVMODE& mode, std::unique_ptr<Surface> page, const PageMetrics& metrics)
      : mode_(mode),
        page_(std::move(page)),
        paperW_(metrics.paperWidth),
        paperH_(metrics.paperHeight),
        area_(metrics.printable) {
    Untouch();
  }
  ~PrinterJob() override { Abort(); }

  Surface* page() { return page_.get(); }

  int Start(const DOCINFO* info) {
    if (cr_) return SP_ERROR;
    cairo_ = HostRoutines<Cairo>();
    fontconfig_ = HostRoutines<Fontconfig>();
    if (!cairo_ || !fontconfig_) {
      std::fprintf(stderr, "[print: %s not installed, nothing printed]\n",
                   cairo_ ? Fontconfig::kLibrary : Cairo::kLibrary);
      return SP_ERROR;
    }
    const char* name = info ? info->lpszDocName : nullptr;
    title_ = name && *name ? name : "Document";
    if (info && info->lpszOutput && *info->lpszOutput) {
      file_ = info->lpszOutput;
      fd_ = open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    } else {
      fd_ = CreateJobFile(name, &file_);
    }
    if (fd_ < 0) return SP_ERROR;
    pdf_ = cairo_->cairo_pdf_surface_create_for_stream(&WriteToFd, &fd_, Points(paperW_, XDpi()),
                                                       Points(paperH_, YDpi()));
    cr_ = cairo_->cairo_create(pdf_);
    if (cairo_->cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
      Abort();
      return SP_ERROR;
    }
    cairo_->cairo_pdf_surface_set_metadata(pdf_, CAIRO_PDF_METADATA_TITLE, title_.c_str());
    // Everything is drawn in device pixels.
    cairo_->cairo_scale(cr_, 72.0 / XDpi(), 72.0 / YDpi());
    {
      std::lock_guard hold(LiveLock());
      LiveJobs().insert(this);
    }
    static const bool registered = std::atexit(&DropUnendedJobs) == 0;
    (void)registered;
    static int jobs = 0;
    return ++jobs;
  }

  bool StartPage() {
    if (!cr_) return false;
    Untouch();
    pageOpen_ = true;
    return true;
  }

  bool EndPage() {
    if (!cr_ || !pageOpen_) return false;
    Flush();
    cairo_->cairo_show_page(cr_);
    pageOpen_ = false;
    ++pages_;
    return cairo_->cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
  }

  bool End() {
    if (!cr_) return false;
    Forget();
    if (pageOpen_) EndPage();
    cairo_->cairo_destroy(cr_);
    cr_ = nullptr;
    cairo_->cairo_surface_finish(pdf_);
    bool ok = cairo_->cairo_surface_status(pdf_) == CAIRO_STATUS_SUCCESS;
    cairo_->cairo_surface_destroy(pdf_);
    pdf_ = nullptr;
    ok = close(fd_) == 0 && ok;
    fd_ = -1;
    if (!ok) {
      unlink(file_.c_str());
      return false;
    }
    LastFile() = file_;
    Spool(file_, mode_, title_.c_str(), pages_);
    return true;
  }

  void Abort() {
    if (!pdf_ && fd_ < 0) return;
    Forget();
    if (cr_) cairo_->cairo_destroy(cr_);
    cr_ = nullptr;
    if (pdf_) {
      cairo_->cairo_surface_finish(pdf_);
      cairo_->cairo_surface_destroy(pdf_);
    }
    pdf_ = nullptr;
    if (fd_ >= 0) {
      close(fd_);
      unlink(file_.c_str());
    }
    fd_ = -1;
  }

  bool Text(DeviceContext&, FontFace& face, int64_t x, int64_t baseline,
            const std::vector<uint32_t>& codepoints, COLORREF color, const Region& clip) override {
    const FontFace::Outline& outline = face.outline();
    if (!cr_ || !pageOpen_) return true;  // outside a page nothing prints
    cairo_font_face_t* cface =
        outline.file.empty() ? nullptr : OutlineFace(*cairo_, *fontconfig_, outline);
    if (!cface) return false;
    Flush();
    cairo_->cairo_save(cr_);
    for (const RECT& r : clip.rects())
      cairo_->cairo_rectangle(cr_, r.left, r.top, r.right - r.left, r.bottom - r.top);
    cairo_->cairo_clip(cr_);
    cairo_->cairo_set_source_rgb(cr_, (color & 0xFF) / 255.0, (color >> 8 & 0xFF) / 255.0,
                                 (color >> 16 & 0xFF) / 255.0);
    cairo_->cairo_set_font_face(cr_, cface);
    cairo_matrix_t m;
    double em = outline.pixelsPerEm;
    cairo_->cairo_matrix_init(&m, em, 0, outline.fakeItalic ? -0.2 * em : 0, em, 0, 0);
    cairo_->cairo_set_font_matrix(cr_, &m);
    cairo_scaled_font_t* scaled = cairo_->cairo_get_scaled_font(cr_);
    FT_Face ft = cairo_->cairo_ft_scaled_font_lock_face(scaled);
    std::string utf8;
    std::vector<cairo_glyph_t> glyphs;
    std::vector<cairo_text_cluster_t> clusters;
    // Glyphs stand where the rasteriser puts them, so text measures the
    // same on paper as on the screen.
    int64_t pen = x;
    for (uint32_t cp : codepoints) {
      size_t before = utf8.size();
      AppendUtf8(utf8, cp);
      unsigned long index = ft ? FT_Get_Char_Index(ft, cp) : 0;
      glyphs.push_back(cairo_glyph_t{index, double(pen), double(baseline)});
      clusters.push_back(cairo_text_cluster_t{int(utf8.size() - before), 1});
      pen += face.GlyphFor(cp).advance;
    }
    if (ft) cairo_->cairo_ft_scaled_font_unlock_face(scaled);
    cairo_->cairo_show_text_glyphs(cr_, utf8.data(), int(utf8.size()), glyphs.data(),
                                   int(glyphs.size()), clusters.data(), int(clusters.size()),
                                   cairo_text_cluster_flags_t(0));
    int64_t width = pen - x;
    if (face.underline()) {
      cairo_->cairo_rectangle(cr_, double(x), double(baseline + face.underlinePosition()),
                              double(width), face.underlineThickness());
      cairo_->cairo_fill(cr_);
    }
    if (face.strikeOut()) {
      cairo_->cairo_rectangle(cr_, double(x), double(baseline - face.metrics().tmAscent / 3),
                              double(width), 1);
      cairo_->cairo_fill(cr_);
    }
    cairo_->cairo_restore(cr_);
    return true;
  }

  const std::string& file() const { return file_; }

  bool Caps(int index, int* value) override {
    const RECT& area = area_;
    switch (index) {
      case LOGPIXELSX:
        *value = XDpi();
        return true;
      case LOGPIXELSY:
        *value = YDpi();
        return true;
      case HORZRES:
        *value = area.right - area.left;
        return true;
      case VERTRES:
        *value = area.bottom - area.top;
        return true;
      case PHYSICALWIDTH:
        *value = paperW_;
        return true;
      case PHYSICALHEIGHT:
        *value = paperH_;
        return true;
      case PHYSICALOFFSETX:
        *value = area.left;
        return true;
      case PHYSICALOFFSETY:
        *value = area.top;
        return true;
      default:
        return false;
    }
  }

 private:
  void Forget() {
    std::lock_guard hold(LiveLock());
    LiveJobs().erase(this);
  }
  int XDpi() const { return mode_.dmPrintQuality; }
  int YDpi() const { return mode_.dmYResolution; }
  static double Points(int pixels, int dpi) { return pixels * 72.0 / dpi; }

  void Untouch() { std::memset(page_->bytes().data(), 0xFF, page_->bytes().size()); }

  // The touched pixels since the last flush, as one image over the page.
  void Flush() {
    int w = page_->width(), h = page_->height();
    int left = w, right = -1, top = -1, bottom = -1;
    // Most rows are untouched: compared whole, they are passed over quickly.
    std::vector<uint8_t> blank(size_t(w) * 4, 0xFF);
    for (int y = 0; y < h; ++y) {
      if (std::memcmp(page_->row(y), blank.data(), blank.size()) == 0) continue;
      const uint32_t* row = reinterpret_cast<const uint32_t*>(page_->row(y));
      int first = -1, last = -1;
      for (int x = 0; x < w; ++x)
        if (!(row[x] & 0xFF000000u)) {
          if (first < 0) first = x;
          last = x;
        }
      if (first < 0) continue;
      if (top < 0) top = y;
      bottom = y;
      left = std::min(left, first);
      right = std::max(right, last);
    }
    if (top < 0) return;
    int iw = right - left + 1, ih = bottom - top + 1;
    cairo_surface_t* image = cairo_->cairo_image_surface_create(CAIRO_FORMAT_ARGB32, iw, ih);
    if (cairo_->cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
      cairo_->cairo_surface_flush(image);
      unsigned char* data = cairo_->cairo_image_surface_get_data(image);
      int stride = cairo_->cairo_image_surface_get_stride(image);
      for (int y = 0; y < ih; ++y) {
        const uint32_t* src = reinterpret_cast<const uint32_t*>(page_->row(top + y)) + left;
        uint32_t* dst = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
        for (int x = 0; x < iw; ++x)
          dst[x] = src[x] & 0xFF000000u ? 0 : 0xFF000000u | (src[x] & 0xFFFFFF);
      }
      cairo_->cairo_surface_mark_dirty(image);
      cairo_->cairo_save(cr_);
      cairo_->cairo_set_source_surface(cr_, image, left, top);
      cairo_->cairo_pattern_set_filter(cairo_->cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
      cairo_->cairo_paint(cr_);
      cairo_->cairo_restore(cr_);
    }
    cairo_->cairo_surface_destroy(image);
    Untouch();
  }

  DEVMODE mode_;
  std::unique_ptr<Surface> page_;
  int paperW_, paperH_;
  RECT area_;
  std::string file_, title_;
  int fd_ = -1;
  const Cairo* cairo_ = nullptr;  // loaded by Start, with fontconfig_
  const Fontconfig* fontconfig_ = nullptr;
  cairo_surface_t* pdf_ = nullptr;
  cairo_t* cr_ = nullptr;
  bool pageOpen_ = false;
  int pages_ = 0;
};

void DropUnendedJobs() {
  std::set<PrinterJob*> jobs;
  {
    std::lock_guard hold(LiveLock());
    jobs = LiveJobs();
  }
  for (PrinterJob* job : jobs) {
    std::fprintf(stderr, "[print: %s: the job never ended, dropped]\n", job->file().c_str());
    job->Abort();
  }
}

PrinterJob* JobOf(HDC dc) {
  if (!gdi::IsLiveDC(dc)) return nullptr;
  return dynamic_cast<PrinterJob*>(dc->sink.get());
}

// The paper of a mode, oriented, tenths of a millimetre.
bool PaperOf(const DEVMODE& mode, int* width, int* length) {
  short w = mode.dmPaperWidth, l = mode.dmPaperLength;
  if (mode.dmPaperSize != DMPAPER_USER && !PaperSize(mode.dmPaperSize, &w, &l)) return false;
  if (w < kMinPaper || l < kMinPaper || w > kMaxPaper || l > kMaxPaper) return false;
  bool landscape = mode.dmOrientation == DMORIENT_LANDSCAPE;
  *width = landscape ? l : w;
  *length = landscape ? w : l;
  return true;
}

}  // namespace

const std::vector<PaperInfo>& Papers() {
  static const std::vector<PaperInfo> papers = {{DMPAPER_LETTER, "Letter"},
                                                {DMPAPER_LEGAL, "Legal"},
                                                {DMPAPER_EXECUTIVE, "Executive"},
                                                {DMPAPER_TABLOID, "Tabloid"},
                                                {DMPAPER_A3, "A3"},
                                                {DMPAPER_A4, "A4"},
                                                {DMPAPER_A5, "A5"}};
  return papers;
}

bool PaperSize(short paper, short* width, short* length) {
  struct Size {
    short code, w, l;
  };
  static const Size sizes[] = {{DMPAPER_LETTER, 2159, 2794},    {DMPAPER_LEGAL, 2159, 3556},
                               {DMPAPER_EXECUTIVE, 1842, 2667}, {DMPAPER_TABLOID, 2794, 4318},
                               {DMPAPER_A3, 2970, 4200},        {DMPAPER_A4, 2100, 2970},
                               {DMPAPER_A5, 1480, 2100}};
  for (const Size& s : sizes)
    if (s.code == paper) {
      *width = s.w;
      *length = s.l;
      return true;
    }
  return false;
}

bool ValidDevMode(const DEVMODE& mode) {
  int w = 0, l = 0;
  if (!PaperOf(mode, &w, &l)) return false;
  if (mode.dmOrientation != DMORIENT_PORTRAIT && mode.dmOrientation != DMORIENT_LANDSCAPE)
    return false;
  if (mode.dmPrintQuality < 1 || mode.dmPrintQuality > kPrinterMaxResolution ||
      mode.dmYResolution < 1 || mode.dmYResolution > kPrinterMaxResolution)
    return false;
  if (mode.dmCopies < 1 || mode.dmFromPage < 0 || mode.dmToPage < 0 ||
      (mode.dmToPage != 0 && mode.dmToPage < mode.dmFromPage))
    return false;
  for (int m : mode.dmMargin)
    if (m < 0) return false;
  // At least half an inch of paper stays printable each way (mm/10 to 1/1000 in).
  int64_t wIn = int64_t(w) * 1000 / 254, lIn = int64_t(l) * 1000 / 254;
  return wIn - mode.dmMargin[0] - mode.dmMargin[2] >= 500 &&
         lIn - mode.dmMargin[1] - mode.dmMargin[3] >= 500;
}

std::vector<std::string> PrinterNames() {
  std::vector<std::string> names;
  if (const char* q = std::getenv("TESSERA_PRINT_QUEUE"); q && *q) names.emplace_back(q);
  names.emplace_back(kPdfPrinter);
  return names;
}

std::string DefaultPrinterName() {
  return PrinterNames().front();
}

std::string LastPrintFile() {
  return LastFile();
}

bool GetPageMetrics(const DEVMODE& mode, PageMetrics* metrics) {
  int w = 0, l = 0;
  if (!ValidDevMode(mode) || !PaperOf(mode, &w, &l)) return false;
  int xdpi = mode.dmPrintQuality, ydpi = mode.dmYResolution;
  metrics->paperWidth = Pixels(w, xdpi);
  metrics->paperHeight = Pixels(l, ydpi);
  metrics->printable =
      RECT{PixelsOfThousandths(mode.dmMargin[0], xdpi), PixelsOfThousandths(mode.dmMargin[1], ydpi),
           metrics->paperWidth - PixelsOfThousandths(mode.dmMargin[2], xdpi),
           metrics->paperHeight - PixelsOfThousandths(mode.dmMargin[3], ydpi)};
  return true;
}

HDC CreateDC(const char*, const char* device, const char*, const DEVMODE* given) {
  DEVMODE mode = given ? *given : DEVMODE{};
  if (device && *device && !mode.dmDeviceName[0])
    std::snprintf(mode.dmDeviceName, sizeof mode.dmDeviceName, "%s", device);
  PageMetrics metrics;
  if (!GetPageMetrics(mode, &metrics)) return nullptr;
  std::unique_ptr<Surface> page = Surface::Create(metrics.paperWidth, metrics.paperHeight, 32);
  if (!page) return nullptr;
  auto job = std::make_unique<PrinterJob>(mode, std::move(page), metrics);
  const RECT& area = metrics.printable;
  Region visible;
  visible.Add(area);
  HDC dc = gdi::CreateSurfaceDC(job->page(), POINT{area.left, area.top}, visible, nullptr);
  dc->sink = std::move(job);
  return dc;
}

int StartDoc(HDC dc, const DOCINFO* info) {
  PrinterJob* job = JobOf(dc);
  return job ? job->Start(info) : SP_ERROR;
}

int StartPage(HDC dc) {
  PrinterJob* job = JobOf(dc);
  return job && job->StartPage() ? 1 : SP_ERROR;
}

int EndPage(HDC dc) {
  PrinterJob* job = JobOf(dc);
  return job && job->EndPage() ? 1 : SP_ERROR;
}

int EndDoc(HDC dc) {
  PrinterJob* job = JobOf(dc);
  return job && job->End() ? 1 : SP_ERROR;
}

int AbortDoc(HDC dc) {
  PrinterJob* job = JobOf(dc);
  if (!job) return SP_ERROR;
  job->Abort();
  return 1;
}

}  // namespace tess::platform
