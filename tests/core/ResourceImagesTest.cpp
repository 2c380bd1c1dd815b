// Exactly the images drawn, each at the size drawn (never scaled), transparent on a background.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/Files.h"

namespace {

using orq::test::ReadFile;

namespace fs = std::filesystem;

const fs::path kResDir = fs::path(ORQ_SOURCE_DIR) / "res";

// Images of one size: ":/" + name + ".png" is what the program asks for; the file under
// res/png/ has the name's last part, or what follows a '=' where it differs. Every picture but
// the application icon (which has sizes of its own) also comes as name@2x at twice the size, for
// screens with two device pixels to a unit.
struct Images {
    const char* names;
    std::uint32_t width, height;
    bool needsAlpha;
};

// clang-format off
const Images kImages[] = {
    {"PNG/170", 150, 101, true}, {"PNG/241", 27, 28, true}, {"PNG/242", 28, 28, true},
    {"PNG/243 PNG/244 PNG/245 PNG/246 PNG/247", 600, 90, true}, {"PNG/179", 384, 250, false},
    {"PNG/180", 432, 250, false}, {"PNG/182", 800, 427, false}, {"PNG/186", 200, 210, false},
    {"PNG/187 PNG/188 PNG/189", 792, 133, false}, {"PNG/196", 72, 114, true},
    {"PNG/191 PNG/192 PNG/193 PNG/194 PNG/195", 532, 133, false},
    {"PNG/198 PNG/199 PNG/200 PNG/201 PNG/202", 151, 145, false}, {"PNG/203", 75, 113, false},
    {"PNG/214", 357, 200, false}, {"PNG/217 PNG/218", 300, 385, false},
    {"PNG/220", 427, 200, false}, {"PNG/221", 186, 200, false}, {"PNG/222", 459, 240, false},
    {"PNG/224", 392, 248, false},
    {"PNG/225", 113, 75, false}, {"PNG/229", 250, 390, false}, {"PNG/239", 869, 67, false},
    {"PNG/231 PNG/232 PNG/233 PNG/234 PNG/235 PNG/236", 1816, 35, false},
    {"PNG/240", 726, 75, false}, {"PNG/250", 324, 200, false}, {"BITMAP/183", 17, 161, false},
    {"BITMAP/184", 161, 17, false}, {"ICON/157=157-256 ICON/157-256", 256, 256, true},
    {"ICON/157-48", 48, 48, true}, {"ICON/157-32 ICON/128", 32, 32, true},
    {"ICON/157-16 ICON/205 ICON/206 ICON/207 ICON/208 ICON/209 ICON/210 ICON/211 ICON/212",
     16, 16, true},
};
// clang-format on

std::uint32_t BigEndian32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

// Resource path -> file under res/, as res/orq.qrc lists them.
std::map<std::string, std::string> QrcEntries() {
    const std::string text = ReadFile(kResDir / "orq.qrc");
    const std::regex token(R"re(<qresource\s+prefix="/?([^"]*?)/?"\s*>|)re"
                           R"re(<file(?:\s+alias="([^"]*)")?\s*>([^<]*)</file>)re");
    std::map<std::string, std::string> entries;
    std::string prefix;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), token);
         it != std::sregex_iterator(); ++it) {
        const auto& m = *it;
        if (m[1].matched)
            prefix = m[1].str();
        else
            entries[":/" + prefix + "/" + (m[2].matched ? m[2].str() : m[3].str())] = m[3].str();
    }
    return entries;
}

TEST(ResourceImages, QrcListsExactlyTheImagesDrawnEachPresentAtItsSize) {
    struct File {
        std::string path;
        const Images* images;
        std::uint32_t scale;
    };
    std::map<std::string, std::string> expected;
    std::vector<File> files;
    for (const Images& i : kImages) {
        std::istringstream names(i.names);
        for (std::string name; names >> name;) {
            const auto eq = name.find('=');
            const std::string file =
                "png/" + name.substr(eq != std::string::npos ? eq + 1 : name.find('/') + 1);
            const std::string asked = ":/" + name.substr(0, eq);
            expected[asked + ".png"] = file + ".png";
            files.push_back({file + ".png", &i, 1});
            if (name.rfind("ICON/157", 0) == 0) continue;
            expected[asked + "@2x.png"] = file + "@2x.png";
            files.push_back({file + "@2x.png", &i, 2});
        }
    }
    EXPECT_EQ(QrcEntries(), expected);

    for (const auto& [file, i, scale] : files) {
        SCOPED_TRACE(file);
        const std::string b = ReadFile(kResDir / file);
        ASSERT_GE(b.size(), 33u) << "missing";
        ASSERT_EQ(b.substr(0, 16), std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16))
            << "not a PNG";
        EXPECT_EQ(BigEndian32(b, 16), scale * i->width);
        EXPECT_EQ(BigEndian32(b, 20), scale * i->height);
        // Alpha: a colour type with an alpha channel, or a tRNS chunk ahead of the image data.
        bool alpha = b[25] == 4 || b[25] == 6;
        for (std::size_t at = 33; !alpha && at + 8 <= b.size();
             at += 12 + std::size_t{BigEndian32(b, at)}) {
            const std::string type = b.substr(at + 4, 4);
            if (type == "IDAT" || type == "IEND") break;
            alpha = type == "tRNS";
        }
        EXPECT_TRUE(alpha || !i->needsAlpha) << "needs a transparent background";
    }
}

}  // namespace
