// Fuzz target: the texture check's rules over any file names and headers a
// folder can hold. The input is lines of tab-separated fields, as
// faultmod::seedText writes them: a path, width, height, mip levels, a
// format name ("PNG" for an image that is no DDS file) and "read" or
// another state; a line "game" and a path names a game texture. Besides
// crashes it checks what the fix promises: every finding is of a file
// given, every action draws from a file that was read, moves only files
// given into the backup, and writes only below data\textures\ under names
// that stay in their folder, never where another file is, never twice.
#include "codec/formats.h"
#include "content/pak_names.h"
#include "export/texture_check.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t begin = 0;
    for (size_t end; (end = text.find(separator, begin)) != std::string::npos; begin = end + 1) {
        parts.push_back(text.substr(begin, end - begin));
    }
    parts.push_back(text.substr(begin));
    return parts;
}

uint32_t number(const std::vector<std::string>& fields, size_t index, uint32_t limit) {
    return index < fields.size()
               ? static_cast<uint32_t>(std::strtoul(fields[index].c_str(), nullptr, 10)) %
                     (limit + 1)
               : 1;
}

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace k4export;
    std::vector<CheckedFile> files;
    GameNames game;
    for (const std::string& line : split(std::string(data, data + size), '\n')) {
        const std::vector<std::string> fields = split(line, '\t');
        if (fields[0] == "game" && fields.size() > 1) {
            game.insert(lowered(fields[1]));
            continue;
        }
        CheckedFile file;
        file.path = fields[0];
        const std::string format = fields.size() > 4 ? fields[4] : "";
        file.header.dds = format != "PNG";
        file.header.width = number(fields, 1, 16384);
        file.header.height = number(fields, 2, 16384);
        file.header.levels = number(fields, 3, 15);
        file.header.format = file.header.loadedFormat = k4codec::formatFromName(format.c_str());
        file.header.formatText = format;
        const std::string state = fields.size() > 5 ? fields[5] : "read";
        file.state = state == "read"         ? FileState::Read
                     : state == "link"       ? FileState::Link
                     : state == "unreadable" ? FileState::Unreadable
                                             : FileState::InvalidName;
        files.push_back(file);
    }
    CheckReport report;
    checkTextures(files, game.empty() ? nullptr : &game, &report);

    std::set<std::string> given, read;
    for (const CheckedFile& file : files) {
        given.insert(file.path);
        if (file.state == FileState::Read) {
            read.insert(file.path);
        }
    }
    for (const Finding& finding : report.findings) {
        require(given.count(finding.path) > 0);
        require(finding.fix >= -1 && finding.fix < static_cast<int32_t>(report.fixes.size()));
    }
    std::set<std::string> written;
    for (const FixAction& action : report.fixes) {
        require(read.count(action.source) > 0);
        std::set<std::string> moved;
        for (const std::string& original : action.originals) {
            require(read.count(original) > 0);
            moved.insert(lowered(original));
        }
        for (const FixOutput& output : action.outputs) {
            const std::string path = lowered(output.path);
            require(path.compare(0, 14, "data\\textures\\") == 0);
            require(k4qbCheckPakFolderName(path.substr(0, path.rfind('\\') + 1).c_str()) ==
                    nullptr);
            require(k4qbCheckPakFileName(path.substr(path.rfind('\\') + 1).c_str()) == nullptr);
            require(written.insert(path).second);
            for (const CheckedFile& file : files) {
                require(lowered(file.path) != path || moved.count(path) > 0);
            }
            require(output.width > 0 && output.height > 0 && output.levels > 0);
        }
    }
    return 0;
}
