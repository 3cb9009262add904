// qbtex check: the texture check of a mod folder (or of an install's loose
// files) and its fix, the same as the program's "Check Textures..." window.
#include "cli/cmd_check.h"
#include "cli/cmd_content.h"

#include "codec/formats.h"
#include "export/texture_check.h"
#include "export/texture_fix.h"
#include "export/texture_scan.h"
#include "foundation/errors.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace {

using namespace k4export;

const char kCheckHelp[] =
    "usage: qbtex check FOLDER [--game INSTALL] [--fix] [--dry-run]\n"
    "\n"
    "Checks every file below FOLDER\\data\\textures\\ (a mod laid out like an\n"
    "install, or an install for its loose files) against what the export\n"
    "writes for its folder: DDS in one of the twelve formats, sides that are\n"
    "powers of two, the type's mip levels, the export's names, animated\n"
    "overlay series without gaps and of one size and format, thumbnails.\n"
    "\n"
    "One line per finding, in path order, tab-separated: error or warning, the\n"
    "rule, the path below FOLDER, what is wrong and what the export writes\n"
    "instead. A summary goes to standard error.\n"
    "\n"
    "  --game INSTALL  the game installed there provides textures too (its\n"
    "                  loose files and archives): frames of a series,\n"
    "                  thumbnails and the textures they belong to; a file\n"
    "                  with the path of one of them replaces it and keeps\n"
    "                  its name\n"
    "  --fix           re-export every file that can be fixed, from itself,\n"
    "                  after copying the original into\n"
    "                  FOLDER\\texture-check-backup\\ (never over an earlier\n"
    "                  backup); prints 'backup', 'file' and 'thumbnail' lines as\n"
    "                  qbtex convert does, then the findings of a check made\n"
    "                  afterwards\n"
    "  --dry-run       print the findings and the lines --fix would print;\n"
    "                  write nothing\n"
    "  --help          this text\n"
    "\n"
    "Exit status: 0 no error (after --fix: none left), 1 an error or a fix that\n"
    "failed, 2 bad usage or FOLDER not a folder.\n";

struct Options {
    std::string folder;
    std::string game;
    bool fix = false;
    bool dryRun = false;
    bool help = false;
};

bool parseArgs(int argc, char** argv, Options* options) {
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options->help = true;
        } else if (arg == "--fix") {
            options->fix = true;
        } else if (arg == "--dry-run") {
            options->dryRun = options->fix = true;
        } else if (arg == "--game" && i + 1 < argc) {
            options->game = argv[++i];
        } else if (arg.compare(0, 2, "--") == 0 || !options->folder.empty()) {
            qbtex::reportError(K4QBERR_CLI_USAGE, "unexpected argument " + arg);
            return false;
        } else {
            options->folder = arg;
        }
    }
    if (!options->help && options->folder.empty()) {
        qbtex::reportError(K4QBERR_CLI_USAGE, "check needs a folder");
        return false;
    }
    return true;
}

// Whether two folder paths name the same folder as written (case and a
// final separator aside).
bool sameFolder(std::string a, std::string b) {
    for (std::string* text : {&a, &b}) {
        *text = qbtex::gamePath(*text);
        while (text->size() > 1 && text->back() == '\\') {
            text->pop_back();
        }
        for (char& c : *text) {
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    return a == b;
}

bool isFolder(const std::string& path) {
    k4p::FileStatus status;
    return k4p::getFileStatus(path.c_str(), &status) && status.directory;
}

void printFindings(const CheckReport& report) {
    for (const Finding& finding : report.findings) {
        std::printf("%s\t%s\t%s\t%s\n", severityName(finding.severity), ruleName(finding.rule),
                    finding.path.c_str(), finding.detail.c_str());
    }
    const CheckCounts counts = countFindings(report);
    std::fflush(stdout);
    std::fprintf(stderr, "qbtex: %d files checked: %d errors, %d warnings, %d fixable\n",
                 report.fileCount, counts.errors, counts.warnings, counts.fixable);
}

void printOutputs(const FixAction& action) {
    for (const FixOutput& output : action.outputs) {
        const char* format = k4codec::formatName(output.format);
        std::printf("%s\t%s\t%s\t%ux%u\t%s\t%u\n", output.thumbnail ? "thumbnail" : "file",
                    action.source.c_str(), output.path.c_str(), output.width, output.height,
                    format != nullptr ? format : "?", output.levels);
    }
}

// Carries out (or with a dry run, prints) every fix; false when one failed.
bool fixAll(const std::string& folder, const CheckReport& report, bool dryRun) {
    bool failed = false;
    for (const FixAction& action : report.fixes) {
        if (dryRun) {
            for (const std::string& original : action.originals) {
                std::printf("backup\t%s\t%s\n", original.c_str(),
                            freeBackupPath(folder, original).c_str());
            }
            printOutputs(action);
            continue;
        }
        const FixOutcome outcome = runFix(folder, action);
        if (!outcome.done) {
            qbtex::reportError(K4CEXC_IO, outcome.problem + " (left as it was)");
            failed = true;
            continue;
        }
        for (size_t i = 0; i < action.originals.size(); ++i) {
            std::printf("backup\t%s\t%s\n", action.originals[i].c_str(),
                        outcome.backups[i].c_str());
        }
        printOutputs(action);
    }
    std::fflush(stdout);
    return !failed;
}

// Scans and checks the folder; false (after the message) when it has no
// texture folder.
bool check(const std::string& folder, const GameNames* game, CheckReport* report) {
    std::vector<CheckedFile> files;
    if (scanTextures(folder, ScanControl(), &files) == ScanResult::NoTextureFolder) {
        qbtex::reportError(K4QBERR_PAK_INVALIDPATH,
                           qbtex::nativePath(folder.c_str()) + " has no data\\textures folder");
        return false;
    }
    checkTextures(files, game, report);
    return true;
}

} // namespace

int runCheck(int argc, char** argv) {
    Options options;
    if (!parseArgs(argc, argv, &options)) {
        return qbtex::printHelp(kCheckHelp, stderr);
    }
    if (options.help) {
        return qbtex::printHelp(kCheckHelp, stdout);
    }
    const std::string folder = qbtex::gamePath(options.folder);
    if (!isFolder(folder) || (!options.game.empty() && !isFolder(options.game))) {
        qbtex::reportError(K4QBERR_CLI_USAGE,
                           (isFolder(folder) ? options.game : options.folder) + " is not a folder");
        return qbtex::kExitUsage;
    }
    try {
        GameNames game;
        if (!options.game.empty()) {
            std::vector<std::string> problems;
            // Checking an install's own loose files: only its archives count
            // as the game's.
            gatherGameNames(qbtex::gamePath(options.game),
                            !sameFolder(options.folder, options.game), ScanControl(), &game,
                            &problems);
            for (const std::string& problem : problems) {
                qbtex::reportError(K4CEXC_IO, qbtex::nativePath(problem.c_str()) +
                                                  " (the other archives still count)");
            }
        }
        const GameNames* names = options.game.empty() ? nullptr : &game;
        CheckReport report;
        if (!check(folder, names, &report)) {
            return qbtex::kExitFailed;
        }
        if (!options.fix || options.dryRun) {
            printFindings(report);
            if (options.fix) {
                fixAll(folder, report, true);
            }
            return countFindings(report).errors > 0 ? qbtex::kExitFailed : qbtex::kExitOk;
        }
        // The fix's lines, then what the check finds afterwards.
        const bool fixed = fixAll(folder, report, false);
        if (!check(folder, names, &report)) {
            return qbtex::kExitFailed;
        }
        printFindings(report);
        return fixed && countFindings(report).errors == 0 ? qbtex::kExitOk : qbtex::kExitFailed;
    } catch (const std::bad_alloc&) {
        return qbtex::reportError(K4CERR_MEM_OUTOFMEMORY, "check");
    } catch (const char* code) {
        return qbtex::reportError(code, "check");
    }
}
