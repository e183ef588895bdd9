// Reading and writing image containers; see image_file.h for the layouts.
#include "image_file.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "base/byte_order.h"
#include "error.h"
#include "image/format.h"

namespace tess::imagetool {
namespace fs = std::filesystem;

namespace {

void PutBlock(std::vector<uint8_t>& out, const std::vector<uint8_t>& block) {
  uint8_t length[4];
  put_le32(length, uint32_t(block.size()));
  out.insert(out.end(), length, length + 4);
  out.insert(out.end(), block.begin(), block.end());
}

uint32_t LocatorOffset(const ElfFile& runtime) {
  std::optional<uint32_t> index = runtime.FindSection(image::kLocatorSection);
  if (!index || runtime.SectionBytes(*index).size() < image::kLocatorSize) {
    runtime.Fail(std::string("no ") + image::kLocatorSection + " section of at least " +
                 std::to_string(image::kLocatorSize) + " bytes (not a Tessera runtime?)");
  }
  return runtime.section(*index).offset;
}

}  // namespace

std::vector<uint8_t> SerializeImage(const Image& image) {
  std::vector<uint8_t> out;
  out.reserve(16 + image.code.size() + image.link.size() + image.data.size() + image.fixups.size());
  PutBlock(out, image.code);
  PutBlock(out, image.link);
  PutBlock(out, image.data);
  PutBlock(out, image.fixups);
  return out;
}

Image ParseImage(std::span<const uint8_t> bytes, size_t* consumed) {
  static const char* const kBlocks[] = {"code segment", "link stream", "data segment",
                                        "fix-up stream"};
  Image image;
  std::vector<uint8_t>* blocks[] = {&image.code, &image.link, &image.data, &image.fixups};
  size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    if (bytes.size() - at < 4) throw Error(std::string(kBlocks[i]) + " length is cut off");
    const uint32_t length = le32(bytes.data() + at);
    at += 4;
    if (bytes.size() - at < length) {
      throw Error(std::string(kBlocks[i]) + " (" + std::to_string(length) +
                  " bytes) runs past the end of the image");
    }
    blocks[i]->assign(bytes.begin() + at, bytes.begin() + at + length);
    at += length;
  }
  if (consumed) *consumed = at;
  return image;
}

Locator ReadLocator(const ElfFile& runtime) {
  const uint8_t* p = runtime.bytes().data() + LocatorOffset(runtime);
  Locator loc;
  loc.placeholder = std::memcmp(p, image::kPlaceholder, sizeof image::kPlaceholder) == 0;
  if (!loc.placeholder) {
    loc.image = le32(p);
    loc.pool = le32(p + 4);
  }
  return loc;
}

std::vector<uint8_t> AttachImage(const ElfFile& runtime, const Image& image,
                                 const std::vector<uint8_t>* pool) {
  if (runtime.type() != ET_EXEC && runtime.type() != ET_DYN) runtime.Fail("not an executable");
  if (!ReadLocator(runtime).placeholder) runtime.Fail("already carries an application image");
  const std::vector<uint8_t> bytes = SerializeImage(image);
  const uint64_t imageAt = runtime.bytes().size();
  const uint64_t poolAt = imageAt + bytes.size();
  if (poolAt + (pool ? pool->size() : 0) > UINT32_MAX) {
    throw Error("runtime, image and pool together exceed 4 GiB");
  }
  std::vector<uint8_t> out = runtime.bytes();
  out.insert(out.end(), bytes.begin(), bytes.end());
  if (pool) out.insert(out.end(), pool->begin(), pool->end());
  const uint32_t at = LocatorOffset(runtime);
  put_le32(&out[at], uint32_t(imageAt));
  put_le32(&out[at + 4], pool ? uint32_t(poolAt) : image::kNoPool);
  return out;
}

void WriteDevFiles(const fs::path& dir, const Image& image, const std::vector<uint8_t>* pool) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) throw Error(dir.string() + ": " + ec.message());
  WriteFile(dir / image::kDevCodeFile, image.code);
  WriteFile(dir / image::kDevDataFile, image.data);
  WriteFile(dir / image::kDevLinkFile, image.link);
  WriteFile(dir / image::kDevFixupFile, image.fixups);
  // A stale pool from an earlier build would be read as this image's.
  if (pool) {
    WriteFile(dir / image::kDevPoolFile, *pool);
  } else {
    fs::remove(dir / image::kDevPoolFile, ec);
  }
}

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error(path.string() + ": cannot open");
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  if (in.bad()) throw Error(path.string() + ": read error");
  return bytes;
}

namespace {

void WriteDirect(const fs::path& path, std::span<const uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  out.close();
  if (!out) throw Error(path.string() + ": cannot write");
}

}  // namespace

void WriteFile(const fs::path& path, std::span<const uint8_t> bytes, bool executable) {
  std::error_code ec;
  // Devices, pipes and symbolic links are written through, never replaced.
  const fs::file_status status = fs::symlink_status(path, ec);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    WriteDirect(path, bytes);
    return;
  }
  ec.clear();
  fs::path temp = path;
  temp += ".tmp";
  WriteDirect(temp, bytes);
  if (executable) {
    fs::permissions(temp, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
  }
  if (!ec) fs::rename(temp, path, ec);
  if (ec) {
    fs::remove(temp);
    throw Error(path.string() + ": " + ec.message());
  }
}

}  // namespace tess::imagetool
