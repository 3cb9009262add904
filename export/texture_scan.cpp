// Walking a folder without leaving it, reading texture headers, and the
// game's own texture names (see texture_scan.h).
#include "export/texture_scan.h"

#include "codec/codec.h"
#include "codec/compose.h"
#include "codec/parallel.h"
#include "content/pak_archive.h"
#include "content/pak_names.h"
#include "export/game_archives.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace k4export {

namespace {

constexpr uint64_t kLargestFile = uint64_t{2} << 30;

bool isDots(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

bool stopped(const ScanControl& control) {
    return control.stop != nullptr && control.stop->load();
}

const char* fileTypeName(k4codec::FileType type) {
    switch (type) {
    case k4codec::FileType::Bmp:
        return "BMP";
    case k4codec::FileType::Jpeg:
        return "JPEG";
    case k4codec::FileType::Tga:
        return "TGA";
    case k4codec::FileType::Png:
        return "PNG";
    default:
        return "DDS";
    }
}

bool offered(k4codec::Format format) {
    for (int32_t i = 0; i < kFormatCount; ++i) {
        if (formatFromIndex(i) == format) {
            return true;
        }
    }
    return false;
}

// The file's bytes, read in one call when it holds the `size` bytes the
// listing gave (a file that grew is read to its end all the same). Without
// the stream's buffer: a check reads every file of an install once, and
// allocating that buffer (and asking the file's size for it) was a third of
// the system calls.
k4codec::HResult readWhole(const char* path, uint64_t size, std::vector<uint8_t>* bytes) {
    k4p::UniqueFile file(k4p::openFile(path, "rb"));
    if (file == nullptr || std::setvbuf(file.get(), nullptr, _IONBF, 0) != 0) {
        return k4codec::kFileNotFound;
    }
    bytes->resize(static_cast<size_t>(size) + 1);
    size_t got = std::fread(bytes->data(), 1, bytes->size(), file.get());
    while (got == bytes->size() && !std::ferror(file.get())) {
        bytes->resize(bytes->size() * 2);
        got += std::fread(bytes->data() + got, 1, bytes->size() - got, file.get());
    }
    if (std::ferror(file.get())) {
        return k4codec::kFileNotFound;
    }
    bytes->resize(got);
    return k4codec::kOk;
}

} // namespace

bool walkFolder(const std::string& root, const std::string& start, const ScanControl& control,
                const std::function<void(const std::string& path, WalkEntry entry,
                                         const k4p::FindItem& item, const char* reason)>& visit) {
    // Depth first with a stack of its own: folders nest as deep as the
    // system lets them, and no call stack has to follow.
    std::vector<std::string> pending{start};
    const k4p::FindItem none{};
    while (!pending.empty()) {
        const std::string folder = pending.back();
        pending.pop_back();
        k4p::FolderListing listing;
        if (!listing.open((root + "\\" + folder + "*").c_str())) {
            visit(folder, WalkEntry::Unlisted, none, "the folder cannot be listed");
            continue;
        }
        k4p::FindItem item;
        std::vector<std::string> below;
        while (listing.next(&item)) {
            if (stopped(control)) {
                return false;
            }
            if (isDots(item.name) || item.system || item.temporary || item.offline) {
                continue;
            }
            const std::string path = folder + item.name + (item.directory ? "\\" : "");
            if (const char* refusal = k4qbCheckPakFileName(item.name)) {
                visit(path, WalkEntry::InvalidName, item, refusal);
            } else if (item.link) {
                visit(path, WalkEntry::Link, item, "a link");
            } else if (item.directory) {
                below.push_back(path);
            } else {
                visit(path, WalkEntry::File, item, nullptr);
            }
        }
        // Listing order within a folder, the first sub-folder next.
        pending.insert(pending.end(), below.rbegin(), below.rend());
    }
    return true;
}

std::string findFolder(const std::string& root, const std::string& folder, std::string* link) {
    link->clear();
    std::string spelt;
    for (size_t begin = 0, end; (end = folder.find('\\', begin)) != std::string::npos;
         begin = end + 1) {
        const std::string component = folder.substr(begin, end - begin);
        k4p::FolderListing listing;
        k4p::FindItem item;
        bool found = false;
        // A literal pattern lists the component as spelt, found without
        // regard to case on every system.
        for (bool more = k4qbCheckPakFileName(component.c_str()) == nullptr &&
                         listing.open((root + "\\" + spelt + component).c_str());
             more && !found && listing.next(&item);) {
            found = item.directory && lowered(item.name) == lowered(component);
        }
        if (!found) {
            return std::string();
        }
        spelt += std::string(item.name) + "\\";
        if (item.link) {
            *link = spelt;
            return std::string();
        }
    }
    return spelt;
}

bool readTextureHeader(const char* path, uint64_t size, TextureHeader* header,
                       std::string* problem) {
    std::vector<uint8_t> bytes;
    k4codec::HResult result = readWhole(path, size, &bytes);
    k4codec::ImageInfo info;
    if (result == k4codec::kOk) {
        result = k4codec::readImageHeader(bytes.data(), bytes.size(), &info);
    }
    if (result != k4codec::kOk) {
        *problem = result == k4codec::kFileNotFound ? "the file cannot be read"
                                                    : "not an image file the game can load: " +
                                                          k4codec::resultMessage(result, info);
        return false;
    }
    *header = TextureHeader();
    header->dds = info.fileType == k4codec::FileType::Dds;
    header->plain = info.resourceType == k4codec::ResourceType::Texture && info.depth <= 1;
    header->width = info.width;
    header->height = info.height;
    header->levels = info.mipLevels;
    header->format = info.format;
    const char* stored = k4codec::storedFormatName(info);
    header->formatText = !header->dds ? fileTypeName(info.fileType)
                                      : (stored != nullptr ? stored : "an unknown format");
    header->loadedFormat = info.format;
    if (!header->dds || !offered(info.format)) {
        // Best Match takes the format the texture is loaded in.
        k4codec::TextureDesc desc;
        if (k4codec::describeSourceTexture(bytes.data(), bytes.size(), &desc) == k4codec::kOk) {
            header->loadedFormat = desc.format;
        }
    }
    return true;
}

ScanResult scanTextures(const std::string& root, const ScanControl& control,
                        std::vector<CheckedFile>* files) {
    files->clear();
    std::string link;
    const std::string textures = findFolder(root, kTextureRoot, &link);
    if (!link.empty()) {
        CheckedFile file;
        file.path = link;
        file.state = FileState::Link;
        files->push_back(file);
        return ScanResult::Done;
    }
    if (textures.empty()) {
        return ScanResult::NoTextureFolder;
    }
    // The walk lists; the headers are read afterwards on every core, each
    // file once, since reading them is most of the time.
    std::vector<size_t> toRead;
    std::vector<uint64_t> sizes;
    auto listed = [&](const std::string& path, WalkEntry entry, const k4p::FindItem& item,
                      const char* reason) {
        CheckedFile file;
        file.path = path;
        if (entry == WalkEntry::InvalidName) {
            file.state = FileState::InvalidName;
            file.problem = reason;
        } else if (entry == WalkEntry::Link) {
            file.state = FileState::Link;
        } else if (entry == WalkEntry::Unlisted) {
            file.state = FileState::Unreadable;
            file.problem = reason;
        } else if (item.size > kLargestFile) {
            file.state = FileState::Unreadable;
            file.problem = "larger than any texture";
        } else {
            toRead.push_back(files->size());
            sizes.push_back(item.size);
        }
        files->push_back(std::move(file));
    };
    const bool walked = walkFolder(root, textures, control, listed);
    std::atomic<int32_t> done{static_cast<int32_t>(files->size() - toRead.size())};
    k4codec::parallelFor(toRead.size(), 64, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end && !stopped(control); ++i) {
            CheckedFile& file = (*files)[toRead[i]];
            try {
                if (!readTextureHeader((root + "\\" + file.path).c_str(), sizes[i], &file.header,
                                       &file.problem)) {
                    file.state = FileState::Unreadable;
                }
            } catch (const std::bad_alloc&) {
                file.state = FileState::Unreadable;
                file.problem = "out of memory while reading it";
            }
            if (++done % 256 == 0 && control.progress) {
                control.progress(done.load());
            }
        }
    });
    return walked && !stopped(control) ? ScanResult::Done : ScanResult::Stopped;
}

void gatherGameNames(const std::string& install, bool looseFiles, const ScanControl& control,
                     GameNames* names, std::vector<std::string>* problems) {
    names->clear();
    std::string link;
    const std::string textures = looseFiles ? findFolder(install, kTextureRoot, &link) : "";
    if (!textures.empty()) {
        walkFolder(
            install, textures, control,
            [&](const std::string& path, WalkEntry entry, const k4p::FindItem&, const char*) {
                if (entry == WalkEntry::File) {
                    names->insert(kTextureRoot + lowered(path.substr(textures.size())));
                }
            });
    }
    const std::string root = lowered(kTextureRoot);
    for (const std::unique_ptr<K4QBPakArchive>& archive : loadGameArchives(install, problems)) {
        for (int32_t i = 0; i < archive->getFileCount() && !stopped(control); ++i) {
            const K4QBPakEntry* entry = archive->getEntry(i);
            const std::string path =
                lowered(archive->getFolderName(entry->folderIndex)) + entry->name;
            if (path.compare(0, root.size(), root) == 0) {
                names->insert(path);
            }
        }
    }
}

} // namespace k4export
