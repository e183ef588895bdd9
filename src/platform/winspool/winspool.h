// Printing: printer device contexts and the print spooler.
//
// The host's printer renders each page into a PDF file (cairo's PDF
// surface, loaded when the first job starts). Shapes, lines and pictures
// are drawn by the drawing layer into the page's pixels as on any context;
// text drawn on a printer page goes to the PDF as text in its outline font,
// so it stays sharp and can be searched and extracted. The finished file is kept in the print folder and
// handed to a CUPS queue when one is named:
//
//   TESSERA_PRINT_FOLDER  where the PDF files go (default: $TMPDIR or /tmp)
//   TESSERA_PRINT_QUEUE   a CUPS queue: each finished file is sent to it with
//                         the host's `lp`; without one the file is only kept
//                         and the job is reported on standard error.
#pragma once

#include <string>
#include <vector>

#include "platform/gdi/wingdi.h"

namespace tess::platform {

enum : short { DMORIENT_PORTRAIT = 1, DMORIENT_LANDSCAPE = 2 };
enum : short {
  DMPAPER_USER = 0,  // the size in dmPaperWidth and dmPaperLength
  DMPAPER_LETTER = 1,
  DMPAPER_TABLOID = 3,
  DMPAPER_LEGAL = 5,
  DMPAPER_EXECUTIVE = 7,
  DMPAPER_A3 = 8,
  DMPAPER_A4 = 9,
  DMPAPER_A5 = 11,
};

// The settings of a printer and of a job on it, as the platform's DEVMODE,
// with the page range and the page-setup margins kept beside them so one
// block holds everything a job needs.
struct DEVMODE {
  char dmDeviceName[32] = {};  // the printer; empty: the default one
  short dmOrientation = DMORIENT_PORTRAIT;
  short dmPaperSize = DMPAPER_LETTER;
  short dmPaperWidth = 0, dmPaperLength = 0;  // tenths of a millimetre (DMPAPER_USER)
  short dmCopies = 1;
  short dmCollate = 1;
  short dmPrintQuality = 72;           // horizontal resolution, dots per inch
  short dmYResolution = 72;            // vertical resolution
  short dmFromPage = 0, dmToPage = 0;  // 0, 0: every page
  // Margins, thousandths of an inch: left, top, right, bottom.
  int dmMargin[4] = {250, 250, 250, 250};
};

struct DOCINFO {
  int cbSize = sizeof(DOCINFO);
  const char* lpszDocName = nullptr;  // names the file; null: "Document"
  const char* lpszOutput = nullptr;   // a file to write instead of the print folder
};

inline constexpr int SP_ERROR = -1;

// The limits the host printer takes: resolutions up to kMaxResolution and
// papers from one inch to kMaxPaper tenths of a millimetre.
inline constexpr int kPrinterMaxResolution = 300;
inline constexpr int kMinPaper = 254, kMaxPaper = 12000;

// A printer context for `device` (the printer's name; null or empty: the
// default) with `mode`'s settings (null: the defaults); null when the
// settings cannot be printed (an unknown paper, resolutions or margins out
// of range). Its page is the printable area: logical (0, 0) is the top-left
// corner inside the margins.
HDC CreateDC(const char* driver, const char* device, const char* port, const DEVMODE* mode);
// The job: a positive job number, SP_ERROR when the file cannot be made or
// cairo, loaded by the first job, cannot be had.
int StartDoc(HDC dc, const DOCINFO* info);
int StartPage(HDC dc);
int EndPage(HDC dc);
// Finishes the file and hands it to the queue; SP_ERROR when it failed.
int EndDoc(HDC dc);
// Drops the job and its file.
int AbortDoc(HDC dc);

// The paper of a DMPAPER code, tenths of a millimetre; false if unknown.
bool PaperSize(short paper, short* width, short* length);
// The papers offered by the dialogs, with their names.
struct PaperInfo {
  short code;
  const char* name;
};
const std::vector<PaperInfo>& Papers();
// True when `mode` names a paper, resolutions and margins that print.
bool ValidDevMode(const DEVMODE& mode);

// Where a mode's page lies, in device pixels: the oriented paper and the
// printable area inside its margins. False for a mode that does not print.
struct PageMetrics {
  int paperWidth = 0, paperHeight = 0;
  RECT printable{};
};
bool GetPageMetrics(const DEVMODE& mode, PageMetrics* metrics);

// The printers: the queue named by TESSERA_PRINT_QUEUE, or the PDF printer.
std::vector<std::string> PrinterNames();
std::string DefaultPrinterName();

// The file the last finished job was written to (for reports and tests).
std::string LastPrintFile();

}  // namespace tess::platform
