// Convert window runs on the real device: a run that ends by itself, Stop
// and Cancel in the middle, two windows at once, a lost device, the question
// before replacing files, a source deleted before the run, and the same
// outputs as qbtex convert for the same files and options.
#include "tests/exportd3d/convert_test_support.h"

#include "cli/cmd_convert.h"
#include "tests/support/command.h"
#include "tests/support/msgbox_watcher.h"
#include "tools/imgwrite.h"

#include <sstream>

namespace {

using namespace converttest;

using Names = std::vector<std::string>;
using Tree = std::map<std::string, std::string>;

class ConvertRun : public ConvertTest {
protected:
    // Textures of the sources' own size, DXT5: quick to make.
    K4QBTexMgrConvertWindow* openTextures(const Names& names, const std::string& folder = "out") {
        K4QBTexMgrConvertWindow* cw = openConvert(names, folder);
        choose(cw, K4QB_ID_BATCH_TYPE, k4export::kTextures);
        choose(cw, K4QB_ID_BATCH_FORMAT, 3);
        return cw;
    }
    // The full window with its options, as before a run.
    void expectFullWindow(K4QBTexMgrConvertWindow* cw) {
        expectFits(cw);
        EXPECT_EQ(cw->getJob(), nullptr);
        EXPECT_FALSE(cw->isRunning());
        EXPECT_EQ(windowText(control(cw, K4QB_ID_CONVERT_START)), "Start");
        EXPECT_TRUE(IsWindowEnabled(control(cw, K4QB_ID_CONVERT_START)));
        for (int id : {K4QB_ID_CONVERT_CANCEL, K4QB_ID_BATCH_TYPE, K4QB_ID_BATCH_NAMEBUTTON,
                       K4QB_ID_ANIM_THUMBNAIL}) {
            EXPECT_TRUE(IsWindowVisible(control(cw, id))) << id;
        }
        EXPECT_FALSE(IsWindowVisible(cw->getStatusWindow()));
    }
    // Every control shown lies inside the window, none over another.
    void expectFits(K4QBTexMgrConvertWindow* cw) {
        RECT client;
        GetClientRect(cw->getWindow(), &client);
        texmgrtest::expectLaidOut(cw->getWindow(), client,
                                  texmgrtest::visibleChildren(cw->getWindow()));
    }
    // What a run reads from the options.
    std::string options(K4QBTexMgrConvertWindow* cw) {
        K4CString name;
        cw->getOutputPanel()->getFileName(&name);
        return std::to_string(selection(cw, K4QB_ID_BATCH_TYPE)) + " " +
               std::to_string(selection(cw, K4QB_ID_BATCH_SIZE)) + " " +
               std::to_string(selection(cw, K4QB_ID_BATCH_FORMAT)) + " " + name.getText() + " " +
               cw->getOutputPanel()->getFolder();
    }
};

RECT windowRect(K4QBTexMgrConvertWindow* cw) {
    RECT rect;
    GetWindowRect(cw->getWindow(), &rect);
    return rect;
}

RECT workArea() {
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

TEST_F(ConvertRun, StaticOverlaysWithThumbnailsThenTheWindowCloses) {
    for (const char* name : {"a.png", "b.png", "c.png"}) {
        writeImage(name);
    }
    K4QBTexMgrConvertWindow* cw = openConvert({"a.png", "b.png", "c.png"});
    choose(cw, K4QB_ID_BATCH_SIZE, 2); // the source's own size
    StatusRecorder statuses(cw);
    click(cw, K4QB_ID_CONVERT_START);
    // The progress box at the bottom right of the work area, holding the
    // status and the button.
    RECT rect = windowRect(cw), work = workArea(), client;
    GetClientRect(cw->getWindow(), &client);
    texmgrtest::expectLaidOut(cw->getWindow(), client,
                              {cw->getStatusWindow(), control(cw, K4QB_ID_CONVERT_START)});
    EXPECT_LT(rect.right - rect.left, 300);
    EXPECT_EQ(rect.right, work.right);
    EXPECT_EQ(rect.bottom, work.bottom);
    EXPECT_FALSE(IsWindowVisible(control(cw, K4QB_ID_BATCH_TYPE)));
    EXPECT_FALSE(IsWindowVisible(control(cw, K4QB_ID_ANIM_THUMBNAIL)));
    EXPECT_FALSE(IsWindowVisible(control(cw, K4QB_ID_CONVERT_CANCEL)));
    EXPECT_TRUE(IsWindowVisible(cw->getStatusWindow()));
    EXPECT_EQ(windowText(control(cw, K4QB_ID_CONVERT_START)), "Stop");

    bool startDisabled = false;
    ASSERT_TRUE(k4test::pumpUntil([&] {
        HWND start = control(cw, K4QB_ID_CONVERT_START);
        startDisabled = startDisabled || (start != nullptr && !IsWindowEnabled(start));
        return cw->getWindow() == nullptr;
    }));
    EXPECT_TRUE(startDisabled) << "with \"Done!\"";
    EXPECT_EQ(StatusRecorder::texts(),
              (Names{"Beginning conversion...", "File 1 of 3 exported\r\noverlay_a_v00.dds",
                     "File 2 of 3 exported\r\noverlay_b_v00.dds",
                     "File 3 of 3 exported\r\noverlay_c_v00.dds", "Done!"}));
    const std::string file = "32x32 DXT5 1", thumbnail = "64x64 DXT5 1";
    EXPECT_EQ(outputTree(out_), (Tree{{"overlay_a_v00.dds", file},
                                      {"overlay_b_v00.dds", file},
                                      {"overlay_c_v00.dds", file},
                                      {"overlay_thumbnails\\overlay_a_v00.dds", thumbnail},
                                      {"overlay_thumbnails\\overlay_b_v00.dds", thumbnail},
                                      {"overlay_thumbnails\\overlay_c_v00.dds", thumbnail}}));
}

// Stop keeps the whole files written so far and brings the full window back
// with its options; Cancel ends the window in the middle of a run.
TEST_F(ConvertRun, StopAndCancelInTheMiddleOfARun) {
    Names names;
    for (char c = 'a'; c < 'a' + 20; ++c) {
        names.push_back(std::string("t") + c + ".png");
        writeImage(names.back(), 64);
    }
    K4QBTexMgrConvertWindow* cw = openTextures(names);
    const std::string before = options(cw);
    StatusRecorder statuses(cw);
    click(cw, K4QB_ID_CONVERT_START);
    ASSERT_TRUE(k4test::pumpUntil([&] { return statuses.saw("File 1 of 20 exported\r\nta.dds"); }));
    click(cw, K4QB_ID_CONVERT_START); // "Stop"
    expectFullWindow(cw);
    EXPECT_EQ(options(cw), before);
    Tree written = outputTree(out_);
    ASSERT_GE(written.size(), 1u);
    EXPECT_LT(written.size(), 20u);
    Tree expected;
    for (size_t i = 0; i < written.size(); ++i) {
        expected[std::string("t") + static_cast<char>('a' + i) + ".dds"] = "64x64 DXT5 7";
    }
    EXPECT_EQ(written, expected) << "the first files, whole, and nothing else";

    // Again, replacing them; then Cancel.
    k4test::MsgBoxWatcher yes(IDYES);
    StatusRecorder::texts().clear();
    click(cw, K4QB_ID_CONVERT_START);
    ASSERT_EQ(yes.waitForBoxes(1), 1u);
    ASSERT_TRUE(k4test::pumpUntil([&] { return statuses.saw("File 1 of 20 exported\r\nta.dds"); }));
    click(cw, K4QB_ID_CONVERT_CANCEL);
    EXPECT_EQ(cw->getWindow(), nullptr);
    EXPECT_EQ(cw->getJob(), nullptr);
    for (const auto& output : outputTree(out_)) {
        EXPECT_EQ(output.second, "64x64 DXT5 7") << output.first;
    }
}

TEST_F(ConvertRun, TwoWindowsRunAtOnceInStackedProgressBoxes) {
    for (const char* name : {"aa.png", "ab.png", "ba.png", "bb.png"}) {
        writeImage(name);
    }
    ASSERT_TRUE(k4p::createFolder((folder_ + "\\out2").c_str()));
    K4QBTexMgrConvertWindow* first = openTextures({"aa.png", "ab.png"});
    K4QBTexMgrConvertWindow* second = openTextures({"ba.png", "bb.png"}, "out2");
    click(first, K4QB_ID_CONVERT_START);
    click(second, K4QB_ID_CONVERT_START);
    EXPECT_NE(first->getJob(), nullptr);
    EXPECT_NE(second->getJob(), nullptr);
    RECT one = windowRect(first), two = windowRect(second);
    EXPECT_EQ(one.right, workArea().right);
    EXPECT_EQ(two.right, one.right);
    EXPECT_EQ(one.bottom, workArea().bottom);
    EXPECT_EQ(two.bottom, one.top);

    ASSERT_TRUE(waitUntilClosed(first));
    ASSERT_TRUE(waitUntilClosed(second));
    EXPECT_EQ(outputTree(out_), (Tree{{"aa.dds", "32x32 DXT5 6"}, {"ab.dds", "32x32 DXT5 6"}}));
    EXPECT_EQ(outputTree(folder_ + "\\out2"),
              (Tree{{"ba.dds", "32x32 DXT5 6"}, {"bb.dds", "32x32 DXT5 6"}}));
}

// A box keeps its slot for its whole run and a new run takes the lowest free
// slot, however the list of windows changes meanwhile (here the first window
// is closed, so the running second one comes first in the list).
TEST_F(ConvertRun, ProgressBoxesKeepTheirSlotsWhileWindowsClose) {
    Names many;
    for (int i = 0; i < 40; ++i) {
        many.push_back("m" + std::to_string(100 + i) + ".png");
        writeImage(many.back(), 256);
    }
    writeImage("a.png");
    writeImage("c.png");
    for (const char* out : {"\\out2", "\\out3"}) {
        ASSERT_TRUE(k4p::createFolder((folder_ + out).c_str()));
    }
    K4QBTexMgrConvertWindow* first = openTextures({"a.png"});
    K4QBTexMgrConvertWindow* second = openTextures(many, "out2");
    click(first, K4QB_ID_CONVERT_START);
    click(second, K4QB_ID_CONVERT_START);
    click(first, K4QB_ID_CONVERT_CANCEL);
    K4QBTexMgrConvertWindow* third = openTextures({"c.png"}, "out3");
    ASSERT_EQ(list_->indexOf(second), 0);
    click(third, K4QB_ID_CONVERT_START);
    ASSERT_TRUE(second->isRunning());
    const RECT two = windowRect(second), three = windowRect(third);
    EXPECT_EQ(two.bottom, workArea().bottom - (two.bottom - two.top)) << "slot 1, as it began";
    EXPECT_EQ(three.bottom, workArea().bottom) << "slot 0, free again";
    click(second, K4QB_ID_CONVERT_START); // Stop
    ASSERT_TRUE(waitUntilClosed(third));
}

// Closing the program while a run writes, or the session ending (after
// which the system ends the process): the run stops in order before the
// device and the texture cache go, and every output ends whole or not at all.
TEST_F(ConvertRun, ClosingTheProgramDuringARunEndsItInOrder) {
    Names names;
    for (int i = 0; i < 30; ++i) {
        names.push_back("q" + std::to_string(100 + i) + ".png");
        writeImage(names.back(), 256);
    }
    K4QBTexMgrConvertWindow* cw = openTextures(names);
    StatusRecorder statuses(cw);
    click(cw, K4QB_ID_CONVERT_START);
    ASSERT_TRUE(
        k4test::pumpUntil([&] { return statuses.saw("File 1 of 30 exported\r\nq100.dds"); }));
    SendMessageA(window_->getWindow(), WM_QUERYENDSESSION, 0, 0);
    SendMessageA(window_->getWindow(), WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(cw->isRunning());
    EXPECT_EQ(cw->getJob(), nullptr);
    const Tree atEnd = outputTree(out_);
    SendMessageA(window_->getWindow(), WM_CLOSE, 0, 0);
    window_.reset(); // as start-up ends the program after its loop
    const Tree written = outputTree(out_);
    EXPECT_EQ(written, atEnd) << "nothing written after the session ended";
    EXPECT_GE(written.size(), 1u);
    EXPECT_LT(written.size(), 30u);
    for (const auto& output : written) {
        EXPECT_EQ(output.second, "256x256 DXT5 9") << output.first;
    }
}

// A lost device is waited for (the status says so), not taken for a failed
// output.
TEST_F(ConvertRun, WaitsForALostDeviceThenWritesEverything) {
    writeImage("a.png");
    writeImage("b.png");
    K4QBTexMgrConvertWindow* cw = openTextures({"a.png", "b.png"});
    StatusRecorder statuses(cw);
    window_->playedDeviceState = D3DERR_DEVICELOST; // every message polls the device
    SendMessageA(window_->getWindow(), WM_NULL, 0, 0);
    ASSERT_TRUE(window_->isD3DDeviceLost());
    click(cw, K4QB_ID_CONVERT_START);
    ASSERT_TRUE(waitForStatus("Waiting for the display device..."));
    EXPECT_TRUE(k4test::listTree(out_).empty());

    window_->playedDeviceState = D3DERR_DEVICENOTRESET;
    SendMessageA(window_->getWindow(), WM_NULL, 0, 0);
    window_->playedDeviceState = D3D_OK;
    ASSERT_FALSE(window_->isD3DDeviceLost());
    ASSERT_TRUE(waitUntilClosed(cw));
    EXPECT_EQ(StatusRecorder::texts().back(), "Done!");
    EXPECT_EQ(outputTree(out_), (Tree{{"a.dds", "32x32 DXT5 6"}, {"b.dds", "32x32 DXT5 6"}}));
}

TEST_F(ConvertRun, AskedBeforeReplacingNoChangesNothingYesReplaces) {
    writeImage("a.png");
    writeImage("b.png");
    K4QBTexMgrConvertWindow* cw = openTextures({"a.png", "b.png"});
    k4test::writeFile(out_ + "\\a.dds", "old");
    const std::string before = options(cw);
    {
        k4test::MsgBoxWatcher no(IDNO);
        click(cw, K4QB_ID_CONVERT_START);
        ASSERT_EQ(no.waitForBoxes(1), 1u);
        EXPECT_EQ(no.boxes()[0].caption, "Warning");
        EXPECT_EQ(no.boxes()[0].text,
                  "One or more output files already exist!\r\nIs it OK to replace them?");
    }
    expectFullWindow(cw);
    EXPECT_EQ(options(cw), before);
    EXPECT_EQ(k4test::listTree(out_), Names{"a.dds"});
    EXPECT_EQ(k4test::readFile(out_ + "\\a.dds"), "old");
    {
        k4test::MsgBoxWatcher yes(IDYES);
        click(cw, K4QB_ID_CONVERT_START);
        ASSERT_EQ(yes.waitForBoxes(1), 1u);
    }
    ASSERT_TRUE(waitUntilClosed(cw));
    EXPECT_EQ(outputTree(out_), (Tree{{"a.dds", "32x32 DXT5 6"}, {"b.dds", "32x32 DXT5 6"}}));
}

// The texture cache's error for the missing file is caught on the worker:
// that output is skipped and counted, the others are written, and the window
// stays to tell it. Statuses are posted, so the run ends without this thread.
TEST_F(ConvertRun, ADeletedSourceIsReportedTheOthersWrittenAndTheRunEnds) {
    for (const char* name : {"a.png", "b.png", "c.png"}) {
        writeImage(name);
    }
    // Gone after the file search listed it, before the image panel loaded it
    // into the texture cache.
    openMain();
    ASSERT_TRUE(k4p::removeFile((src_ + "\\b.png").c_str()));
    K4QBTexMgrConvertWindow* cw = openTextures({"a.png", "b.png", "c.png"});
    StatusRecorder statuses(cw);
    click(cw, K4QB_ID_CONVERT_START);
    // The worker never waits for this thread: it ends while nothing here
    // handles messages.
    ASSERT_NE(cw->getJob(), nullptr);
    ASSERT_TRUE(k4test::waitUntil([&] { return cw->getJob()->isFinished(); }));
    k4test::pump();
    EXPECT_EQ(StatusRecorder::texts(),
              (Names{"Beginning conversion...", "File 1 of 3 exported\r\na.dds",
                     "Could not export b.dds", "File 3 of 3 exported\r\nc.dds",
                     "Finished: 1 of 3 outputs could not be exported."}));
    EXPECT_EQ(outputTree(out_), (Tree{{"a.dds", "32x32 DXT5 6"}, {"c.dds", "32x32 DXT5 6"}}));
    ASSERT_NE(cw->getWindow(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(control(cw, K4QB_ID_CONVERT_START)));
    click(cw, K4QB_ID_CONVERT_START);
    expectFullWindow(cw);
}

// A PNG whose samples vary: colour type 2 (RGB) or 6 (RGBA).
void writePng(const std::string& path, int colourType, uint32_t width, uint32_t height) {
    imgwrite::PngOptions options;
    options.colourType = colourType;
    std::vector<uint16_t> samples(static_cast<size_t>(width) * height * (colourType == 2 ? 3 : 4));
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<uint16_t>((i * 37) & 255);
    }
    ASSERT_TRUE(imgwrite::saveFile(path, imgwrite::writePng(options, width, height, samples)));
}

// qbtex's lines as relative path -> "WxH FORMAT levels".
Tree qbtexOutputs(const std::string& out, const std::string& root) {
    Tree outputs;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, '\t');) {
            fields.push_back(field);
        }
        if (fields.size() == 6 && fields[2].compare(0, root.size() + 1, root + "\\") == 0) {
            outputs[fields[2].substr(root.size() + 1)] =
                fields[3] + " " + fields[4] + " " + fields[5];
        } else {
            ADD_FAILURE() << "line " << line;
        }
    }
    return outputs;
}

// The same files and options through the window and through qbtex convert
// give the same names, folders, sizes, formats and levels.
TEST_F(ConvertRun, SameOutputsAsQbtexConvert) {
    install(); // the game in the fixture's install folder
    writePng(src_ + "\\a.png", 6, 20, 20);
    writePng(src_ + "\\b.png", 2, 64, 32);
    writePng(src_ + "\\c.png", 6, 300, 200);
    const std::string walls = "\\data\\textures\\walls";
    struct Row {
        Names qbtex;
        std::function<void(K4QBTexMgrConvertWindow*)> set;
        bool game = false;
    } rows[] = {
        {{"--type", "static", "--size", "2"},
         [](K4QBTexMgrConvertWindow* cw) { choose(cw, K4QB_ID_BATCH_SIZE, 2); }},
        {{"--type", "animated", "--name", "Fire", "--target-fps", "20", "--start", "98",
          "--thumbnail", "2"},
         [](K4QBTexMgrConvertWindow* cw) {
             choose(cw, K4QB_ID_BATCH_TYPE, k4export::kAnimatedOverlays);
             click(cw, K4QB_ID_BATCH_NAMEBUTTON);
             SetWindowTextA(control(cw, K4QB_ID_BATCH_NAME), "Fire");
             SetWindowTextA(control(cw, K4QB_ID_ANIM_TARGETRATE), "20");
             SetWindowTextA(control(cw, K4QB_ID_ANIM_START), "98");
             choose(cw, K4QB_ID_ANIM_THUMBNAIL, 2);
         }},
        {{"--type", "backdrop", "--size", "1", "--format", "a8r8g8b8"},
         [](K4QBTexMgrConvertWindow* cw) {
             choose(cw, K4QB_ID_BATCH_TYPE, k4export::kBackdrops);
             choose(cw, K4QB_ID_BATCH_SIZE, 1);
             choose(cw, K4QB_ID_BATCH_FORMAT, 4);
         }},
        {{"--type", "texture", "--game-folder", "data\\textures\\walls"},
         [](K4QBTexMgrConvertWindow* cw) {
             choose(cw, K4QB_ID_BATCH_TYPE, k4export::kTextures);
             click(cw, K4QB_ID_BATCH_SOURCE); // the game
             cw->getOutputPanel()->applyTypeFolder("data\\textures\\walls\\");
         },
         true},
    };
    for (size_t r = 0; r < sizeof rows / sizeof rows[0]; ++r) {
        SCOPED_TRACE(rows[r].qbtex[1]);
        const std::string name = std::to_string(r);
        std::string qbtexRoot = folder_ + "\\q" + name, windowRoot = folder_ + "\\w" + name;
        ASSERT_TRUE(k4p::createFolder(qbtexRoot.c_str()));
        ASSERT_TRUE(k4p::createFolder(windowRoot.c_str()));
        Names args = rows[r].qbtex;
        args.insert(args.end(), {rows[r].game ? "--game" : "--out", qbtexRoot, "--jobs", "2",
                                 src_ + "\\c.png", src_ + "\\a.png", src_ + "\\b.png"});
        const k4test::CommandRun run = k4test::runCommand(runConvert, args);
        ASSERT_EQ(run.status, 0) << run.err;
        if (rows[r].game) {
            qbtexRoot += walls;
            windowRoot = folder_ + "\\install" + walls;
        }
        const Tree expected = qbtexOutputs(run.out, qbtexRoot);
        EXPECT_EQ(outputTree(qbtexRoot), expected);

        K4QBTexMgrConvertWindow* cw = openConvert({"a.png", "b.png", "c.png"}, "w" + name);
        rows[r].set(cw);
        click(cw, K4QB_ID_CONVERT_START);
        ASSERT_TRUE(waitUntilClosed(cw));
        EXPECT_EQ(outputTree(windowRoot), expected);
    }
}

} // namespace
