// Every picture the program loads from its Qt resources: the resource file must
// list only images that are there, each at the exact pixel size its page draws it
// (pictures are never scaled), and must not forget an image that is committed.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kResDir = fs::path(ORQ_SOURCE_DIR) / "res";

struct Expected {
  const char* resource;  // path the program asks for
  const char* file;      // where the image lives, relative to res/
  std::uint32_t width;
  std::uint32_t height;
  bool needsAlpha;       // drawn over the page or form background
};

// Main form, wizard pages, level bars and icons.
const std::vector<Expected>& Table() {
  static const std::vector<Expected> table = {
      {":/PNG/170.png", "png/170.png", 150, 101, true},
      {":/PNG/241.png", "png/241.png", 27, 28, true},
      {":/PNG/242.png", "png/242.png", 28, 28, true},
      {":/PNG/243.png", "png/243.png", 600, 90, true},
      {":/PNG/244.png", "png/244.png", 600, 90, true},
      {":/PNG/245.png", "png/245.png", 600, 90, true},
      {":/PNG/246.png", "png/246.png", 600, 90, true},
      {":/PNG/247.png", "png/247.png", 600, 90, true},
      {":/PNG/179.png", "png/179.png", 384, 250, false},
      {":/PNG/180.png", "png/180.png", 432, 250, false},
      {":/PNG/182.png", "png/182.png", 800, 427, false},
      {":/PNG/186.png", "png/186.png", 480, 200, false},
      {":/PNG/187.png", "png/187.png", 792, 133, false},
      {":/PNG/188.png", "png/188.png", 792, 133, false},
      {":/PNG/189.png", "png/189.png", 792, 133, false},
      {":/PNG/191.png", "png/191.png", 532, 133, false},
      {":/PNG/192.png", "png/192.png", 532, 133, false},
      {":/PNG/193.png", "png/193.png", 532, 133, false},
      {":/PNG/194.png", "png/194.png", 532, 133, false},
      {":/PNG/195.png", "png/195.png", 532, 133, false},
      {":/PNG/196.png", "png/196.png", 72, 114, true},
      {":/PNG/198.png", "png/198.png", 151, 145, false},
      {":/PNG/199.png", "png/199.png", 151, 145, false},
      {":/PNG/200.png", "png/200.png", 151, 145, false},
      {":/PNG/201.png", "png/201.png", 151, 145, false},
      {":/PNG/202.png", "png/202.png", 151, 145, false},
      {":/PNG/203.png", "png/203.png", 75, 113, false},
      {":/PNG/214.png", "png/214.png", 357, 200, false},
      {":/PNG/217.png", "png/217.png", 300, 385, false},
      {":/PNG/218.png", "png/218.png", 300, 385, false},
      {":/PNG/220.png", "png/220.png", 427, 200, false},
      {":/PNG/221.png", "png/221.png", 186, 200, false},
      {":/PNG/222.png", "png/222.png", 459, 240, false},
      {":/PNG/224.png", "png/224.png", 392, 248, false},
      {":/PNG/225.png", "png/225.png", 113, 75, false},
      {":/PNG/229.png", "png/229.png", 250, 390, false},
      {":/PNG/231.png", "png/231.png", 1816, 35, false},
      {":/PNG/232.png", "png/232.png", 1816, 35, false},
      {":/PNG/233.png", "png/233.png", 1816, 35, false},
      {":/PNG/234.png", "png/234.png", 1816, 35, false},
      {":/PNG/235.png", "png/235.png", 1816, 35, false},
      {":/PNG/236.png", "png/236.png", 1816, 35, false},
      {":/PNG/239.png", "png/239.png", 869, 67, false},
      {":/PNG/240.png", "png/240.png", 726, 75, false},
      {":/PNG/250.png", "png/250.png", 324, 200, false},
      {":/BITMAP/183.png", "png/183.png", 17, 161, false},
      {":/BITMAP/184.png", "png/184.png", 161, 17, false},
      {":/ICON/157.png", "png/157-256.png", 256, 256, true},
      {":/ICON/157-16.png", "png/157-16.png", 16, 16, true},
      {":/ICON/157-32.png", "png/157-32.png", 32, 32, true},
      {":/ICON/157-48.png", "png/157-48.png", 48, 48, true},
      {":/ICON/157-256.png", "png/157-256.png", 256, 256, true},
      {":/ICON/128.png", "png/128.png", 32, 32, true},
      {":/ICON/205.png", "png/205.png", 16, 16, true},
      {":/ICON/206.png", "png/206.png", 16, 16, true},
      {":/ICON/207.png", "png/207.png", 16, 16, true},
      {":/ICON/208.png", "png/208.png", 16, 16, true},
      {":/ICON/209.png", "png/209.png", 16, 16, true},
      {":/ICON/210.png", "png/210.png", 16, 16, true},
      {":/ICON/211.png", "png/211.png", 16, 16, true},
      {":/ICON/212.png", "png/212.png", 16, 16, true},
  };
  return table;
}

const Expected* Find(const std::string& resource) {
  for (const auto& e : Table())
    if (resource == e.resource) return &e;
  return nullptr;
}

std::vector<unsigned char> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t BigEndian32(const std::vector<unsigned char>& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
         (std::uint32_t{b[at + 2]} << 8) | std::uint32_t{b[at + 3]};
}

struct PngHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bool hasAlpha = false;  // alpha channel, or a palette with a transparency chunk
};

// Reads the signature and the IHDR chunk, which a valid PNG must carry first;
// walks the chunks up to the image data to see whether a palette has a tRNS.
std::optional<PngHeader> ReadPngHeader(const fs::path& path) {
  static constexpr std::array<unsigned char, 8> kSignature = {0x89, 'P', 'N', 'G',
                                                              0x0D, 0x0A, 0x1A, 0x0A};
  const auto bytes = ReadFile(path);
  if (bytes.size() < 33) return std::nullopt;
  for (std::size_t i = 0; i < kSignature.size(); ++i)
    if (bytes[i] != kSignature[i]) return std::nullopt;
  if (BigEndian32(bytes, 8) != 13 || std::string(bytes.begin() + 12, bytes.begin() + 16) != "IHDR")
    return std::nullopt;
  PngHeader h;
  h.width = BigEndian32(bytes, 16);
  h.height = BigEndian32(bytes, 20);
  const unsigned colourType = bytes[25];
  h.hasAlpha = colourType == 4 || colourType == 6;
  std::size_t at = 33;
  while (!h.hasAlpha && at + 8 <= bytes.size()) {
    const std::uint32_t length = BigEndian32(bytes, at);
    const std::string type(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           bytes.begin() + static_cast<std::ptrdiff_t>(at + 8));
    if (type == "IDAT" || type == "IEND") break;
    if (type == "tRNS") h.hasAlpha = true;
    at += 12 + std::size_t{length};
  }
  return h;
}

// Resource path -> file relative to res/, as res/orq.qrc lists them.
std::map<std::string, std::string> QrcEntries() {
  const auto bytes = ReadFile(kResDir / "orq.qrc");
  const std::string text(bytes.begin(), bytes.end());
  std::map<std::string, std::string> entries;
  const std::regex token(R"re(<qresource\s+prefix="([^"]*)"\s*>|<file(?:\s+alias="([^"]*)")?\s*>([^<]*)</file>)re");
  std::string prefix;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), token); it != std::sregex_iterator(); ++it) {
    const auto& m = *it;
    if (m[1].matched) {
      prefix = m[1].str();
      if (!prefix.empty() && prefix.back() == '/') prefix.pop_back();
      continue;
    }
    const std::string file = m[3].str();
    const std::string alias = m[2].matched ? m[2].str() : file;
    entries[":" + prefix + "/" + alias] = file;
  }
  return entries;
}

TEST(ResourceImages, QrcListsOnlyKnownImagesThatExistAtTheirSize) {
  ASSERT_TRUE(fs::exists(kResDir / "orq.qrc"));
  const auto entries = QrcEntries();
  ASSERT_FALSE(entries.empty());
  for (const auto& [resource, file] : entries) {
    SCOPED_TRACE(resource + " -> " + file);
    const Expected* expected = Find(resource);
    ASSERT_NE(expected, nullptr) << "no image of this name is drawn anywhere";
    EXPECT_EQ(file, expected->file);
    const auto header = ReadPngHeader(kResDir / file);
    ASSERT_TRUE(header.has_value()) << "missing, or not a PNG";
    EXPECT_EQ(header->width, expected->width);
    EXPECT_EQ(header->height, expected->height);
    if (expected->needsAlpha) {
      EXPECT_TRUE(header->hasAlpha) << "needs a transparent background";
    }
  }
}

TEST(ResourceImages, EveryCommittedImageIsListed) {
  const auto entries = QrcEntries();
  for (const auto& e : Table()) {
    if (!fs::exists(kResDir / e.file)) continue;
    SCOPED_TRACE(e.resource);
    const auto it = entries.find(e.resource);
    ASSERT_NE(it, entries.end()) << e.file << " is committed but the program cannot load it";
    EXPECT_EQ(it->second, e.file);
  }
}

TEST(ResourceImages, MainWindowHasEveryImageItDraws) {
  const auto entries = QrcEntries();
  for (const char* resource : {":/PNG/170.png", ":/PNG/241.png", ":/PNG/242.png", ":/PNG/243.png",
                               ":/PNG/244.png", ":/PNG/245.png", ":/PNG/246.png", ":/PNG/247.png",
                               ":/ICON/157.png", ":/ICON/157-16.png", ":/ICON/157-32.png",
                               ":/ICON/157-48.png", ":/ICON/128.png"})
    EXPECT_TRUE(entries.count(resource)) << resource;
}

}  // namespace
