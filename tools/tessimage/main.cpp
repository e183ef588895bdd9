// The tessimage command: argument parsing and file I/O around the builder
// and the dump. Every failure prints one "tessimage: ..." report per problem
// and exits with status 1; usage errors exit with status 2.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "builder.h"
#include "description.h"
#include "dump.h"
#include "error.h"
#include "image_file.h"
#include "pool.h"

namespace tess::imagetool {
namespace {

constexpr char kUsage[] =
    "usage: tessimage build [options] OBJECT...\n"
    "  --dev DIR          write code1.dat, data1.dat, code2.dat, data2.dat (data3.dat) in DIR\n"
    "  --image FILE       write the bare image\n"
    "  --runtime EXE -o OUT\n"
    "                     write OUT: a copy of EXE with the image (and pool) appended\n"
    "  --pool FILE        add a resource pool item; repeat in item order\n"
    "  --plugin FILE      embed a plug-in library under its file name (symbol\n"
    "                     TessPlugins); repeat in installation order\n"
    "  --entry SYM        entry routine (default TessMain)\n"
    "  --descriptor SYM   application descriptor (default TessApplication, if defined)\n"
    "  --map FILE         write the symbol map\n"
    "  --describe FILE    lay out the strings, classes and items FILE describes\n"
    "       tessimage dump PATH [--window OFFSET]...\n"
    "  PATH is a runtime with an appended image, a directory of development files,\n"
    "  or a bare image; --window also lists the window layout at that data offset\n"
    "  (the symbol map gives it)\n";

struct UsageError {
  std::string text;
};

struct BuildCommand {
  BuildOptions options;
  std::vector<std::string> objects;
  std::vector<std::string> pool;
  std::vector<std::string> plugins;
  std::optional<std::string> dev, image, runtime, output, map, describe;
};

// A data offset: decimal or 0x hex.
uint32_t DataOffset(const char* text) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text, &end, 0);
  if (errno != 0 || end == text || *end != 0 || *text == '-' || value > UINT32_MAX) {
    throw UsageError{std::string("bad data offset '") + text + "'"};
  }
  return uint32_t(value);
}

BuildCommand ParseBuild(int argc, char** argv) {
  BuildCommand cmd;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw UsageError{arg + " needs a value"};
      return argv[++i];
    };
    if (arg == "--dev") {
      cmd.dev = value();
    } else if (arg == "--image") {
      cmd.image = value();
    } else if (arg == "--runtime") {
      cmd.runtime = value();
    } else if (arg == "-o") {
      cmd.output = value();
    } else if (arg == "--pool") {
      cmd.pool.push_back(value());
    } else if (arg == "--plugin") {
      cmd.plugins.push_back(value());
    } else if (arg == "--entry") {
      cmd.options.entry = value();
    } else if (arg == "--descriptor") {
      cmd.options.descriptor = value();
      cmd.options.descriptorRequired = true;
    } else if (arg == "--map") {
      cmd.map = value();
    } else if (arg == "--describe") {
      if (cmd.describe) throw UsageError{"--describe given twice"};
      cmd.describe = value();
    } else if (arg.starts_with("-") && arg.size() > 1) {
      throw UsageError{"unknown option " + arg};
    } else {
      cmd.objects.push_back(arg);
    }
  }
  if (cmd.objects.empty()) throw UsageError{"no object files"};
  if (cmd.runtime.has_value() != cmd.output.has_value()) {
    throw UsageError{"--runtime and -o go together"};
  }
  if (!cmd.dev && !cmd.image && !cmd.runtime && !cmd.map) {
    throw UsageError{"nothing to write: give --dev, --image or --runtime"};
  }
  return cmd;
}

void Build(const BuildCommand& cmd) {
  std::vector<ObjectFile> objects;
  for (const std::string& path : cmd.objects) objects.push_back({path, ReadFile(path)});
  if (cmd.describe || !cmd.plugins.empty()) {
    Description d;
    d.file = "plug-ins";
    if (cmd.describe) {
      const std::vector<uint8_t> text = ReadFile(*cmd.describe);
      d = ParseDescription(
          std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), *cmd.describe);
    }
    for (const std::string& path : cmd.plugins) {
      const size_t slash = path.find_last_of('/');
      d.plugins.push_back(
          {slash == std::string::npos ? path : path.substr(slash + 1), ReadFile(path)});
    }
    objects.push_back(DescriptionObject(d, objects, cmd.options.descriptor));
  }
  const BuildResult result = BuildImage(objects, cmd.options);

  std::optional<std::vector<uint8_t>> pool;
  if (!cmd.pool.empty()) {
    std::vector<std::vector<uint8_t>> items;
    for (const std::string& path : cmd.pool) items.push_back(ReadFile(path));
    pool = BuildPool(items);
  }
  const std::vector<uint8_t>* poolBytes = pool ? &*pool : nullptr;

  if (cmd.map) {
    const std::string text = FormatMap(result.symbols);
    WriteFile(*cmd.map, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  }
  if (cmd.dev) WriteDevFiles(*cmd.dev, result.image, poolBytes);
  if (cmd.image) WriteFile(*cmd.image, SerializeImage(result.image));
  if (cmd.runtime) {
    const ElfFile runtime(*cmd.runtime, ReadFile(*cmd.runtime));
    WriteFile(*cmd.output, AttachImage(runtime, result.image, poolBytes), true);
  }
}

int Main(int argc, char** argv) {
  try {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "build") {
      Build(ParseBuild(argc, argv));
    } else if (command == "dump" && argc >= 3 && argc % 2 == 1) {
      std::vector<uint32_t> windows;
      for (int i = 3; i < argc; i += 2) {
        if (std::strcmp(argv[i], "--window") != 0) throw UsageError{"bad command line"};
        windows.push_back(DataOffset(argv[i + 1]));
      }
      std::fputs(DumpPath(argv[2], windows).c_str(), stdout);
    } else if (command == "--help" || command == "-h") {
      std::fputs(kUsage, stdout);
    } else {
      throw UsageError{command.empty() ? "no command" : "bad command line"};
    }
    return 0;
  } catch (const UsageError& e) {
    std::fprintf(stderr, "tessimage: %s\n%s", e.text.c_str(), kUsage);
    return 2;
  } catch (const BuildError& e) {
    for (const std::string& m : e.messages()) std::fprintf(stderr, "tessimage: %s\n", m.c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tessimage: %s\n", e.what());
    return 1;
  }
}

}  // namespace
}  // namespace tess::imagetool

int main(int argc, char** argv) {
  return tess::imagetool::Main(argc, argv);
}
