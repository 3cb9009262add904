// K4QBIniFile, K4QBIniGroup, K4QBIniEntry: the settings object, the reader and
// the writer of the settings file.
#include "foundation/k4qbinifile.h"

#include "foundation/errors.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"

#include <cstring>
#include <memory>

namespace {

// The temporary file is binary: write the line ends text mode would.
#ifdef _WIN32
constexpr const char* kLineEnd = "\r\n";
#else
constexpr const char* kLineEnd = "\n";
#endif

} // namespace

K4QBIniEntry::K4QBIniEntry(const char* key, const char* value) : key_(key), value_(value) {
    key_.toLowerCase();
}

K4QBIniGroup::K4QBIniGroup(const char* name, K4CDebugLogger* logger)
    : name_(name), logger_(logger) {
    name_.toLowerCase();
}

int32_t K4QBIniGroup::findKeyIndex(const char* key) {
    lookupKey_.assign(key);
    lookupKey_.toLowerCase();
    for (int32_t i = 0; i < entries_.getCount(); ++i) {
        if (std::strcmp(getEntryAt(i)->getKey(), lookupKey_.getText()) == 0) {
            return i;
        }
    }
    return -1;
}

K4QBIniEntry* K4QBIniGroup::getEntry(const char* key) {
    int32_t index = findKeyIndex(key);
    return index >= 0 ? getEntryAt(index) : addEntry(key, "");
}

K4QBIniEntry* K4QBIniGroup::addEntry(const char* key, const char* value) {
    return entries_.add(std::make_unique<K4QBIniEntry>(key, value));
}

int32_t K4QBIniGroup::getInt(const char* key, int32_t defaultValue) {
    K4C_TRACE(logger_, "Enter K4QBIniGroup::getInt(%s, %d) = %p", key, defaultValue,
              static_cast<void*>(this));
    int32_t index = findKeyIndex(key);
    int32_t value =
        index >= 0 ? k4cParseInt(getEntryAt(index)->getValue(), defaultValue) : defaultValue;
    K4C_TRACE(logger_, "Return %d from K4QBIniGroup::getInt = %p", value, static_cast<void*>(this));
    return value;
}

void K4QBIniGroup::setInt(const char* key, int32_t value) {
    K4C_TRACE(logger_, "Enter K4QBIniGroup::setInt(%s, %d) = %p", key, value,
              static_cast<void*>(this));
    K4CString text;
    text.appendFormat("%d", value);
    getEntry(key)->setValue(text.getText());
    K4C_TRACE(logger_, "Exit K4QBIniGroup::setInt = %p", static_cast<void*>(this));
}

const char* K4QBIniGroup::getString(const char* key) {
    K4C_TRACE(logger_, "Enter K4QBIniGroup::getString(%s) = %p", key, static_cast<void*>(this));
    int32_t index = findKeyIndex(key);
    const char* value = index >= 0 ? getEntryAt(index)->getValue() : nullptr;
    K4C_TRACE(logger_, "Return %p(%s) from K4QBIniGroup::getString = %p",
              static_cast<const void*>(value), value, static_cast<void*>(this));
    return value;
}

void K4QBIniGroup::setString(const char* key, const char* text) {
    K4C_TRACE(logger_, "Enter K4QBIniGroup::setString(%s, %s) = %p", key, text,
              static_cast<void*>(this));
    getEntry(key)->setValue(text);
    K4C_TRACE(logger_, "Exit K4QBIniGroup::setString = %p", static_cast<void*>(this));
}

K4QBIniFile::K4QBIniFile(K4CDebugLogger* logger) : logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBIniFile(%p) = %p", static_cast<void*>(logger),
              static_cast<void*>(this));
    addGroup(nullptr);
    K4C_TRACE(logger_, "Exit constructor K4QBIniFile = %p", static_cast<void*>(this));
}

K4QBIniFile::~K4QBIniFile() {
    // The groups go with groups_, after the exit line.
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBIniFile = %p", static_cast<void*>(this));
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBIniFile = %p", static_cast<void*>(this));
}

int32_t K4QBIniFile::findGroupIndex(const char* name) {
    lookupKey_.assign(name);
    lookupKey_.toLowerCase();
    for (int32_t i = 0; i < groups_.getCount(); ++i) {
        if (std::strcmp(getGroupAt(i)->getName(), lookupKey_.getText()) == 0) {
            return i;
        }
    }
    return -1;
}

K4QBIniGroup* K4QBIniFile::getGroup(const char* name) {
    K4C_TRACE(logger_, "Enter K4QBIniFile::getGroup(%s) = %p", name, static_cast<void*>(this));
    int32_t index = findGroupIndex(name);
    K4QBIniGroup* group = index >= 0 ? getGroupAt(index) : nullptr;
    K4C_TRACE(logger_, "Return %p from K4QBIniFile::getGroup = %p", static_cast<void*>(group),
              static_cast<void*>(this));
    return group;
}

K4QBIniGroup* K4QBIniFile::addGroup(const char* name) {
    return groups_.add(std::make_unique<K4QBIniGroup>(name, logger_));
}

// Reads the lines of the file into this object (group headers and entries).
void K4QBIniFile::readFrom(FILE* file) {
    K4QBIniGroup* group = getGroupAt(0);
    K4CString line;
    K4CString part; // a group name or a key
    while (line.readLine(file)) {
        line.trimRight();
        line.trimLeft();
        int32_t length = line.getLength();
        if (length == 0) {
            continue;
        }
        const char* text = line.getText();
        if (text[0] == '[' && text[length - 1] == ']') {
            // The name ends at the first "]", which exists: the line ends in one.
            const char* close = std::strchr(text + 1, ']');
            part.clear();
            part.appendSubstring(text, 1, static_cast<int32_t>(close - text) - 1);
            group = addGroup(part.getText());
            continue;
        }
        const char* equals = std::strchr(text, '=');
        int32_t keyLength = equals ? static_cast<int32_t>(equals - text) : length;
        part.clear();
        part.appendSubstring(text, 0, keyLength);
        part.trimRight();
        if (part.getLength() == 0) {
            continue; // "= value": nothing to name it by
        }
        // The value is the rest of the line; a line without "=" has none.
        line.erase(0, equals ? keyLength + 1 : length);
        line.trimLeft();
        group->addEntry(part.getText(), line.getText());
    }
}

K4QBIniFile* K4QBIniFile::loadFromStream(FILE* file, K4CDebugLogger* logger) {
    return k4cOutOfMemoryAsError([&] {
        auto settings = std::make_unique<K4QBIniFile>(logger);
        settings->readFrom(file);
        // A read error looks like the end of the file to readLine: a partly
        // read object must not stand in for the file (it would be saved back).
        if (std::ferror(file)) {
            throw K4QBERR_INI_IOERROR;
        }
        return settings.release();
    });
}

K4QBIniFile* K4QBIniFile::load(const char* path, K4CDebugLogger* logger) {
    K4C_TRACE(logger, "Enter K4QBIniFile::load(%s, %p)", path, static_cast<void*>(logger));
    std::unique_ptr<K4QBIniFile> settings;
    try {
        k4cOutOfMemoryAsError([&] {
            k4p::UniqueFile file(path != nullptr ? k4p::openFile(path, "rt") : nullptr);
            if (file == nullptr) {
                throw K4QBERR_INI_IOERROR;
            }
            settings.reset(loadFromStream(file.get(), logger));
            if (std::fclose(file.release()) != 0) {
                throw K4QBERR_INI_IOERROR;
            }
        });
    } catch (const char* code) {
        k4cTraceThrow(logger, code, "K4QBIniFile::load");
    }
    K4C_TRACE(logger, "Return %p from K4QBIniFile::load", static_cast<void*>(settings.get()));
    return settings.release();
}

bool K4QBIniFile::saveToStream(FILE* file) const {
    for (int32_t g = 0; g < groups_.getCount(); ++g) {
        const K4QBIniGroup* group = getGroupAt(g);
        if (group->getEntryCount() == 0) {
            continue;
        }
        if (group->getName()[0] != 0 &&
            std::fprintf(file, "[%s]%s", group->getName(), kLineEnd) < 0) {
            return false;
        }
        for (int32_t e = 0; e < group->getEntryCount(); ++e) {
            const K4QBIniEntry* entry = group->getEntryAt(e);
            if (std::fprintf(file, "\t%s = %s%s", entry->getKey(), entry->getValue(), kLineEnd) <
                0) {
                return false;
            }
        }
        if (std::fputs(kLineEnd, file) < 0) {
            return false;
        }
    }
    return true;
}

void K4QBIniFile::save(const char* path) {
    // The user's settings matter more than the log: a line that cannot be
    // written must not stop them being saved.
    K4C_TRACE_NOTHROW(logger_, "Enter K4QBIniFile::save(%s) = %p", path, static_cast<void*>(this));
    k4p::WriteError error = k4p::WriteError::Failed;
    bool saved = false;
    try {
        saved =
            path != nullptr && k4cOutOfMemoryAsError([&] {
                return k4p::writeFileAtomic(
                    path, [this](FILE* file) { return saveToStream(file) && !std::ferror(file); },
                    &error);
            });
    } catch (const char* code) {
        k4cTraceThrow(logger_, code, "K4QBIniFile::save", this);
    }
    if (!saved) {
        k4cTraceThrow(logger_,
                      error == k4p::WriteError::DiskFull ? K4CERR_IO_DISKFULL : K4QBERR_INI_IOERROR,
                      "K4QBIniFile::save", this);
    }
    K4C_TRACE_NOTHROW(logger_, "Exit K4QBIniFile::save = %p", static_cast<void*>(this));
}
