// qbtex convert: the convert window's batch export for scripts and for users
// without Wine. The outputs (counts, names, folders, thumbnails, levels) are
// the export plan's, sizes and formats those of the sources as the texture
// cache loads them, and every output is drawn by the codec in software as
// the window's device draws it (codec/compose.h).
//
// Outputs are made by --jobs worker threads, each taking the next output in
// order; a source is loaded once by the first output that needs it and freed
// after its last. The main thread prints each output's line, or its error,
// in output order as soon as it is done. Every file is written whole beside
// its target and moved into place, by a thread of the worker's own while the
// worker makes its next output (cli/write_behind.h). SIGINT or SIGTERM stops
// the run after the outputs being written (a second one ends it at once); the
// signal is then raised again, so the caller sees how the run ended.
#include "cli/cmd_convert.h"
#include "cli/cmd_content.h"
#include "cli/write_behind.h"

#include "codec/codec.h"
#include "codec/compose.h"
#include "codec/parallel.h"
#include "content/file_list.h"
#include "export/export_plan.h"
#include "export/output_paths.h"
#include "foundation/errors.h"
#include "platform/platform.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define K4_ISATTY _isatty
#define K4_FILENO _fileno
#else
#include <unistd.h>
#define K4_ISATTY isatty
#define K4_FILENO fileno
#endif

namespace {

using namespace k4export;

const char kConvertHelp[] =
    "usage: qbtex convert [OPTIONS] FILE...\n"
    "\n"
    "Converts image files (DDS, BMP, TGA, PNG, JPEG) into the game's DDS\n"
    "textures as the convert window does: files in order of file name, then\n"
    "folder; the same names, folders, sizes, formats, mip levels and\n"
    "thumbnails.\n"
    "\n"
    "  --type T          static, animated, backdrop or texture (default texture)\n"
    "  --size N          size preset of the type, from 0 (default 0):\n"
    "                    static, animated: 512x256, 1024x512, own size;\n"
    "                    backdrop: 1024x256, own size; texture: own size,\n"
    "                    then 1024 to 32 pixels (the longer side kept)\n"
    "  --format F        best (default) or dxt1 dxt3 dxt5 a8r8g8b8 r8g8b8\n"
    "                    a4r4g4b4 a1r5g5b5 r5g6b5 a8l8 r3g3b2 a4l4 l8\n"
    "  --name TEXT       the file name (default \"(Based on original)\": each\n"
    "                    output named after its source)\n"
    "  --out DIR         write below DIR (default: the current folder)\n"
    "  --game DIR        write into the game installed in DIR: textures go to\n"
    "                    --game-folder, the other types to their own folder\n"
    "  --game-folder P   game folder of textures (default data\\textures\\)\n"
    "  --source-fps N    animated: frames per second of the files, 1 to 999\n"
    "  --target-fps N    animated: frames per second written, 1 to 999\n"
    "  --start N         animated: number of the first frame, 0 to 99\n"
    "  --max-count N     animated: frame numbers wrap here, 1 to 10000\n"
    "  --thumbnail N     animated: the file (from 0) the thumbnail shows\n"
    "                    (defaults 10 10 0 100 0)\n"
    "  --yes             replace output files that exist already; without it\n"
    "                    they are listed and nothing is written\n"
    "  --dry-run         print the outputs, write nothing (reads file headers)\n"
    "  --jobs N          outputs made at once (default: the number of cores)\n"
    "  --help            this text\n"
    "\n"
    "One line per output, in output order, tab-separated: file or thumbnail,\n"
    "the source file, the output path, WIDTHxHEIGHT, the format, the number of\n"
    "mip levels. A thumbnail follows its file; an animated overlay's one\n"
    "thumbnail comes last. Progress goes to standard error when it is a\n"
    "terminal.\n"
    "\n"
    "Exit status: 0 every output written, 1 a file could not be read or an\n"
    "output not written (the others are; the last message says how many), or\n"
    "outputs exist without --yes, 2 bad usage.\n";

struct Options {
    int32_t type = kTextures;
    int32_t sizeIndex = 0;
    Format format = kBestMatch;
    std::string name = kBasedOnOriginal;
    std::string out = ".";
    std::string game;
    std::string gameFolder;
    int32_t sourceRate = 10, targetRate = 10, start = 0, maxCount = 100, thumbnail = 0;
    bool yes = false, dryRun = false, help = false;
    int32_t jobs = 0;
    std::vector<std::string> files;
};

// Reports a usage error; false so that parsing ends with it.
bool usage(const std::string& detail) {
    qbtex::reportError(K4QBERR_CLI_USAGE, detail);
    return false;
}

bool parseInt(const char* option, const char* text, int32_t min, int32_t max, int32_t* value) {
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || parsed < min || parsed > max) {
        return usage(std::string(option) + " needs a whole number from " + std::to_string(min) +
                     " to " + std::to_string(max) + ", not '" + text + "'");
    }
    *value = static_cast<int32_t>(parsed);
    return true;
}

bool parseType(const char* text, int32_t* type) {
    const char* const names[kTypeCount] = {"static", "animated", "backdrop", "texture"};
    for (int32_t i = 0; i < kTypeCount; ++i) {
        if (std::strcmp(text, names[i]) == 0) {
            *type = i;
            return true;
        }
    }
    return usage(std::string("--type must be static, animated, backdrop or texture, not '") + text +
                 "'");
}

bool parseFormat(const char* text, Format* format) {
    if (std::strcmp(text, "best") == 0) {
        *format = kBestMatch;
        return true;
    }
    *format = k4codec::formatFromName(text);
    if (!k4codec::isOutputFormat(*format)) {
        return usage(std::string("--format must be best or one of dxt1, dxt3, dxt5, a8r8g8b8, "
                                 "r8g8b8, a4r4g4b4, a1r5g5b5, r5g6b5, a8l8, r3g3b2, a4l4, l8, "
                                 "not '") +
                     text + "'");
    }
    return true;
}

bool parseOption(const std::string& option, const char* value, Options* o) {
    if (option == "--type") {
        return parseType(value, &o->type);
    } else if (option == "--size") {
        return parseInt("--size", value, 0, 99, &o->sizeIndex);
    } else if (option == "--format") {
        return parseFormat(value, &o->format);
    } else if (option == "--name") {
        o->name = value;
    } else if (option == "--out") {
        o->out = value;
    } else if (option == "--game") {
        o->game = value;
    } else if (option == "--game-folder") {
        o->gameFolder = qbtex::gamePath(value);
    } else if (option == "--source-fps") {
        return parseInt("--source-fps", value, 1, 999, &o->sourceRate);
    } else if (option == "--target-fps") {
        return parseInt("--target-fps", value, 1, 999, &o->targetRate);
    } else if (option == "--start") {
        return parseInt("--start", value, 0, 99, &o->start);
    } else if (option == "--max-count") {
        return parseInt("--max-count", value, 1, 10000, &o->maxCount);
    } else if (option == "--thumbnail") {
        return parseInt("--thumbnail", value, 0, 1 << 30, &o->thumbnail);
    } else if (option == "--jobs") {
        return parseInt("--jobs", value, 1, 256, &o->jobs);
    } else {
        return usage("unknown option " + option);
    }
    return true;
}

bool parseArgs(int argc, char** argv, Options* o, bool* outGiven) {
    bool options = true;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!options || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            o->files.push_back(arg);
        } else if (arg == "--") {
            options = false;
        } else if (arg == "--help") {
            o->help = true;
        } else if (arg == "--yes") {
            o->yes = true;
        } else if (arg == "--dry-run") {
            o->dryRun = true;
        } else if (i + 1 >= argc) {
            return usage(arg + " needs a value");
        } else if (!parseOption(arg, argv[++i], o)) {
            return false;
        } else {
            *outGiven = *outGiven || arg == "--out";
        }
    }
    if (o->help) {
        return true;
    }
    if (o->files.empty()) {
        return usage("convert needs at least one image file");
    }
    if (*outGiven && !o->game.empty()) {
        return usage("--out and --game exclude each other");
    }
    if (!o->gameFolder.empty() && (o->game.empty() || o->type != kTextures)) {
        return usage("--game-folder goes with --game and --type texture");
    }
    if (o->sizeIndex >= sizeCount(o->type)) {
        return usage("--size of this type is 0 to " + std::to_string(sizeCount(o->type) - 1));
    }
    if (o->out.empty()) {
        return usage("--out needs a folder");
    }
    return true;
}

// Ended by SIGINT or SIGTERM: the signal's number, 0 while running.
std::atomic<int> gStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

extern "C" void onStopSignal(int signal) {
    gStopSignal.store(signal);
    std::signal(signal, SIG_DFL); // a second one ends the program at once
}

// A source file, loaded by the first output that needs it and freed after
// the last.
struct Source {
    std::mutex lock;
    bool tried = false;
    k4codec::HResult result = k4codec::kOk;
    k4codec::ImageInfo info; // the sides of a source too large to read
    k4codec::Image image;
    SourceDesc desc;
    std::atomic<int32_t> users{0};
};

struct Outcome {
    bool done = false;
    std::string line;           // the output's line, when made
    const char* code = nullptr; // the failure, if any
    std::string detail;         // its message
    bool sourceFailed = false;  // the source could not be read
    bool stopped = false;       // not written: the run was stopped first
};

class ConvertRun {
public:
    ConvertRun(const Options& options, const K4QBFileList& files, const ExportRun& run)
        : options_(options), files_(files), run_(run) {}

    // Plans the outputs; false (after the message) when one has no place.
    bool plan() {
        planExport(run_, &plan_);
        for (const PlannedOutput& output : plan_.outputs) {
            if (output.path.getLength() == 0) {
                qbtex::reportError(K4QBERR_PAK_INVALIDPATH,
                                   std::string("no place to write ") + output.name.getText());
                return false;
            }
        }
        for (int32_t i = 0; i < files_.getCount(); ++i) {
            sources_.push_back(std::make_unique<Source>());
        }
        for (const PlannedOutput& output : plan_.outputs) {
            ++sources_[static_cast<size_t>(output.source)]->users;
        }
        return true;
    }

    // False (after listing them) when outputs exist and may not be replaced.
    bool mayWrite() const {
        std::vector<int32_t> existing;
        findExistingOutputs(plan_, &existing);
        for (int32_t index : existing) {
            const PlannedOutput& output = plan_.outputs[static_cast<size_t>(index)];
            qbtex::reportError(K4QBERR_TEXMGR_USERCANCELLED,
                               qbtex::nativePath(output.path.getText()) + " exists");
        }
        if (!existing.empty()) {
            qbtex::reportError(K4QBERR_TEXMGR_USERCANCELLED,
                               std::to_string(existing.size()) +
                                   " output files exist; --yes replaces them, nothing written");
        }
        return existing.empty();
    }

    // Makes every output; the exit status.
    int execute() {
        outcomes_.resize(plan_.outputs.size());
        std::vector<std::thread> workers;
        {
            std::lock_guard<std::mutex> hold(lock_);
            active_ = options_.jobs;
        }
        for (int32_t i = 0; i < options_.jobs; ++i) {
            try {
                workers.emplace_back([this] { work(); });
            } catch (const std::system_error&) {
                std::lock_guard<std::mutex> hold(lock_);
                active_ -= options_.jobs - i; // fewer workers do, or this thread alone
                active_ += i == 0 ? 1 : 0;
                break;
            }
        }
        if (workers.empty()) {
            work();
        }
        const int status = report();
        for (std::thread& worker : workers) {
            worker.join();
        }
        return status;
    }

private:
    // One worker: the next output in order until all are taken or a stop
    // signal came. Nothing escapes: a failure belongs to its output.
    void work() {
        qbtex::WriteBehind writer;
        for (size_t i; gStopSignal.load() == 0 && (i = next_++) < plan_.outputs.size();) {
            const char* name = plan_.outputs[i].name.getText();
            Outcome outcome;
            std::vector<uint8_t> dds;
            try {
                make(plan_.outputs[i], &outcome, &dds);
            } catch (const std::bad_alloc&) {
                fail(&outcome, K4CERR_MEM_OUTOFMEMORY, name);
            } catch (const char* code) {
                fail(&outcome, code, name);
            } catch (...) {
                fail(&outcome, "unknown exception", name);
            }
            release(plan_.outputs[i].source);
            if (outcome.code == nullptr && !dds.empty()) {
                try {
                    writeBehind(&writer, i, std::move(dds), outcome);
                    continue;
                } catch (const std::bad_alloc&) {
                    fail(&outcome, K4CERR_MEM_OUTOFMEMORY, name);
                }
            }
            finish(i, std::move(outcome));
        }
        writer.finish();
        std::lock_guard<std::mutex> hold(lock_);
        --active_;
        changed_.notify_all();
    }

    // The output's file goes to the worker's writer; its outcome is known
    // once the file is written.
    void writeBehind(qbtex::WriteBehind* writer, size_t i, std::vector<uint8_t> dds,
                     const Outcome& made) {
        const std::string path = plan_.outputs[i].path.getText();
        writer->write(path, std::move(dds), [this, i, made](bool written, k4p::WriteError error) {
            Outcome outcome = made;
            if (!written) {
                const std::string shown = qbtex::nativePath(plan_.outputs[i].path.getText());
                error == k4p::WriteError::DiskFull
                    ? fail(&outcome, K4CERR_IO_DISKFULL, shown)
                    : fail(&outcome, K4CEXC_IO, shown + ": cannot write file");
            }
            finish(i, std::move(outcome));
        });
    }

    void finish(size_t i, Outcome outcome) {
        std::lock_guard<std::mutex> hold(lock_);
        outcomes_[i] = std::move(outcome);
        outcomes_[i].done = true;
        changed_.notify_all();
    }

    static void fail(Outcome* outcome, const char* code, const std::string& detail) {
        outcome->code = code;
        outcome->detail = detail;
    }

    std::string sourceText(int32_t source) const {
        return std::string(files_.getFolder(source)) + files_.getName(source);
    }

    // Loads the source once: the whole picture, or for a dry run its header.
    Source& load(int32_t index) {
        Source& source = *sources_[static_cast<size_t>(index)];
        std::lock_guard<std::mutex> hold(source.lock);
        if (!source.tried) {
            source.tried = true;
            std::vector<uint8_t> bytes;
            k4codec::TextureDesc desc;
            source.result = k4codec::readFileBytes(sourceText(index).c_str(), &bytes);
            if (source.result == k4codec::kOk) {
                source.result =
                    options_.dryRun
                        ? k4codec::describeSourceTexture(bytes.data(), bytes.size(), &desc)
                        : k4codec::loadSourceTexture(bytes.data(), bytes.size(), &source.image,
                                                     &desc, nullptr);
            }
            if (source.result == k4codec::kTooLarge) {
                k4codec::readImageHeader(bytes.data(), bytes.size(), &source.info);
            }
            source.desc = {desc.width, desc.height, desc.format};
        }
        return source;
    }

    void release(int32_t index) {
        Source& source = *sources_[static_cast<size_t>(index)];
        if (--source.users == 0) {
            std::lock_guard<std::mutex> hold(source.lock);
            source.image = k4codec::Image();
        }
    }

    // Makes the output's file into `dds` (left empty on a failure, a stop or
    // a dry run, which `outcome` then tells).
    void make(const PlannedOutput& output, Outcome* outcome, std::vector<uint8_t>* dds) {
        const Source& source = load(output.source);
        if (source.result != k4codec::kOk) {
            outcome->sourceFailed = true;
            fail(outcome, K4DXERR_RES_LOADERROR,
                 sourceText(output.source) + ": " +
                     k4codec::resultMessage(source.result, source.info));
            return;
        }
        const OutputSize size = plannedSize(run_, output, source.desc);
        const Format format = plannedFormat(run_, output, source.desc);
        const uint32_t levels =
            output.levelCount == 0 ? k4codec::fullMipCount(size.width, size.height) : 1;
        const std::string path = qbtex::nativePath(output.path.getText());
        if (!options_.dryRun) {
            k4codec::Image image;
            k4codec::HResult result =
                k4codec::composeTexture(source.image, size.width, size.height, output.bandAspect,
                                        output.levelCount, format, &image);
            if (result == k4codec::kOk) {
                result = k4codec::ddsWriteImage(image, dds);
            }
            if (result != k4codec::kOk) {
                return fail(outcome,
                            result == k4codec::kOutOfMemory ? K4CERR_MEM_OUTOFMEMORY
                                                            : K4DXERR_RES_LOADERROR,
                            path + ": " + k4codec::resultText(result));
            }
            if (gStopSignal.load() != 0) {
                dds->clear();
                outcome->stopped = true; // not begun: the run stops
                return;
            }
        }
        outcome->line = std::string(output.thumbnail ? "thumbnail" : "file") + "\t" +
                        sourceText(output.source) + "\t" + path + "\t" +
                        std::to_string(size.width) + "x" + std::to_string(size.height) + "\t" +
                        k4codec::formatName(format) + "\t" + std::to_string(levels);
    }

    // Prints the outcomes in output order as they come; the exit status.
    int report() {
        const bool progress = K4_ISATTY(K4_FILENO(stderr)) != 0;
        std::vector<bool> sourceReported(sources_.size(), false);
        size_t failed = 0, stopped = 0;
        const char* firstCode = nullptr;
        for (size_t i = 0; i < outcomes_.size(); ++i) {
            Outcome outcome;
            {
                std::unique_lock<std::mutex> hold(lock_);
                changed_.wait(hold, [&] { return outcomes_[i].done || active_ == 0; });
                outcome = std::move(outcomes_[i]);
            }
            if (progress) {
                std::fprintf(stderr, "\r%79s\r", "");
            }
            if (!outcome.done || outcome.stopped) {
                ++stopped;
            } else if (outcome.code == nullptr) {
                std::printf("%s\n", outcome.line.c_str());
                std::fflush(stdout);
            } else {
                ++failed;
                firstCode = firstCode != nullptr ? firstCode : outcome.code;
                const size_t source = static_cast<size_t>(plan_.outputs[i].source);
                if (!outcome.sourceFailed || !sourceReported[source]) {
                    qbtex::reportError(outcome.code, outcome.detail);
                }
                sourceReported[source] = sourceReported[source] || outcome.sourceFailed;
            }
            if (progress) {
                std::fprintf(stderr, "[%zu/%zu] %.60s", i + 1, outcomes_.size(),
                             plan_.outputs[i].name.getText());
                std::fflush(stderr);
            }
        }
        if (progress) {
            std::fprintf(stderr, "\r%79s\r", "");
        }
        const size_t total = outcomes_.size();
        if (stopped > 0) {
            qbtex::reportError(K4QBERR_TEXMGR_USERCANCELLED,
                               "stopped, " + std::to_string(total - stopped - failed) + " of " +
                                   std::to_string(total) + " outputs written");
        } else if (failed > 0) {
            qbtex::reportError(firstCode, std::to_string(failed) + " of " + std::to_string(total) +
                                              " outputs failed");
        }
        return stopped + failed > 0 ? qbtex::kExitFailed : qbtex::kExitOk;
    }

    const Options& options_;
    const K4QBFileList& files_;
    const ExportRun& run_;
    ExportPlan plan_;
    std::vector<std::unique_ptr<Source>> sources_;
    std::atomic<size_t> next_{0};
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Outcome> outcomes_; // guarded by lock_
    int32_t active_ = 0;            // workers still running; guarded by lock_
};

// The run's settings from the options; false (after the message) when the
// game folder is not there.
bool makeRun(const Options& o, const K4QBFileList& files, std::string* folder, ExportRun* run) {
    ExportSettings& settings = run->settings;
    settings.type = o.type;
    settings.fileName = o.name.c_str();
    settings.files = &files;
    settings.start = o.start;
    settings.maxCount = o.maxCount;
    if (o.game.empty()) {
        settings.folderSource = 0;
        *folder = o.out;
    } else {
        k4p::FileStatus status;
        if (!k4p::getFileStatus(o.game.c_str(), &status) || !status.directory) {
            qbtex::reportError(K4QBERR_PAK_NOTINSTALLED, o.game + " is not a folder");
            return false;
        }
        settings.folderSource = 1;
        settings.installPath = o.game.c_str();
        *folder = o.type == kTextures ? (o.gameFolder.empty() ? kTextureRoot : o.gameFolder)
                                      : typeGameFolder(o.type);
    }
    settings.folder = folder->c_str();
    run->sizeIndex = o.sizeIndex;
    run->format = o.format;
    run->sourceRate = o.sourceRate;
    run->targetRate = o.targetRate;
    run->thumbnailIndex = o.thumbnail;
    return true;
}

// Stops a run on SIGINT and SIGTERM while it lives; restores the handlers it
// replaced when it goes.
class StopSignals {
public:
    StopSignals() {
        gStopSignal.store(0);
        previousInt_ = std::signal(SIGINT, onStopSignal);
        previousTerm_ = std::signal(SIGTERM, onStopSignal);
    }
    ~StopSignals() { restore(); }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that stopped the run, or 0.
    int restore() {
        if (!restored_) {
            std::signal(SIGINT, previousInt_ != SIG_ERR ? previousInt_ : SIG_DFL);
            std::signal(SIGTERM, previousTerm_ != SIG_ERR ? previousTerm_ : SIG_DFL);
            restored_ = true;
        }
        return gStopSignal.exchange(0);
    }

private:
    void (*previousInt_)(int) = nullptr;
    void (*previousTerm_)(int) = nullptr;
    bool restored_ = false;
};

} // namespace

int runConvert(int argc, char** argv) {
    Options options;
    bool outGiven = false;
    if (!parseArgs(argc, argv, &options, &outGiven)) {
        return qbtex::kExitUsage;
    }
    if (options.help) {
        return qbtex::printHelp(kConvertHelp, stdout);
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    if (options.jobs == 0) {
        options.jobs = cores <= 256 ? static_cast<int32_t>(cores) : 1;
    }
    // Each output's DXT blocks and mip levels get the cores the outputs made
    // at once leave over, so the two never ask for more threads than cores.
    k4codec::setCodecThreads(std::max(1u, cores / static_cast<unsigned>(options.jobs)));
    try {
        K4QBFileList files;
        for (const std::string& file : options.files) {
            const size_t cut = file.find_last_of("/\\");
            const std::string folder = cut == std::string::npos ? "" : file.substr(0, cut + 1);
            files.addInOrder(nullptr, file.c_str() + folder.size(), folder.c_str(), false);
        }
        if (options.thumbnail >= files.getCount()) {
            usage("--thumbnail must name one of the " + std::to_string(files.getCount()) +
                  " files, from 0");
            return qbtex::kExitUsage;
        }
        std::string folder;
        ExportRun run;
        if (!makeRun(options, files, &folder, &run)) {
            return qbtex::kExitUsage;
        }
        ConvertRun convert(options, files, run);
        if (!convert.plan()) {
            return qbtex::kExitUsage;
        }
        if (!options.dryRun) {
            if (!options.yes && !convert.mayWrite()) {
                return qbtex::kExitFailed;
            }
            if (options.game.empty()) {
                k4p::createFolderTree(options.out.c_str());
            }
            prepareOutputFolders(run.settings);
        }
        StopSignals signals;
        const int status = convert.execute();
        const int stop = signals.restore();
        if (stop != 0) {
            // Stopped in order; the caller learns how the run ended.
            std::fflush(stdout);
            std::raise(stop);
        }
        return status;
    } catch (const std::bad_alloc&) {
        return qbtex::reportError(K4CERR_MEM_OUTOFMEMORY, "convert");
    } catch (const char* code) {
        return qbtex::reportError(code, "convert");
    }
}
