// The settings file: groups of lower-cased keys with text values, read from
// and written to a small INI-style text file.
//
// Reading: "[name]" lines open a group (blanks inside the brackets kept,
// anything after the first "]" ignored); other lines are "key = value" with
// blanks trimmed from both, further "=" belonging to the value; a line with no
// "=" is a key with an empty value; a line whose key is empty is skipped.
// There is no comment syntax. Entries before the first header belong to the
// unnamed group 0. Neither group names nor keys need be unique; lookups return
// the first match.
//
// Writing replaces the file in one step (temporary file in the same folder,
// then moved into place), so a failed save leaves the previous file as it was.
// Groups without entries are not written. Not for use by several threads.
#pragma once

#include "foundation/k4cptrarray.h"
#include "foundation/k4cstring.h"

#include <cstdint>
#include <cstdio>

class K4CDebugLogger;

class K4QBIniEntry {
public:
    // The key is lower-cased; the value is kept as given. Null counts as "".
    K4QBIniEntry(const char* key, const char* value);

    const char* getKey() const { return key_.getText(); }
    const char* getValue() const { return value_.getText(); }
    void setValue(const char* value) { value_.assign(value); }

private:
    K4CString key_;
    K4CString value_;
};

class K4QBIniGroup {
public:
    // The name is lower-cased; null gives the unnamed group.
    explicit K4QBIniGroup(const char* name, K4CDebugLogger* logger = nullptr);
    K4QBIniGroup(const K4QBIniGroup&) = delete;
    K4QBIniGroup& operator=(const K4QBIniGroup&) = delete;

    const char* getName() const { return name_.getText(); }
    int32_t getEntryCount() const { return entries_.getCount(); }
    // Throws "IndexOutOfBoundsException" for a bad index.
    K4QBIniEntry* getEntryAt(int32_t index) const { return entries_.get(index); }

    // Index of the first entry with the lower-cased key, or -1.
    int32_t findKeyIndex(const char* key);
    // The first entry with the key; when there is none, a new entry with an
    // empty value is appended and returned.
    K4QBIniEntry* getEntry(const char* key);
    // Always appends.
    K4QBIniEntry* addEntry(const char* key, const char* value);

    // The value parsed with strtol base 0 (decimal, 0x hexadecimal, leading 0
    // octal), saturated to 32 bits; the default when the key is missing or no
    // digit could be read.
    int32_t getInt(const char* key, int32_t defaultValue);
    void setInt(const char* key, int32_t value);
    // The value of the first matching entry, or null when the key is missing.
    const char* getString(const char* key);
    void setString(const char* key, const char* text); // null stores ""

private:
    K4CString name_;
    K4COwningPtrArray<K4QBIniEntry> entries_;
    K4CString lookupKey_;
    K4CDebugLogger* logger_;
};

class K4QBIniFile {
public:
    // Holds only the unnamed group.
    explicit K4QBIniFile(K4CDebugLogger* logger = nullptr);
    ~K4QBIniFile();
    K4QBIniFile(const K4QBIniFile&) = delete;
    K4QBIniFile& operator=(const K4QBIniFile&) = delete;

    // Reads a settings file into a new object owned by the caller. Throws
    // "K4QBERR_INI_IOERROR" when the file cannot be opened, read or closed,
    // "K4CERR_STR_ILLEGALARGUMENT" when it holds a NUL byte, and
    // "K4CERR_MEM_OUTOFMEMORY" when memory runs out; nothing is left
    // allocated or open then.
    static K4QBIniFile* load(const char* path, K4CDebugLogger* logger = nullptr);
    // The same over a stream that is open for reading; the caller closes it.
    static K4QBIniFile* loadFromStream(FILE* file, K4CDebugLogger* logger = nullptr);
    // Writes the settings, replacing the file only once everything is
    // written. Throws "K4CERR_IO_DISKFULL" when the disk has no room,
    // "K4CERR_MEM_OUTOFMEMORY" when memory runs out, "K4QBERR_INI_IOERROR"
    // for any other failure; the previous file is then kept.
    void save(const char* path);
    // Writes what save writes into an open binary stream; false when a write
    // fails.
    bool saveToStream(FILE* file) const;

    int32_t getGroupCount() const { return groups_.getCount(); }
    // Throws "IndexOutOfBoundsException" for a bad index.
    K4QBIniGroup* getGroupAt(int32_t index) const { return groups_.get(index); }
    // Index of the first group with the lower-cased name (null: the unnamed
    // group's name ""), or -1.
    int32_t findGroupIndex(const char* name);
    K4QBIniGroup* getGroup(const char* name); // null when missing
    // Always appends a new group.
    K4QBIniGroup* addGroup(const char* name);

private:
    void readFrom(FILE* file);

    K4COwningPtrArray<K4QBIniGroup> groups_;
    K4CString lookupKey_;
    K4CDebugLogger* logger_;
};
