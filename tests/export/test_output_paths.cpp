// Output and thumbnail paths, and the folders an export creates on disk.
#include "export/output_paths.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace k4export;

namespace {

// The folders below `root` that hold no folder (they fix the whole tree),
// relative to it, sorted and joined by spaces.
std::string leafFolders(const std::string& root) {
    std::vector<std::string> folders;
    k4test::walkTree(root, [&](const std::string& path, bool directory) {
        if (directory) {
            folders.push_back(path);
        }
    });
    std::sort(folders.begin(), folders.end());
    std::string joined;
    for (const std::string& folder : folders) {
        if (std::none_of(folders.begin(), folders.end(), [&](const std::string& other) {
                return other.rfind(folder + "\\", 0) == 0;
            })) {
            joined += (joined.empty() ? "" : " ") + folder;
        }
    }
    return joined;
}

} // namespace

TEST(ExportPaths, OutputAndThumbnailPaths) {
    const char* game = "data\\textures\\overlays\\";
    struct Row {
        int32_t source, type;
        const char* folder;
        const char* install;
        const char* name;
        const char* output;    // "" when there is none
        const char* thumbnail; // "" when there is none
    } rows[] = {
        {1, kStaticOverlays, game, "C:\\Q", "n.dds", "C:\\Q\\data\\textures\\overlays\\n.dds",
         "C:\\Q\\data\\textures\\overlays\\overlay_thumbnails\\n.dds"},
        {1, kBackdrops, "data\\textures\\backdrops\\", "C:\\Q\\", "n.dds",
         "C:\\Q\\data\\textures\\backdrops\\n.dds",
         "C:\\Q\\data\\textures\\thumbs\\backdrops\\th_n.dds"},
        {1, kTextures, "data\\textures\\sub", "C:\\Q", "n.dds", "C:\\Q\\data\\textures\\sub\\n.dds",
         ""},
        {0, kAnimatedOverlays, "D:\\out", "C:\\Q", "n.dds", "D:\\out\\n.dds",
         "D:\\out\\overlay_thumbnails\\n.dds"},
        {0, kBackdrops, "D:\\out\\", nullptr, "n.dds", "D:\\out\\n.dds",
         "D:\\out\\thumbs\\th_n.dds"},
        // No path where the file would land outside the chosen place.
        {0, kStaticOverlays, "", "C:\\Q", "n.dds", "", ""},
        {1, kStaticOverlays, game, nullptr, "n.dds", "", ""},
        {1, kTextures, "data\\..\\..\\x\\", "C:\\Q", "n.dds", "", ""},
        {1, kTextures, "data\\textures\\", "C:\\Q", "..\\n.dds", "", ""},
    };
    for (const Row& row : rows) {
        const ExportSettings settings{row.type, row.source, row.folder, row.install};
        K4CString output, thumbnail;
        EXPECT_EQ(makeOutputPath(settings, row.name, &output), *row.output != 0);
        EXPECT_STREQ(output.getText(), row.output);
        EXPECT_EQ(makeThumbnailPath(settings, row.name, &thumbnail), *row.thumbnail != 0);
        EXPECT_STREQ(thumbnail.getText(), row.thumbnail);
    }
}

TEST(ExportPaths, PrepareOutputFoldersCreates) {
    const std::string base = k4test::testFolder("export");
    struct Row {
        int32_t source, type;
        const char* folder; // game folder, or below the row's own folder
        const char* leaves;
    } rows[] = {
        {1, kStaticOverlays, "data\\textures\\overlays\\",
         "install\\data\\textures\\overlays\\overlay_thumbnails"},
        {1, kBackdrops, "data\\textures\\backdrops\\",
         "install\\data\\textures\\backdrops install\\data\\textures\\thumbs\\backdrops"},
        // The folder the file goes to, also outside the texture root.
        {1, kTextures, "data\\models\\x", "install\\data\\models\\x install\\data\\textures"},
        {1, kTextures, "..\\escape\\", "install"},
        {1, kTextures, "data\\textures\\", ""}, // no install folder: nothing
        {0, kStaticOverlays, "out", "out\\overlay_thumbnails"},
        {0, kBackdrops, "out", "out\\thumbs"},
    };
    int rowNumber = 0;
    for (const Row& row : rows) {
        const std::string root = base + "\\" + std::to_string(rowNumber++);
        const std::string existing = row.source != 0 ? "install" : row.folder;
        ASSERT_TRUE(k4p::createFolder(root.c_str()));
        if (*row.leaves != 0) {
            ASSERT_TRUE(k4p::createFolder((root + "\\" + existing).c_str()));
        }
        const std::string install = root + "\\install";
        const std::string chosen = root + "\\" + row.folder;
        const ExportSettings settings{
            row.type, row.source, row.source != 0 ? row.folder : chosen.c_str(), install.c_str()};
        prepareOutputFolders(settings);
        EXPECT_EQ(leafFolders(root), row.leaves) << "row " << rowNumber - 1;
    }
}
