// The convert window before a run: opening from the file search selection
// (nothing chosen, the cascade, the files shown, the initial type and
// folder), the output options' type list, folder source and file name
// button, and the limits of the animated overlay fields.
#include "tests/exportd3d/convert_test_support.h"

#include "foundation/errors.h"
#include "shell/k4qbtexmgrresources.h"
#include "texmgr/k4qbfiledropdown.h"

namespace {

using namespace converttest;
using texmgrtest::command;

using Names = std::vector<std::string>;

class ConvertWindow : public ConvertTest {};

// The read-only list of file names.
HWND fileNames(K4QBTexMgrConvertWindow* cw) {
    for (HWND child = nullptr; (child = FindWindowExA(cw->getWindow(), child, "EDIT", nullptr));) {
        if ((GetWindowLongA(child, GWL_STYLE) & ES_READONLY) != 0) {
            return child;
        }
    }
    return nullptr;
}

TEST_F(ConvertWindow, OpensOnTheChosenFilesWithTheirInitialType) {
    for (const char* name : {"bd_a.dds", "BD_b.tga", "fire01.png", "fire02.png", "fire10.png",
                             "fire1.png", "Fire03.png", "sky.png"}) {
        k4test::writeFile(src_ + "\\" + name, "");
    }
    openMain();
    // Nothing chosen: no window.
    select({});
    EXPECT_THROWS_CODE(list_->openFromSelection(window_->getFSControls()->getFileList()),
                       K4QBERR_TEXMGR_NOFILESCHOSEN);
    EXPECT_EQ(list_->getCount(), 0);
    EXPECT_EQ(K4QBTexMgrConvertWindow::getInstanceCount(), 0);
    EXPECT_EQ(FindWindowA(K4QB_CONVERT_CLASS, nullptr), nullptr);

    struct Row {
        Names chosen;
        int type;
        std::string names; // as listed: sorted by name, each once
    } rows[] = {
        {{"bd_a.dds", "BD_b.tga"}, k4export::kBackdrops, "BD_b.tga\r\nbd_a.dds"},
        {{"fire01.png", "fire02.png", "fire10.png"},
         k4export::kAnimatedOverlays,
         "fire01.png\r\nfire02.png\r\nfire10.png"},
        {{"fire1.png", "fire10.png"}, k4export::kAnimatedOverlays, "fire1.png\r\nfire10.png"},
        {{"fire01.png"}, k4export::kStaticOverlays, "fire01.png"},
        // Case counts before the digits; a backdrop among others does not.
        {{"fire01.png", "Fire03.png"}, k4export::kStaticOverlays, "Fire03.png\r\nfire01.png"},
        {{"bd_a.dds", "sky.png"}, k4export::kStaticOverlays, "bd_a.dds\r\nsky.png"},
    };
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    for (size_t r = 0; r < sizeof rows / sizeof rows[0]; ++r) {
        SCOPED_TRACE(rows[r].names);
        K4QBTexMgrConvertWindow* cw = openConvert(rows[r].chosen, "");
        int count = static_cast<int>(std::count(rows[r].names.begin(), rows[r].names.end(), '\n'));
        EXPECT_EQ(windowText(cw->getWindow()), "Convert To DDS");
        const std::string group = std::to_string(count + 1) + " Image Files:";
        EXPECT_NE(FindWindowExA(cw->getWindow(), nullptr, "BUTTON", group.c_str()), nullptr);
        EXPECT_EQ(windowText(fileNames(cw)), rows[r].names);
        EXPECT_EQ(selection(cw, K4QB_ID_BATCH_TYPE), rows[r].type);
        EXPECT_EQ(selection(cw, K4QB_ID_BATCH_SIZE), 0);
        EXPECT_EQ(IsWindowEnabled(control(cw, K4QB_ID_ANIM_SOURCERATE)) != FALSE,
                  rows[r].type == k4export::kAnimatedOverlays);
        // Files from disk: the file system at the folder the drop-down shows
        // (the documents folder), never an empty folder (the drive's root).
        K4QBTexMgrOutputPanel* output = cw->getOutputPanel();
        EXPECT_EQ(output->getFolderSource(), K4QB_FOLDER_SOURCE_FILES);
        EXPECT_STRNE(output->getFolder(), "");
        EXPECT_STREQ(output->getFolder(), output->getFolderDropDown()->getCurFolder());
        // Centred, cascading by 64 pixels: -64, 0, +64, -64...
        RECT rect;
        GetWindowRect(cw->getWindow(), &rect);
        int d = 64 * static_cast<int>(r % 3) - 64;
        EXPECT_NEAR((rect.left + rect.right) / 2, (GetSystemMetrics(SM_CXSCREEN) >> 1) + d, 1);
        EXPECT_NEAR((rect.top + rect.bottom - caption) / 2,
                    (GetSystemMetrics(SM_CYSCREEN) >> 1) + d, 1);
    }
    EXPECT_EQ(K4QBTexMgrConvertWindow::getInstanceCount(), 6);
    // A closed window leaves the list when the next one opens, which takes
    // the place after those still open.
    SendMessageA(list_->get(1)->getWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(list_->get(1)->getWindow(), nullptr);
    K4QBTexMgrConvertWindow* next = openConvert({"sky.png"}, "");
    EXPECT_EQ(list_->getCount(), 6);
    EXPECT_EQ(list_->indexOf(next), 5);
    RECT rect;
    GetWindowRect(next->getWindow(), &rect);
    EXPECT_NEAR((rect.left + rect.right) / 2, (GetSystemMetrics(SM_CXSCREEN) >> 1) + 64, 1);

    // Game files start on the game folder of their type, locked for overlays.
    command(window_.get(), K4QB_ID_SOURCE);
    K4QBTexMgrConvertWindow* game = openConvert({"blue.png", "green.png"}, "");
    K4QBTexMgrOutputPanel* output = game->getOutputPanel();
    EXPECT_EQ(output->getFolderSource(), K4QB_FOLDER_SOURCE_GAME);
    EXPECT_STREQ(output->getFolder(), "data\\textures\\overlays\\");
    EXPECT_FALSE(IsWindowEnabled(output->getFolderDropDown()->getWindow()));
}

TEST_F(ConvertWindow, TypeListFolderSourceAndFileNameButton) {
    writeImage("a.png");
    writeImage("b.png");
    K4QBTexMgrConvertWindow* cw = openConvert({"a.png", "b.png"});
    K4QBTexMgrOutputPanel* output = cw->getOutputPanel();
    HWND nameField = control(cw, K4QB_ID_BATCH_NAME);
    auto sizes = [&] {
        Names labels;
        for (int i = 0; i < SendMessageA(control(cw, K4QB_ID_BATCH_SIZE), CB_GETCOUNT, 0, 0); ++i) {
            labels.push_back(itemText(cw, K4QB_ID_BATCH_SIZE, i));
        }
        return labels;
    };
    EXPECT_EQ(itemText(cw, K4QB_ID_BATCH_FORMAT, selection(cw, K4QB_ID_BATCH_FORMAT)),
              "Best Match (DXT Compressed)");
    EXPECT_EQ(SendMessageA(control(cw, K4QB_ID_BATCH_FORMAT), CB_GETCOUNT, 0, 0), 13);
    EXPECT_EQ(windowText(nameField), "(Based on original)");
    EXPECT_FALSE(IsWindowEnabled(nameField));

    // The type list fills the sizes and enables the animated options; the
    // folder stays.
    const std::string folder = output->getFolder();
    choose(cw, K4QB_ID_BATCH_TYPE, k4export::kBackdrops);
    EXPECT_EQ(sizes(), (Names{"Standard (1024x256)", "Nearest Power of 2"}));
    EXPECT_EQ(selection(cw, K4QB_ID_BATCH_SIZE), 0);
    EXPECT_FALSE(IsWindowEnabled(control(cw, K4QB_ID_ANIM_THUMBNAIL)));
    EXPECT_EQ(output->getFolder(), folder);
    choose(cw, K4QB_ID_BATCH_TYPE, k4export::kAnimatedOverlays);
    EXPECT_EQ(sizes(),
              (Names{"Online Quality (512x256)", "High Quality (1024x512)", "Nearest Power of 2"}));
    EXPECT_TRUE(IsWindowEnabled(control(cw, K4QB_ID_ANIM_THUMBNAIL)));
    EXPECT_TRUE(IsWindowEnabled(control(cw, K4QB_ID_ANIM_MAXCOUNT)));

    // The file name button: the type's prefix with the caret after it, and
    // back.
    struct Row {
        int type;
        std::string prefix;
    } rows[] = {{k4export::kAnimatedOverlays, "overlay_"},
                {k4export::kBackdrops, "bd_"},
                {k4export::kTextures, ""}};
    for (const Row& row : rows) {
        choose(cw, K4QB_ID_BATCH_TYPE, row.type);
        click(cw, K4QB_ID_BATCH_NAMEBUTTON);
        EXPECT_EQ(windowText(nameField), row.prefix);
        EXPECT_TRUE(IsWindowEnabled(nameField));
        EXPECT_EQ(GetFocus(), nameField);
        DWORD start = 0, end = 0;
        SendMessageA(nameField, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, row.prefix.size());
        EXPECT_EQ(end, row.prefix.size());
        click(cw, K4QB_ID_BATCH_NAMEBUTTON);
        EXPECT_EQ(windowText(nameField), "(Based on original)");
        EXPECT_FALSE(IsWindowEnabled(nameField));
    }

    // The source button: the game at the type's folder (textures may choose
    // it), then the file system again, each with its icon.
    auto icon = [&] {
        return reinterpret_cast<HICON>(
            SendMessageA(control(cw, K4QB_ID_BATCH_SOURCE), BM_GETIMAGE, IMAGE_ICON, 0));
    };
    EXPECT_EQ(icon(), window_->getIcon(K4QB_RES_SHELLICON15));
    click(cw, K4QB_ID_BATCH_SOURCE);
    EXPECT_EQ(output->getFolderSource(), K4QB_FOLDER_SOURCE_GAME);
    EXPECT_STREQ(output->getFolder(), "data\\textures\\");
    EXPECT_TRUE(IsWindowEnabled(output->getFolderDropDown()->getWindow()));
    EXPECT_EQ(icon(), window_->getIcon(K4QB_RES_GAMEICON));
    click(cw, K4QB_ID_BATCH_SOURCE);
    EXPECT_EQ(output->getFolderSource(), K4QB_FOLDER_SOURCE_FILES);
    EXPECT_EQ(output->getFolder(), out_ + "\\");
    EXPECT_EQ(icon(), window_->getIcon(K4QB_RES_SHELLICON15));
    choose(cw, K4QB_ID_BATCH_TYPE, k4export::kBackdrops);
    click(cw, K4QB_ID_BATCH_SOURCE);
    EXPECT_STREQ(output->getFolder(), "data\\textures\\backdrops\\");
    EXPECT_FALSE(IsWindowEnabled(output->getFolderDropDown()->getWindow()));
}

TEST_F(ConvertWindow, AnimatedOverlayFieldsKeepTheirLimits) {
    Names names;
    for (int i = 0; i < 120; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d.png", i);
        k4test::writeFile(src_ + "\\" + name, "");
        names.push_back(name);
    }
    K4QBTexMgrConvertWindow* cw = openConvert(names);
    ASSERT_EQ(selection(cw, K4QB_ID_ANIM_THUMBNAIL), 0);
    EXPECT_EQ(cw->getAnimPanel()->getThumbnails()->getEntryCount(), 120);
    EXPECT_STREQ(cw->getAnimPanel()->getThumbnails()->getEntryFileName(119), "f119.png");
    struct Row {
        int id;
        std::string typed, kept;
    } rows[] = {
        {K4QB_ID_ANIM_SOURCERATE, "0", "1"},       {K4QB_ID_ANIM_SOURCERATE, "5000", "999"},
        {K4QB_ID_ANIM_TARGETRATE, "", "10"},       {K4QB_ID_ANIM_TARGETRATE, "abc", "10"},
        {K4QB_ID_ANIM_START, "010", "8"},          {K4QB_ID_ANIM_START, "0x10", "16"},
        {K4QB_ID_ANIM_START, "100", "99"},         {K4QB_ID_ANIM_MAXCOUNT, "100", "120"},
        {K4QB_ID_ANIM_MAXCOUNT, "20000", "10000"},
    };
    for (const Row& row : rows) {
        type(cw, row.id, row.typed);
        EXPECT_EQ(windowText(control(cw, row.id)), row.kept) << row.id << " " << row.typed;
    }
    // Another type disables every option and keeps the values.
    choose(cw, K4QB_ID_BATCH_TYPE, k4export::kStaticOverlays);
    for (int id = K4QB_ID_ANIM_SOURCERATE; id <= K4QB_ID_ANIM_THUMBNAIL; ++id) {
        EXPECT_FALSE(IsWindowEnabled(control(cw, id))) << id;
    }
    EXPECT_EQ(windowText(control(cw, K4QB_ID_ANIM_MAXCOUNT)), "10000");
    EXPECT_EQ(windowText(control(cw, K4QB_ID_ANIM_START)), "99");
    // A run of another type leaves them as they stand, even a Max Count
    // below the file count, which only an animated overlay would raise.
    K4QBTexMgrConvertWindow* other = openConvert(names);
    choose(other, K4QB_ID_BATCH_TYPE, k4export::kTextures);
    click(other, K4QB_ID_CONVERT_START);
    EXPECT_TRUE(other->isRunning());
    EXPECT_EQ(windowText(control(other, K4QB_ID_ANIM_MAXCOUNT)), "100");
    click(other, K4QB_ID_CONVERT_START); // Stop
}

} // namespace
